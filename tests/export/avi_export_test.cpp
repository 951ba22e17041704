// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <sstream>

#include "engine/picture.h"
#include "export/avi_export.h"
#include "export/export_fixture.h"
#include "export/frame_encoding.h"
#include "platform/dialog_progress.h"
#include "platform/video_writer.h"
#include "support/avi_test_support.h"
#include "support/recording_ui.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  uint32_t v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}

struct Probe {
  std::string codec, pix_fmt, rate;
  int width = 0, height = 0, packets = 0;
};

Probe RunFfprobe(const fs::path& avi) {
  std::string out;
  EXPECT_TRUE(test::RunCapture("ffprobe -v error -select_streams v:0 -count_packets -show_entries "
                               "stream=codec_name,pix_fmt,width,height,r_frame_rate,nb_read_packets -of default=nw=1 " +
                                   test::Quote(avi),
                               out))
      << out;
  Probe p;
  std::istringstream lines(out);
  std::string line;
  while (std::getline(lines, line)) {
    const auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    if (key == "codec_name") p.codec = value;
    if (key == "pix_fmt") p.pix_fmt = value;
    if (key == "r_frame_rate") p.rate = value;
    if (key == "width") p.width = std::stoi(value);
    if (key == "height") p.height = std::stoi(value);
    if (key == "nb_read_packets") p.packets = std::stoi(value);
  }
  return p;
}

// Every video sample (00db or 00dc) in the 'movi' list, in file order: its size and, from
// 'idx1', its flags.
struct Sample {
  uint32_t size = 0;
  uint32_t flags = 0;
};
std::vector<Sample> ReadIdx1(const std::vector<uint8_t>& avi) {
  std::vector<Sample> samples;
  for (size_t pos = 12; pos + 8 <= avi.size();) {
    const uint32_t size = Le32(avi, pos + 4);
    if (std::memcmp(&avi[pos], "idx1", 4) == 0) {
      for (size_t e = pos + 8; e + 16 <= pos + 8 + size; e += 16)
        if (std::memcmp(&avi[e], "00d", 3) == 0) samples.push_back({Le32(avi, e + 12), Le32(avi, e + 4)});
      break;
    }
    pos += 8 + size + (size & 1);
  }
  return samples;
}

TEST(AviExport, FramesFormatRateAndPixelsAsFfmpegReadsThem) {
  TempDir dir;
  test::RecordingUi ui;
  // 101 wide: 303 bytes of pixels per row, padded to 304.
  auto a = test::MakeStillProject(dir, 101, 7, 5, 40);
  test::AddAnimatedGifLayer(a, dir, 3);
  const fs::path out = dir / "video.avi";
  {
    DialogProgress progress = ui.MakeProgress();
    ASSERT_TRUE(ExportAvi(*a, a.sequence, out, progress));
  }

  // The free-space check asks for at least what the file takes.
  EXPECT_LE(fs::file_size(out), AviFileBytes(101, 7, 5));
  const Probe p = RunFfprobe(out);
  EXPECT_EQ(p.codec, "rawvideo");
  EXPECT_EQ(p.pix_fmt, "bgr24");
  EXPECT_EQ(p.width, 101);
  EXPECT_EQ(p.height, 7);
  EXPECT_EQ(p.packets, 5);
  EXPECT_EQ(p.rate, "25/1");

  const auto bytes = test::ReadFileBytes(out);
  const size_t strf = test::StrfOffset(bytes);
  EXPECT_EQ(Le32(bytes, strf + 0), 40u);
  EXPECT_EQ(static_cast<int32_t>(Le32(bytes, strf + 8)), 7) << "positive height: rows bottom-up";
  EXPECT_EQ(Le32(bytes, strf + 16), 0u) << "BI_RGB";
  EXPECT_EQ(Le32(bytes, strf + 20), 304u * 7) << "biSizeImage with padded rows";
  EXPECT_EQ(AviFrameImageSize(101, 7), 304u * 7);
  const auto samples = ReadIdx1(bytes);
  ASSERT_EQ(samples.size(), 5u);
  for (const Sample& s : samples) {
    EXPECT_EQ(s.size, 304u * 7);
    EXPECT_EQ(s.flags & 0x10, 0x10u) << "every sample a key frame";
  }

  const test::RawFrames raw = test::DecodeWithFfmpeg(out, dir.path(), 101, 7);
  ASSERT_EQ(raw.count, 5u);
  for (int i = 0; i < 5; ++i) {
    WorkPicture want = test::RenderStoredFrame(a, i);
    for (int r = 0; r < 7; ++r)
      ASSERT_EQ(std::memcmp(want->Row(r), &raw.bytes[(static_cast<size_t>(i) * 7 + r) * 303], 303), 0)
          << "frame " << i << " row " << r;
  }
  // The multi-frame layer shows its stored frame i in frame i.
  WorkPicture f0 = test::RenderStoredFrame(a, 0), f1 = test::RenderStoredFrame(a, 1);
  EXPECT_NE(test::PixelColor(*f0, 0, 0), test::PixelColor(*f1, 0, 0));

  ASSERT_EQ(ui.dialogs.size(), 1u);
  const test::RecordedDialog& d = *ui.dialogs.back();
  EXPECT_EQ(d.caption, "AVI Export...");
  EXPECT_EQ(d.texts, std::vector<std::string>{"Building AVI file"});
  EXPECT_EQ(d.maximum, 5);
  EXPECT_EQ(d.positions, (std::vector<int>{0, 0, 1, 2, 3, 4}));
  EXPECT_TRUE(d.shown);
  EXPECT_TRUE(d.released);
  // The AVI export offers no Cancel, so the front end runs no events during it.
  EXPECT_FALSE(d.cancel_shown);
  EXPECT_EQ(ui.process_messages_calls, 0);
}

