// SPDX-License-Identifier: GPL-3.0-or-later
// The video and web animation export, read back by ffprobe/ffmpeg and
// Pillow and compared with the composition of the same frames.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/colors.h"
#include "export/export_fixture.h"
#include "export/video_decode.h"
#include "export/video_export.h"
#include "platform/dialog_progress.h"
#include "support/recording_ui.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

std::vector<Picture> ComposedFrames(const test::ExportProject& a) {
  std::vector<Picture> frames;
  for (int i = 0; i < a->FrameCount; ++i) {
    WorkPicture p = test::RenderStoredFrame(a, i);
    frames.push_back(*p);
  }
  return frames;
}

VideoExportOptions Options(VideoFormat format, bool lossless = false) {
  VideoExportOptions o;
  o.Format = format;
  o.Lossless = lossless;
  return o;
}

struct FormatCase {
  const char* file;
  bool lossless;
  const char* codec;
  bool loops;  // stores "play forever"
};

const FormatCase kFormats[] = {
    {"a.webp", false, "webp", true}, {"b.webp", true, "webp", true},  {"c.apng", false, "apng", true},
    {"d.png", false, "apng", true},  {"e.mp4", false, "h264", false}, {"f.webm", false, "vp9", false},
};

// Every format holds each frame once, for the frame delay, at the frame
// size (MP4 rounded up to even sides), looping where the format can; 1-frame
// and several-frame projects alike.
TEST(VideoExport, EveryFormatHoldsEachFrameForItsDelay) {
  TempDir dir;
  const struct {
    int frames, delay_ms, option_delay_ms, want_ms;
  } timings[] = {{4, 40, 0, 40}, {1, 0, 0, 100}, {3, 40, 250, 250}};
  for (const auto& t : timings) {
    auto a = test::MakeStillProject(dir, 15, 9, t.frames, t.delay_ms);
    for (const FormatCase& c : kFormats) {
      SCOPED_TRACE(std::string(c.file) + " with " + std::to_string(t.frames) + " frames");
      VideoExportOptions options = Options(*VideoFormatForFile(c.file), c.lossless);
      options.FrameDelayMs = t.option_delay_ms;
      const fs::path out = dir / c.file;
      ASSERT_EQ(ExportVideo(*a, a.sequence, options, out), FramePassResult::Written);
      const test::DecodedVideo v = test::DecodeVideo(out, dir.path());
      ASSERT_EQ(v.error, "");
      const bool even = options.Format == VideoFormat::Mp4;
      EXPECT_EQ(v.width, even ? 16 : 15);
      EXPECT_EQ(v.height, even ? 10 : 9);
      // One frame of WebP or APNG is written as a still picture, which
      // has no timing.
      const bool still = t.frames == 1 && (options.Format == VideoFormat::WebP || options.Format == VideoFormat::Apng);
      if (still) {
        EXPECT_EQ(v.Count(), 1u);
        EXPECT_EQ(v.codec, options.Format == VideoFormat::Apng ? "png" : "webp");
      } else {
        EXPECT_EQ(v.codec, c.codec);
        EXPECT_EQ(v.durations_ms, std::vector<int>(static_cast<size_t>(t.frames), t.want_ms));
        if (c.loops) {
          EXPECT_EQ(v.loop, 0) << "plays forever";
        }
      }
      fs::remove(out);
    }
  }
  // MP4 puts its index before the media, so playing can start at once.
  auto a = test::MakeStillProject(dir, 8, 8, 2, 100);
  ASSERT_EQ(ExportVideo(*a, a.sequence, Options(VideoFormat::Mp4), dir / "s.mp4"), FramePassResult::Written);
  const auto bytes = test::ReadFileBytes(dir / "s.mp4");
  const std::string text(bytes.begin(), bytes.end());
  EXPECT_LT(text.find("moov"), text.find("mdat"));
}

