// SPDX-License-Identifier: GPL-3.0-or-later
// A project read from a file reads the frames of its clips where they lie in
// it: nothing is copied out when it is opened, a save over the same file
// keeps them readable, and a change to a clip gives it a file of its own
// while the project file stays as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "engine/bmp_codec.h"
#include "engine/frame_store.h"
#include "engine/reprocess_frames.h"
#include "model/project.h"
#include "support/gif_builder.h"
#include "support/recording_progress.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

class InPlaceProject : public ::testing::Test {
 protected:
  // A saved project of two animated GIF layers (two stores), and the frames
  // each store holds, read back through a copy of the store.
  void SetUp() override {
    Project made;
    made.AddLayerFromFile(test::WriteSmallAnimatedGif(sources_.path(), "spin.gif"));
    made.AddLayerFromFile(test::WriteSmallAnimatedGif(sources_.path(), "turn.gif"));
    ASSERT_EQ(made.References->Count(), 2);
    ASSERT_TRUE(made.SaveToFile(file_).empty());
    saved_ = test::ReadFileBytes(file_);
    for (int k = 0; k < 2; ++k) {
      const FrameStore& store = *made.References->Item(k)->Store();
      std::vector<Picture> frames(static_cast<size_t>(store.FrameCount));
      for (size_t i = 0; i < frames.size(); ++i) ASSERT_TRUE(store.ReadFrameAt(static_cast<int>(i), frames[i]));
      frames_.push_back(std::move(frames));
    }
  }

  // Every frame of every store, by index and sequentially, as it was made.
  void ExpectFrames(const Project& p) {
    for (int k = 0; k < 2; ++k) {
      FrameStore& store = *p.References->Item(k)->Store();
      ASSERT_EQ(store.FrameCount, static_cast<int>(frames_[k].size()));
      store.ReadHeader();
      for (size_t i = 0; i < frames_[k].size(); ++i) {
        Picture at;
        ASSERT_TRUE(store.ReadFrameAt(static_cast<int>(i), at)) << k << " " << i;
        EXPECT_TRUE(test::PicturesEqual(at, frames_[k][i])) << k << " " << i;
        WorkPicture next = store.ReadNextFrame();
        ASSERT_TRUE(next) << k << " " << i;
        EXPECT_TRUE(test::PicturesEqual(*next, frames_[k][i])) << k << " " << i;
      }
    }
  }

  TempDir sources_;
  const fs::path file_ = sources_ / "p.apf";
  std::vector<uint8_t> saved_;
  std::vector<std::vector<Picture>> frames_;
  TempDir home_;  // the program folder, where copies of stores would go
};

TEST_F(InPlaceProject, OpeningReadsTheFramesFromTheProjectFileAndWritesNothing) {
  Project p;
  const ProjectReadResult r = p.ReadFromFile(file_);
  ASSERT_TRUE(r.Complete()) << r.message << " " << r.cause;
  EXPECT_TRUE(p.References->Item(0)->Store()->InPlace());
  EXPECT_TRUE(p.References->Item(1)->Store()->InPlace());
  ExpectFrames(p);
  EXPECT_EQ(test::VisibleFilesIn(home_.path()), 0u);

  // Read from a stream, the stores are copied out as before.
  std::ifstream in(file_, std::ios::binary);
  Project copied;
  ASSERT_TRUE(copied.ReadFromStream(in).Complete());
  EXPECT_FALSE(copied.References->Item(0)->Store()->InPlace());
  EXPECT_EQ(test::VisibleFilesIn(home_.path()), 2u);
}

TEST_F(InPlaceProject, SavingOverItsOwnFileKeepsEveryFrameAndByte) {
  Project p;
  ASSERT_TRUE(p.ReadFromFile(file_).Complete());
  // The save replaces the file the frames are read from.
  ASSERT_TRUE(p.SaveToFile(file_).empty());
  EXPECT_EQ(test::ReadFileBytes(file_), saved_);
  ExpectFrames(p);
  const fs::path other = sources_ / "q.apf";
  ASSERT_TRUE(p.SaveToFile(other).empty());
  fs::remove(file_);
  ExpectFrames(p);
  EXPECT_EQ(test::ReadFileBytes(other), saved_);
  EXPECT_EQ(test::VisibleFilesIn(home_.path()), 0u);
}

TEST_F(InPlaceProject, AChangedClipGetsAFileOfItsOwnAndTheProjectStays) {
  Project p;
  ASSERT_TRUE(p.ReadFromFile(file_).Complete());
  FrameStore& cropped = *p.References->Item(0)->Store();
  ASSERT_EQ(cropped.FrameCount, 3);
  // Re-processing drops the marked frame 1 straight from the project file.
  cropped.FrameOffsets = {0, 1, 0};
  test::RecordingProgress progress;
  ReprocessFrames(cropped, progress);
  EXPECT_FALSE(cropped.InPlace());
  EXPECT_EQ(cropped.FileName.parent_path(), home_.path());
  ASSERT_EQ(cropped.FrameCount, 2);
  Picture first, second;
  ASSERT_TRUE(cropped.ReadFrameAt(0, first) && cropped.ReadFrameAt(1, second));
  EXPECT_TRUE(test::PicturesEqual(first, frames_[0][0]));
  EXPECT_TRUE(test::PicturesEqual(second, frames_[0][2]));

  // A copy made before a change reads the same frames, with the project
  // file gone.
  FrameStore& copied = *p.References->Item(1)->Store();
  copied.EnsureOwnFile();
  EXPECT_FALSE(copied.InPlace());
  EXPECT_EQ(test::VisibleFilesIn(home_.path()), 2u);
  EXPECT_EQ(test::ReadFileBytes(file_), saved_);
  fs::remove(file_);
  for (size_t i = 0; i < frames_[1].size(); ++i) {
    Picture at;
    ASSERT_TRUE(copied.ReadFrameAt(static_cast<int>(i), at));
    EXPECT_TRUE(test::PicturesEqual(at, frames_[1][i])) << i;
  }
}

TEST_F(InPlaceProject, ACopyTheDiskRefusesLeavesTheClipReadingInPlace) {
  Project p;
  ASSERT_TRUE(p.ReadFromFile(file_).Complete());
  FrameStore& store = *p.References->Item(0)->Store();
  {
    const test::FileSizeLimit limit(100);
    EXPECT_THROW(store.EnsureOwnFile(), EngineError);
  }
  EXPECT_TRUE(store.InPlace());
  EXPECT_EQ(test::VisibleFilesIn(home_.path()), 0u);
  ExpectFrames(p);
}

}  // namespace
}  // namespace kt58