TEST(AviExport, ZeroDelayMeansTenFramesPerSecond) {
  TempDir dir;
  auto a = test::MakeStillProject(dir, 8, 4, 2, 0);
  EXPECT_EQ(FrameDurationMs(*a), 100);
  ASSERT_TRUE(ExportAvi(*a, a.sequence, dir / "v.avi"));
  EXPECT_EQ(RunFfprobe(dir / "v.avi").rate, "10/1");
  a->FrameDelay = 30;
  ASSERT_TRUE(ExportAvi(*a, a.sequence, dir / "w.avi"));
  EXPECT_EQ(RunFfprobe(dir / "w.avi").rate, "100/3");
}

TEST(AviExport, NothingToWriteGivesNoFileAndNoError) {
  TempDir dir;
  Project empty;
  const FrameSequence none = MakeFrameSequence(empty);
  EXPECT_FALSE(ExportAvi(empty, none, dir / "none.avi"));
  EXPECT_TRUE(test::FileNamesIn(dir.path()).empty());
}

TEST(AviExport, UncreatableFileFailsWithTheProgramsTextAndLeavesNothing) {
  TempDir dir;
  test::RecordingUi ui;
  auto a = test::MakeStillProject(dir, 8, 4, 2, 100);
  test::WriteFileBytes(dir / "plain", {'x'});
  const auto before = test::FileNamesIn(dir.path());
  try {
    DialogProgress progress = ui.MakeProgress();
    ExportAvi(*a, a.sequence, dir / "plain" / "v.avi", progress);
    ADD_FAILURE() << "expected a failure";
  } catch (const EAviExport& e) {
    // The program's text, then the cause: the file and the system's reason.
    const std::string text = e.what();
    EXPECT_EQ(text.rfind("Failed to create AVI file: Cannot write " + (dir / "plain" / "v.avi").string(), 0), 0u)
        << text;
    EXPECT_NE(text.find("(Not a directory)"), std::string::npos) << text;
  }
  EXPECT_EQ(test::FileNamesIn(dir.path()), before);
  ASSERT_EQ(ui.dialogs.size(), 1u);
  EXPECT_TRUE(ui.dialogs.back()->released);
}