// APNG and lossless WebP give back exactly the composed frames, at an odd
// size and with a multi-frame layer showing its own frame in each.
TEST(VideoExport, ExactFormatsDecodeToTheComposedFrames) {
  TempDir dir;
  auto a = test::MakeStillProject(dir, 13, 7, 4, 60);
  test::AddAnimatedGifLayer(a, dir, 3);
  const std::vector<Picture> frames = ComposedFrames(a);
  for (const auto& [name, options] : {std::pair{"x.apng", Options(VideoFormat::Apng)},
                                      std::pair{"x.webp", Options(VideoFormat::WebP, true)}}) {
    SCOPED_TRACE(name);
    ASSERT_EQ(ExportVideo(*a, a.sequence, options, dir / name), FramePassResult::Written);
    const test::DecodedVideo v = test::DecodeVideo(dir / name, dir.path());
    ASSERT_EQ(v.error, "");
    ASSERT_EQ(v.Count(), frames.size());
    EXPECT_EQ(test::FirstDifference(v, frames), "");
  }
  // The frames differ, so frame order is checked too.
  EXPECT_FALSE(test::PicturesEqual(frames[0], frames[1]));
}

// The lossy formats at the default quality keep a mean PSNR of 38 dB on
// smooth frames (see MakeSmoothProject). Measured at an even size: at odd
// sizes 4:2:0 chroma of the last column or row is shared with nothing or
// with padding, and even ffmpeg's own uncompressed 4:2:0 round trip of
// such frames measures about 38 dB.
TEST(VideoExport, LossyFormatsKeep38DecibelsAtTheDefaultQuality) {
  TempDir dir;
  auto a = test::MakeSmoothProject(dir, 160, 98, 6, 100);
  const std::vector<Picture> frames = ComposedFrames(a);
  for (const char* name : {"y.webp", "y.mp4", "y.webm"}) {
    SCOPED_TRACE(name);
    ASSERT_EQ(ExportVideo(*a, a.sequence, Options(*VideoFormatForFile(name)), dir / name), FramePassResult::Written);
    const test::DecodedVideo v = test::DecodeVideo(dir / name, dir.path());
    ASSERT_EQ(v.error, "");
    ASSERT_EQ(v.Count(), frames.size());
    EXPECT_GE(test::MeanPsnr(v, frames), 38.0);
  }
}

// MP4 pads odd sides with one column and row of the background colour; the
// padding has the background's brightness (its chroma is shared with the
// frame's last column and row).
TEST(VideoExport, OddMp4SidesArePaddedWithTheBackground) {
  TempDir dir;
  auto a = test::MakeSmoothProject(dir, 161, 99, 3, 100);
  a->BackgroundColor = RGBColor(200, 40, 90);
  ASSERT_EQ(ExportVideo(*a, a.sequence, Options(VideoFormat::Mp4), dir / "odd.mp4"), FramePassResult::Written);
  const test::DecodedVideo v = test::DecodeVideo(dir / "odd.mp4", dir.path());
  ASSERT_EQ(v.error, "");
  ASSERT_EQ(v.width, 162);
  ASSERT_EQ(v.height, 100);
  const auto luma = [](const uint8_t* rgb) { return 0.299 * rgb[0] + 0.587 * rgb[1] + 0.114 * rgb[2]; };
  const uint8_t background[3] = {200, 40, 90};
  for (int x = 0; x < 162; x += 23) EXPECT_NEAR(luma(v.Pixel(1, x, 99)), luma(background), 8) << x;
  for (int y = 0; y < 100; y += 11) EXPECT_NEAR(luma(v.Pixel(1, 161, y)), luma(background), 8) << y;
}

TEST(VideoExport, AFolderThatCannotBeWrittenFailsClearlyAndLeavesNothing) {
  TempDir dir;
  test::RecordingUi ui;
  auto a = test::MakeStillProject(dir, 8, 4, 2, 100);
  test::WriteFileBytes(dir / "plain", {'x'});
  const auto before = test::FileNamesIn(dir.path());
  for (const fs::path& out : {dir / "plain" / "v.webp", dir / "missing" / "v.mp4"}) {
    SCOPED_TRACE(out.string());
    try {
      DialogProgress progress = ui.MakeProgress();
      ExportVideo(*a, a.sequence, Options(*VideoFormatForFile(out)), out, progress);
      ADD_FAILURE() << "expected a failure";
    } catch (const EVideoExport& e) {
      EXPECT_NE(std::string(e.what()).find("Cannot write " + out.string()), std::string::npos) << e.what();
    }
    ASSERT_FALSE(ui.dialogs.empty());
    EXPECT_TRUE(ui.dialogs.back()->released);
  }
  EXPECT_EQ(test::FileNamesIn(dir.path()), before);
}

