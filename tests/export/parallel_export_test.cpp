// SPDX-License-Identifier: GPL-3.0-or-later
// Frames composed on several threads and written in order: the same
// pictures and the same files as on one thread, a stop midway that leaves
// nothing and no thread behind, and a frame's failure reported as one
// thread reports it.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <typeinfo>
#include <vector>

#include "export/avi_export.h"
#include "export/bitmap_sequence.h"
#include "export/export_fixture.h"
#include "export/gif_export.h"
#include "export/ordered_frames.h"
#include "export/video_export.h"
#include "platform/picture_limits.h"
#include "platform/worker_threads.h"
#include "support/recording_progress.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

// Threads of this process, from the kernel's list.
size_t ThreadsNow() {
  size_t n = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/task")) ++n;
  return n;
}

class ParallelExport : public ::testing::Test {
 protected:
  void SetUp() override {
    // A rotating picture, a small one on top and an animated GIF layer of
    // stored frames: every frame differs from the one before.
    test::AddAnimatedGifLayer(a, dir, 5);
  }
  void TearDown() override { SetWorkerThreads(0); }

  TempDir dir;
  test::ExportProject a = test::MakeStillProject(dir, 40, 24, 11, 60);
};

// A file's bytes; for WebM its packets' (ffmpeg's hash of each), since the
// muxer gives every file random identifiers of its own.
std::vector<uint8_t> Contents(const fs::path& file) {
  if (file.extension() != ".webm") return test::ReadFileBytes(file);
  std::string hashes;
  EXPECT_TRUE(test::RunCapture(
      "ffmpeg -nostdin -loglevel error -i " + test::Quote(file) + " -map 0 -c copy -f framemd5 -", hashes));
  EXPECT_NE(hashes.find(", "), std::string::npos) << hashes;
  return {hashes.begin(), hashes.end()};
}

FrameClock PlayedFromStart(int k) { return FrameClock::Playing(0, k); }

TEST_F(ParallelExport, OrderedFramesAreTheFramesComposedOneByOne) {
  // Frames out of order, repeated, and outside the sequence (no picture).
  const std::vector<int> frames = {3, 0, 7, 7, 10, 42, 1, 2, 9, 4, 5, -1, 6, 8};
  struct Case {
    unsigned threads;
    size_t slots;
    ClockOfFrame clock;
    OutputSize size;
  };
  for (const Case& c : {Case{1, 1, &FrameClock::Stepping, {}}, Case{4, 1, &FrameClock::Stepping, {}},
                        Case{4, 3, &PlayedFromStart, {}}, Case{3, 8, &FrameClock::Stepping, {17, 0}},
                        Case{2, 40, &PlayedFromStart, {50, 31}}}) {
    SCOPED_TRACE(testing::Message() << c.threads << " threads, " << c.slots << " slots, scaled to " << c.size.width);
    SetWorkerThreads(c.threads);
    OrderedFrames composed(*a, a.sequence, frames, c.clock, c.size, c.slots);
    ASSERT_EQ(composed.Count(), frames.size());
    FrameScaler scaler(c.size);
    for (const int index : frames) {
      SCOPED_TRACE(index);
      const Picture* got = composed.Next();
      WorkPicture expected = ComposeFrame(*a, a.sequence.Frame(index), c.clock(index));
      ASSERT_EQ(got != nullptr, expected != nullptr);
      if (!expected) continue;
      scaler.Apply(*expected);
      ASSERT_EQ(got->Width(), expected->Width());
      ASSERT_EQ(got->Height(), expected->Height());
      EXPECT_TRUE(std::equal(got->Bits(), got->Bits() + got->ImageBytes(), expected->Bits()));
    }
    EXPECT_THROW(composed.Next(), std::out_of_range);
  }
}