// The file system refuses the file past its third frame: the write fails
// midway, with the system's reason after the program's text.
TEST(AviExport, AFailureMidwayRemovesTheTemporaryAndKeepsTheOldFile) {
  TempDir dir;
  auto a = test::MakeStillProject(dir, 64, 48, 12, 100);
  const fs::path out = dir / "old.avi";
  test::WriteFileBytes(out, {'o', 'l', 'd'});
  const auto before = test::FileNamesIn(dir.path());
  try {
    const test::FileSizeLimit limit(AviFileBytes(64, 48, 3));
    ExportAvi(*a, a.sequence, out, NoProgress());
    ADD_FAILURE() << "expected a failure";
  } catch (const EAviExport& e) {
    EXPECT_TRUE(std::string(e.what()).starts_with("Failed to add frame to AVI: ")) << e.what();
  }
  EXPECT_EQ(test::FileNamesIn(dir.path()), before);
  EXPECT_EQ(test::ReadFileBytes(out), (std::vector<uint8_t>{'o', 'l', 'd'}));
}

VideoWriterSettings AviSettings(int width, int height, int frame_ms) {
  VideoWriterSettings s;
  s.format = VideoFormat::Avi;
  s.width = width;
  s.height = height;
  s.frame_ms = frame_ms;
  return s;
}

TEST(AviWriter, RefusesFramesOfTheWrongSize) {
  TempDir dir;
  VideoWriter writer(dir / "w.avi", AviSettings(5, 2, 100));
  EXPECT_EQ(writer.FrameBytes(), 32u);
  std::vector<uint8_t> frame(31);
  EXPECT_EQ(test::ErrorCodeOf<PlatformError>([&] { writer.WriteFrame(frame.data(), frame.size()); }),
            PlatformErrorCode::VideoWriteFrame);
  frame.resize(32);
  writer.WriteFrame(frame.data(), frame.size());
  writer.Finish();
  EXPECT_EQ(writer.FramesWritten(), 1);
  EXPECT_EQ(test::ErrorCodeOf<PlatformError>([&] { VideoWriter(dir / "x.avi", AviSettings(0, 2, 100)); }),
            PlatformErrorCode::VideoSetFormat);
}

// Past the 1 GB RIFF limit the muxer continues in 'AVIX' lists with OpenDML
// indexes; players then still find every frame. Written straight through the
// writer (no composition) so it takes a few seconds.
TEST(AviWriter, FilesBeyondOneGigabyteStayReadable) {
  TempDir dir;
  const fs::path out = dir / "big.avi";
  constexpr int kWidth = 2048, kHeight = 1536, kCount = 120;  // 9 MiB frames, 1.13 GB
  {
    VideoWriter writer(out, AviSettings(kWidth, kHeight, 40));
    std::vector<uint8_t> frame(writer.FrameBytes());
    for (int i = 0; i < kCount; ++i) {
      frame[0] = static_cast<uint8_t>(i);  // the last row's first blue byte numbers the frame
      writer.WriteFrame(frame.data(), frame.size());
    }
    writer.Finish();
  }
  ASSERT_GT(fs::file_size(out), uintmax_t{1} << 30);
  EXPECT_LE(fs::file_size(out), AviFileBytes(kWidth, kHeight, kCount)) << "the OpenDML indexes are counted";
  const Probe p = RunFfprobe(out);
  EXPECT_EQ(p.packets, kCount);
  EXPECT_EQ(p.width, kWidth);
  // The OpenDML pieces: a second RIFF list and the super index.
  std::string grep;
  EXPECT_TRUE(test::RunCapture("grep -c -a -m1 AVIX " + test::Quote(out), grep)) << "no AVIX list";
  EXPECT_TRUE(test::RunCapture("head -c 65536 " + test::Quote(out) + " | grep -c -a indx", grep)) << "no OpenDML index";
  // The last frame decodes to what was written: its number in the bottom row.
  std::string last;
  ASSERT_TRUE(test::RunCapture("ffmpeg -nostdin -v error -sseof -0.04 -i " + test::Quote(out) +
                                   " -frames:v 1 -f rawvideo -pix_fmt bgr24 - | tail -c " + std::to_string(kWidth * 3) +
                                   " | head -c 1 | od -An -tu1",
                               last));
  EXPECT_EQ(std::stoi(last), kCount - 1);
}

}  // namespace
}  // namespace kt58