// Cancel in the progress dialog stops before the next frame: no file, no
// temporary, the old file kept.
TEST(VideoExport, CancelLeavesNoFileAndKeepsTheOldOne) {
  TempDir dir;
  test::RecordingUi ui;
  auto a = test::MakeStillProject(dir, 8, 4, 5, 100);
  const fs::path out = dir / "old.webm";
  test::WriteFileBytes(out, {'o', 'l', 'd'});
  const auto before = test::FileNamesIn(dir.path());
  ui.on_process_messages = [&] {
    const test::RecordedDialog& d = *ui.dialogs.back();
    if (!d.positions.empty() && d.positions.back() == 3 && d.on_cancel) d.on_cancel();
  };
  {
    DialogProgress progress = ui.MakeProgress();
    EXPECT_EQ(ExportVideo(*a, a.sequence, Options(VideoFormat::WebM), out, progress), FramePassResult::Cancelled);
  }
  EXPECT_EQ(test::FileNamesIn(dir.path()), before);
  EXPECT_EQ(test::ReadFileBytes(out), (std::vector<uint8_t>{'o', 'l', 'd'}));
  const test::RecordedDialog& d = *ui.dialogs.back();
  EXPECT_EQ(d.caption, "Video Export...");
  EXPECT_EQ(d.texts, std::vector<std::string>{"Building WebM file"});
  EXPECT_TRUE(d.cancel_shown);
  EXPECT_EQ(d.maximum, 5);
  EXPECT_EQ(d.positions, (std::vector<int>{0, 0, 1, 2, 3}));
  EXPECT_TRUE(d.released);
}

// The export window's flow: build, show the size, save (any number of
// times); the build's temporary goes with it.
TEST(VideoExport, ABuildKnowsItsSizeAndSavesThatFile) {
  TempDir dir;
  auto a = test::MakeStillProject(dir, 12, 10, 3, 100);
  {
    Project empty;
    const FrameSequence none = MakeFrameSequence(empty);
    EXPECT_EQ(BuildVideo(empty, none, Options(VideoFormat::Mp4)), nullptr);
  }
  auto built = BuildVideo(*a, a.sequence, Options(VideoFormat::Mp4));
  ASSERT_NE(built, nullptr);
  EXPECT_EQ(built->Format(), VideoFormat::Mp4);
  const uint64_t size = built->FileSize();
  EXPECT_GT(size, 0u);
  fs::create_directory(dir / "saved");
  built->SaveAs(dir / "saved" / "one.mp4");
  built->SaveAs(dir / "saved" / "one.mp4");
  EXPECT_EQ(fs::file_size(dir / "saved" / "one.mp4"), size);
  EXPECT_EQ(test::FileNamesIn(dir / "saved"), std::vector<std::string>{"one.mp4"});
  const test::DecodedVideo v = test::DecodeVideo(dir / "saved" / "one.mp4", dir.path());
  ASSERT_EQ(v.error, "");
  EXPECT_EQ(v.Count(), 3u);
  EXPECT_THROW(built->SaveAs(dir / "missing" / "two.mp4"), EVideoExport);
  built.reset();
  EXPECT_TRUE(test::FileNamesIn(dir / "Output").empty());
}

TEST(VideoWriter, FormatsByExtensionAndQualityScale) {
  EXPECT_EQ(VideoFormatForFile("a/b.WEBP"), VideoFormat::WebP);
  EXPECT_EQ(VideoFormatForFile("x:y.png"), VideoFormat::Apng);
  EXPECT_EQ(VideoFormatForFile("x.apng"), VideoFormat::Apng);
  EXPECT_EQ(VideoFormatForFile("x.Mp4"), VideoFormat::Mp4);
  EXPECT_EQ(VideoFormatForFile("x.webm"), VideoFormat::WebM);
  EXPECT_EQ(VideoFormatForFile("x.avi"), std::nullopt);
  EXPECT_EQ(VideoFormatForFile("webm"), std::nullopt);
  // Anchored at both ends and at the default.
  EXPECT_EQ((std::vector<int>{X264Crf(0), X264Crf(75), X264Crf(100)}), (std::vector<int>{51, 20, 0}));
  EXPECT_EQ((std::vector<int>{Vp9Crf(0), Vp9Crf(75), Vp9Crf(100)}), (std::vector<int>{63, 31, 0}));
  EXPECT_EQ((std::vector<int>{WebPQuality(0), WebPQuality(75), WebPQuality(90)}), (std::vector<int>{0, 80, 92}));
}

}  // namespace
}  // namespace kt58
