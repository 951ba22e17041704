// SPDX-License-Identifier: GPL-3.0-or-later
// Exports with a transparent background, read back by other decoders
// (giflib, ffmpeg, Pillow): every pixel is transparent exactly where the
// composed frame has the project's background colour, and shows the
// composed colour everywhere else, in every frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/bmp_codec.h"
#include "engine/errors.h"
#include "export/bitmap_sequence.h"
#include "export/export_fixture.h"
#include "export/frame_scale.h"
#include "export/gif_export.h"
#include "export/single_frame.h"
#include "export/video_export.h"
#include "gif_decode_helpers.h"
#include "video_decode.h"

namespace kt58 {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

constexpr Color kNavy = RGBColor(0, 0, 128);

// A 32x24 navy background, with a flat three-colour square turning a
// quarter over the frames (its corners uncover and cover the background)
// whose black pixels are keyed out, and a small flat picture rolling left
// above it: the background's area changes from frame to frame, so frames
// must be cleared for the next and merging meets transparent pixels.
test::ExportProject MakeKeyedProject(const TempDir& dir) {
  test::ExportProject a;
  a->FrameCount = 6;
  a->FrameDelay = 40;
  a->FixedFrameSize = true;
  a->FixedWidth = 32;
  a->FixedHeight = 24;
  a->BackgroundColor = kNavy;
  Picture square(14, 14);
  for (int y = 0; y < 14; ++y)
    for (int x = 0; x < 14; ++x)
      test::SetPixelColor(square, x, y,
                    (x + y) % 7 == 0 ? RGBColor(0, 0, 0) : x < 7 ? RGBColor(200, 30, 30) : RGBColor(30, 200, 30));
  test::WriteFileBytes(dir / "square.bmp", EncodeBmp(square));
  test::WriteFileBytes(dir / "small.bmp", EncodeBmp(test::MakeFewColourPicture(8, 6, 3, 7)));
  Layer* turning = a->AddLayerFromFile(dir / "square.bmp");
  turning->SetPosition(3, 4);
  turning->SetRotation(0, 90, true, false);
  turning->TransparentColor = RGBColor(0, 0, 0);
  Layer* rolling = a->AddLayerFromFile(dir / "small.bmp");
  rolling->SetPosition(21, 14);
  rolling->SetOther(true, pr_Left, false, false);
  rolling->TransparentColor = RGBColor(1, 2, 3);  // no pixel has it
  a.Resequence();
  return a;
}

bool IsNavy(const uint8_t* bgr) { return bgr[0] == 128 && bgr[1] == 0 && bgr[2] == 0; }

// The frames as the export writes them: composed with its clock, scaled.
std::vector<Picture> Expected(const test::ExportProject& a, bool playing, const OutputSize& size = {}) {
  std::vector<Picture> frames;
  FrameScaler scaler(size);
  for (int i = 0; i < a.sequence.Count(); ++i) {
    const FrameClock clock = playing ? FrameClock::Playing(0, i) : FrameClock::Stepping(i);
    WorkPicture p = ComposeFrame(*a, a.sequence.Frame(i), clock);
    scaler.Apply(*p);
    frames.push_back(*p);
  }
  return frames;
}

// The first pixel of the decoded frames that is not what the frames key
// to, as text; empty when every pixel is. Without exact colours only the
// alpha channel is compared.
std::string FirstKeyDifference(const test::DecodedVideo& v, const std::vector<Picture>& frames,
                               bool exact_colours = true) {
  if (v.Count() != frames.size()) return std::to_string(v.Count()) + " frames decoded";
  for (size_t f = 0; f < frames.size(); ++f)
    for (int y = 0; y < frames[f].Height(); ++y)
      for (int x = 0; x < frames[f].Width(); ++x) {
        const uint8_t* want = frames[f].Row(y) + 3 * static_cast<size_t>(x);
        const uint8_t* got = v.Pixel(f, x, y);
        const bool key = IsNavy(want);
        const bool same =
            key ? v.Alpha(f, x, y) == 0
                : v.Alpha(f, x, y) == 255 &&
                      (!exact_colours || (got[0] == want[2] && got[1] == want[1] && got[2] == want[0]));
        if (!same)
          return "frame " + std::to_string(f) + " pixel (" + std::to_string(x) + "," + std::to_string(y) +
                 "): alpha " + std::to_string(v.Alpha(f, x, y)) + (key ? ", background" : ", not background");
      }
  return {};
}

// The same of the pictures giflib's frames show when played (test::Composite):
// nothing drawn exactly on the background.
std::string FirstKeyDifference(const std::vector<test::ShownPicture>& shown, const std::vector<Picture>& frames) {
  if (shown.size() != frames.size()) return std::to_string(shown.size()) + " pictures shown";
  for (size_t f = 0; f < frames.size(); ++f)
    for (int y = 0; y < frames[f].Height(); ++y)
      for (int x = 0; x < frames[f].Width(); ++x) {
        const uint8_t* want = frames[f].Row(y) + 3 * static_cast<size_t>(x);
        const uint32_t got = shown[f].pixels[static_cast<size_t>(y) * frames[f].Width() + x];
        const uint32_t colour = uint32_t{want[2]} << 16 | uint32_t{want[1]} << 8 | want[0];
        if (got != (IsNavy(want) ? test::kUnset : colour))
          return "frame " + std::to_string(f) + " pixel (" + std::to_string(x) + "," + std::to_string(y) + ")";
      }
  return {};
}

TEST(TransparentExport, GifFramesShowOnlyTheirOwnPixelsOverATransparentScreen) {
  TempDir dir;
  const test::ExportProject a = MakeKeyedProject(dir);
  const std::vector<Picture> expected = Expected(a, true);
  // Some frame must uncover background that the one before covered.
  ASSERT_GT(expected.size(), 2u);

  const struct {
    const char* name;
    int reduction, bits, dither;
    bool merge, crop, remove_passive, single_map, sort;
    bool one_frame = false;  // frame 2 alone: nothing after it to clear for
  } cases[] = {
      {"the command line's: global palette, merge, crop, remove passive", rmGlobal, 8, dmNearest, true, true, true,
       false, false},
      {"global palette of 8, no optimisation", rmGlobal, 3, dmNearest, false, false, false, false, false},
      {"global palette, single colour map and sort too", rmGlobal, 8, dmNearest, true, true, true, true, true},
      // Every colour has its exact entry, so diffusion changes nothing, and
      // no error may spread from the background into its neighbours.
      {"global palette, Floyd-Steinberg", rmGlobal, 8, dmFloydSteinberg, true, true, true, false, false},
      {"each frame's own optimized palette, merge, crop and sort", rmQuantize, 8, dmNearest, true, true, false, false,
       true},
      {"a full table of 256 per frame, every optimisation", rmQuantizeWindows, 8, dmNearest, true, true, true, true,
       true},
      {"one frame, cropped where it may be", rmGlobal, 8, dmNearest, true, true, true, false, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    GifExportOptions options;
    options.Transparent = true;
    options.FrameDelayMs = 40;
    options.Compression = gcLZW;
    options.ColorReduction = c.reduction;
    options.ReductionBits = c.bits;
    options.DitherMode = c.dither;
    options.Merge = c.merge;
    options.Crop = c.crop;
    options.RemovePassive = c.remove_passive;
    options.OptimizeColorMap = c.single_map;
    options.SortColors = c.sort;
    std::vector<Picture> want = expected;
    if (c.one_frame) {
      options.Frames = FrameRange{2, 2, 1};
      want = {expected[2]};
    }
    const fs::path out = dir / "t.gif";
    ExportAnimatedGif(*a, a.sequence, options, out);

    const test::DecodedGif gif = test::DecodeWithGiflib(test::ReadFileBytes(out));
    ASSERT_EQ(gif.width, 32);
    ASSERT_EQ(gif.height, 24);
    int cleared = 0;
    for (const test::DecodedFrame& f : gif.frames) cleared += f.disposal == 2;
    if (!c.one_frame) {
      EXPECT_GT(cleared, 0) << "no frame had to be cleared for the next: the fixture tests nothing";
    }
    EXPECT_EQ(FirstKeyDifference(test::Composite(gif), want), "");

    const test::DecodedVideo ffmpeg = test::DecodeVideo(out, dir.path(), true);
    ASSERT_EQ(ffmpeg.error, "");
    EXPECT_EQ(FirstKeyDifference(ffmpeg, want), "");
  }
}

// A frame whose own table is full, every entry shown, gives up its least
// used colour for the background (those pixels take the nearest other
// colour): no opaque pixel turns transparent, no background pixel opaque.
TEST(TransparentExport, AFullGifTableGivesUpItsLeastUsedColour) {
  TempDir dir;
  test::ExportProject a;
  a->FrameCount = 1;
  a->FixedFrameSize = true;
  a->FixedWidth = 48;
  a->FixedHeight = 40;
  a->BackgroundColor = kNavy;
  test::WriteFileBytes(dir / "noise.bmp", EncodeBmp(test::MakeRandomPicture(40, 32, 3)));
  Layer* noise = a->AddLayerFromFile(dir / "noise.bmp");
  noise->SetPosition(4, 4);
  noise->TransparentColor = RGBColor(1, 2, 3);
  a.Resequence();
  GifExportOptions options;
  options.Transparent = true;
  options.Compression = gcLZW;
  options.ColorReduction = rmQuantize;
  options.ReductionBits = 8;
  const fs::path out = dir / "t.gif";
  ExportAnimatedGif(*a, a.sequence, options, out);

  const test::DecodedGif gif = test::DecodeWithGiflib(test::ReadFileBytes(out));
  ASSERT_EQ(gif.frames.size(), 1u);
  const test::DecodedFrame& f = gif.frames[0];
  ASSERT_EQ(f.palette.size(), 256u);
  ASSERT_GE(f.transparent, 0);
  std::vector<bool> used(256, false);
  for (uint8_t v : f.indices)
    if (v != f.transparent) used[v] = true;
  EXPECT_EQ(std::count(used.begin(), used.end(), true), 255) << "the table had room: nothing was given up";
  const test::DecodedVideo ffmpeg = test::DecodeVideo(out, dir.path(), true);
  ASSERT_EQ(ffmpeg.error, "");
  EXPECT_EQ(FirstKeyDifference(ffmpeg, Expected(a, true), false), "");
}

TEST(TransparentExport, WebPApngAndPngCarryTheBackgroundAsAlpha) {
  TempDir dir;
  const test::ExportProject a = MakeKeyedProject(dir);
  const struct {
    VideoFormat format;
    const char* file;
    OutputSize size;
  } cases[] = {
      {VideoFormat::WebP, "t.webp", {}},
      {VideoFormat::Apng, "t.apng", {}},
      // Halved: flat areas stay exact, blended edge pixels opaque.
      {VideoFormat::Apng, "half.apng", {16, 12}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    VideoExportOptions options;
    options.Format = c.format;
    options.Lossless = true;
    options.Transparent = true;
    options.Size = c.size;
    ASSERT_EQ(ExportVideo(*a, a.sequence, options, dir / c.file), FramePassResult::Written);
    const test::DecodedVideo v = test::DecodeVideo(dir / c.file, dir.path(), true);
    if (c.format == VideoFormat::WebP && !test::HavePillow()) GTEST_SKIP() << v.error;
    ASSERT_EQ(v.error, "");
    EXPECT_EQ(FirstKeyDifference(v, Expected(a, false, c.size)), "");
  }

  // PNG frames, one and a sequence.
  ExportSingleFrame(*a, a.sequence, 2, dir / "f.png", {}, true);
  test::DecodedVideo frame = test::DecodeVideo(dir / "f.png", dir.path(), true);
  ASSERT_EQ(frame.error, "");
  EXPECT_EQ(FirstKeyDifference(frame, {Expected(a, false)[2]}), "");

  const fs::path folder = dir / "seq";
  fs::create_directory(folder);
  SequenceFiles files{SequenceFormat::Png, ".png", {}, {}, true};
  const SequenceResult result = ExportBitmapSequence(*a, a.sequence, folder, "##", 0, {}, files);
  ASSERT_EQ(result.saved, a.sequence.Count());
  const std::vector<Picture> expected = Expected(a, false);
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(result.names[i]);
    const test::DecodedVideo file = test::DecodeVideo(folder / result.names[i], dir.path(), true);
    ASSERT_EQ(file.error, "");
    EXPECT_EQ(FirstKeyDifference(file, {expected[i]}), "");
  }
}

// The formats without alpha refuse rather than write the background opaque.
TEST(TransparentExport, FormatsWithoutAlphaRefuseAndWriteNothing) {
  TempDir dir;
  const test::ExportProject a = MakeKeyedProject(dir);
  VideoExportOptions video;
  video.Format = VideoFormat::Mp4;
  video.Transparent = true;
  EXPECT_THROW(ExportVideo(*a, a.sequence, video, dir / "t.mp4"), EVideoExport);
  EXPECT_FALSE(fs::exists(dir / "t.mp4"));

  SequenceFiles bmp;
  bmp.transparent = true;
  EXPECT_THROW(ExportBitmapSequence(*a, a.sequence, dir.path(), "##", 0, {}, bmp), Kt58Error);
  EXPECT_TRUE(test::FileNamesIn(dir.path()) == (std::vector<std::string>{"small.bmp", "square.bmp"}));

  EXPECT_THROW(ExportSingleFrame(*a, a.sequence, 0, dir / "f.bmp", {}, true), ESingleFrameExport);
  EXPECT_FALSE(fs::exists(dir / "f.bmp"));
}

}  // namespace
}  // namespace kt58