TEST_F(ParallelExport, OneThreadAndManyWriteTheSameFiles) {
  GifExportOptions diffused;
  diffused.ColorReduction = rmGlobal;
  diffused.DitherMode = dmFloydSteinberg;
  diffused.Merge = diffused.Crop = true;
  GifExportOptions keyed;
  keyed.Transparent = true;
  keyed.Size = {30, 0};
  GifExportOptions sorted;
  sorted.OptimizeColorMap = sorted.SortColors = true;
  sorted.Compression = gcLZW;
  SequenceFiles png;
  png.format = SequenceFormat::Png;
  png.extension = ".png";
  png.transparent = true;
  png.size = {30, 0};
  png.frames = {1, 9, 2};
  auto video = [](VideoFormat format, OutputSize size = {}) {
    VideoExportOptions o;
    o.Format = format;
    o.Size = size;
    return o;
  };

  struct Case {
    const char* name;
    std::function<void(const fs::path& out)> run;  // writes into folder out
  };
  auto sequence = [&](const SequenceFiles& files) {
    return [&, files](const fs::path& out) {
      const SequenceResult r = ExportBitmapSequence(*a, a.sequence, out, "f###", 0, {}, files);
      EXPECT_EQ(r.failed, 0) << r.error;
    };
  };
  auto gif = [&](const GifExportOptions& o) {
    return [&, o](const fs::path& out) { ExportAnimatedGif(*a, a.sequence, o, out / "a.gif"); };
  };
  auto encode = [&](const VideoExportOptions& o, const char* file) {
    return [&, o, file](const fs::path& out) {
      EXPECT_EQ(ExportVideo(*a, a.sequence, o, out / file), FramePassResult::Written);
    };
  };
  const Case cases[] = {
      {"BMP sequence", sequence({})},
      {"PNG sequence, transparent, scaled, every other frame of 1 to 9", sequence(png)},
      {"AVI", [&](const fs::path& out) { EXPECT_TRUE(ExportAvi(*a, a.sequence, out / "a.avi", NoProgress())); }},
      {"WebP", encode(video(VideoFormat::WebP), "a.webp")},
      {"APNG", encode(video(VideoFormat::Apng), "a.png")},
      {"MP4, scaled", encode(video(VideoFormat::Mp4, {64, 0}), "a.mp4")},
      {"WebM", encode(video(VideoFormat::WebM), "a.webm")},
      {"GIF", gif({})},
      {"GIF, one diffused palette, merged", gif(diffused)},
      {"GIF, transparent, scaled", gif(keyed)},
      {"GIF, single colour map, sorted", gif(sorted)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::vector<uint8_t>> files[2];
    for (const unsigned threads : {1u, 4u}) {
      SetWorkerThreads(threads);
      const fs::path out = dir / (std::string("out") + std::to_string(threads));
      fs::remove_all(out);
      fs::create_directory(out);
      c.run(out);
      for (const std::string& name : test::FileNamesIn(out))
        files[threads == 1 ? 0 : 1].push_back(Contents(out / name));
    }
    EXPECT_FALSE(files[0].empty());
    EXPECT_TRUE(files[0] == files[1]);
  }
}

// Cancel in the progress window, or a front end that raises from its
// callback: no file, the old one kept, and every thread of the export gone.
TEST_F(ParallelExport, AStopMidwayLeavesNothingAndNoThreadBehind) {
  SetWorkerThreads(4);
  const fs::path out = dir / "out";
  fs::create_directory(out);
  test::WriteFileBytes(out / "f000.Bmp", {'o', 'l', 'd'});
  test::WriteFileBytes(out / "a.gif", {'o', 'l', 'd'});
  // The GIF writer's threads stay for the next export; start them first.
  ExportAnimatedGif(*a, a.sequence, {}, dir / "warm.gif");
  const auto before = test::FileNamesIn(out);
  const size_t threads_before = ThreadsNow();

  struct Case {
    const char* name;
    std::function<void()> run;
  };
  const Case cases[] = {
      {"WebM, cancelled",
       [&] {
         test::RecordingProgress progress;
         progress.cancel_after = 4;
         VideoExportOptions o;
         o.Format = VideoFormat::WebM;
         EXPECT_EQ(ExportVideo(*a, a.sequence, o, out / "a.webm", progress), FramePassResult::Cancelled);
         EXPECT_EQ(progress.steps.size(), 4u);
       }},
      {"AVI, cancelled",
       [&] {
         test::RecordingProgress progress;
         progress.cancel_after = 6;
         EXPECT_FALSE(ExportAvi(*a, a.sequence, out / "a.avi", progress));
       }},
      {"BMP sequence, stopped by its window",
       [&] {
         EXPECT_THROW(ExportBitmapSequence(*a, a.sequence, out, "f###", 0,
                                           [](int i, const std::string&, SequenceStatus) {
                                             if (i == 5) throw Cancelled();
                                           }),
                      Cancelled);
       }},
      {"GIF, stopped by its window",
       [&] {
         EXPECT_THROW(ExportAnimatedGif(*a, a.sequence, {}, out / "a.gif",
                                        [](int i, int, const Picture&) {
                                          if (i == 3) throw Cancelled();
                                        }),
                      Cancelled);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.run();
    EXPECT_EQ(test::FileNamesIn(out), before);
    EXPECT_EQ(test::ReadFileBytes(out / "f000.Bmp"), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(test::ReadFileBytes(out / "a.gif"), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(ThreadsNow(), threads_before);
  }
}

// Scaling every frame beyond the picture limits fails on the threads that
// compose; the caller gets that failure, as from one thread.
TEST_F(ParallelExport, AFrameThatFailsOnAWorkerFailsAsOnOneThread) {
  const OutputSize beyond{kMaxPictureSide + 1, 1};
  auto failure = [](const std::function<void()>& run) -> std::string {
    try {
      run();
    } catch (const std::exception& e) {
      return std::string(typeid(e).name()) + ": " + e.what();
    }
    return "no failure";
  };
  struct Case {
    const char* name;
    std::function<std::string()> run;
  };
  const Case cases[] = {
      {"BMP sequence: every frame listed",
       [&] {
         SequenceFiles files;
         files.size = beyond;
         const SequenceResult r = ExportBitmapSequence(*a, a.sequence, dir.path(), "f###", 0, {}, files);
         return std::to_string(r.failed) + " " + r.error;
       }},
      {"MP4", [&] {
         VideoExportOptions o;
         o.Format = VideoFormat::Mp4;
         o.Size = beyond;
         return failure([&] { ExportVideo(*a, a.sequence, o, dir / "a.mp4"); });
       }},
      {"GIF", [&] {
         GifExportOptions o;
         o.Size = beyond;
         return failure([&] { ExportAnimatedGif(*a, a.sequence, o, dir / "a.gif"); });
       }},
  };
  const auto before = test::FileNamesIn(dir.path());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetWorkerThreads(1);
    const std::string one = c.run();
    SetWorkerThreads(4);
    EXPECT_EQ(c.run(), one);
    EXPECT_NE(one.find("beyond the picture size limit"), std::string::npos) << one;
    EXPECT_EQ(test::FileNamesIn(dir.path()), before) << "nothing written";
  }
}

}  // namespace
}  // namespace kt58
