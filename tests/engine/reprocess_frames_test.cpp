// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/reprocess_frames.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "engine/bmp_codec.h"
#include "engine/errors.h"
#include "support/recording_progress.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

namespace fs = std::filesystem;

Picture Frame(int i) { return test::MakeRandomPicture(6, 4, 500 + static_cast<uint32_t>(i)); }

void FillStore(FrameStore& store, const fs::path& file, int frames) {
  ASSERT_TRUE(store.CreateStoreFile(file));
  for (int i = 0; i < frames; ++i) {
    Picture p = Frame(i);
    ASSERT_TRUE(store.AppendFrame(p));
  }
  store.WriteHeader();
  store.CloseFile();
  ASSERT_TRUE(store.OpenForRead());
  store.ReadHeader();
}

TEST(ReprocessFrames, KeepsTheUnmarkedFramesWithNewOffsets) {
  test::TempDir dir;
  test::RecordingProgress progress;
  FrameStore store;
  FillStore(store, dir / "clip.Dat", 6);
  store.FrameOffsets = {0, 1, 0, 1, 0, 1};
  ReprocessFrames(store, progress);

  EXPECT_EQ(store.FrameCount, 3);
  const int32_t frame_bytes = static_cast<int32_t>(BmpImageSize(Frame(0)));
  EXPECT_EQ(store.FrameOffsets, (std::vector<int64_t>{4, 4 + frame_bytes, 4 + 2 * frame_bytes}));
  EXPECT_EQ(store.AccessMode, am_Read);
  EXPECT_EQ(store.ReadCursor, -1);
  EXPECT_FALSE(fs::exists(dir / "bStream.Tmp"));
  EXPECT_EQ(fs::file_size(dir / "clip.Dat"), static_cast<uintmax_t>(4 + 3 * frame_bytes));

  EXPECT_EQ(store.ReadHeader(), 3);
  for (int kept : {0, 2, 4}) {
    WorkPicture p = store.ReadNextFrame();
    ASSERT_TRUE(p);
    EXPECT_TRUE(test::PicturesEqual(*p, Frame(kept))) << kept;
  }
  WorkPicture p = store.ReadFrame(2);
  ASSERT_TRUE(p);
  EXPECT_TRUE(test::PicturesEqual(*p, Frame(4)));

  std::vector<test::ProgressStep> expected;
  for (int done = 0; done <= 6; ++done) expected.push_back({"Re-Processing Video...", done, 6});
  EXPECT_EQ(progress.steps, expected);
}

TEST(ReprocessFrames, DroppingEveryFrameLeavesAnEmptyStore) {
  test::TempDir dir;
  FrameStore store;
  FillStore(store, dir / "clip.Dat", 2);
  store.FrameOffsets = {1, 7};
  ReprocessFrames(store, NoProgress());
  EXPECT_EQ(store.FrameCount, 0);
  EXPECT_TRUE(store.FrameOffsets.empty());
  EXPECT_FALSE(store.ReadNextFrame());
  EXPECT_EQ(test::ReadFileBytes(dir / "clip.Dat"), (std::vector<uint8_t>{0, 0, 0, 0}));
}

// A file of that name that is not ours is left alone; the temporary takes
// the next free name.
TEST(ReprocessFrames, ATakenTemporaryNameIsPassedOver) {
  test::TempDir dir;
  test::WriteFileBytes(dir / "bStream.Tmp", {'u', 's', 'e', 'r'});
  FrameStore store;
  FillStore(store, dir / "clip.Dat", 3);
  store.FrameOffsets = {1, 0, 1};
  ReprocessFrames(store, NoProgress());
  EXPECT_EQ(store.FrameCount, 1);
  EXPECT_EQ(test::ReadFileBytes(dir / "bStream.Tmp"), (std::vector<uint8_t>{'u', 's', 'e', 'r'}));
  EXPECT_FALSE(fs::exists(dir / "bStream_2.Tmp"));
}

// The temporary file cannot be made (the program folder is a file): the
// store keeps its file and gets its real offsets back in place of the marks.
TEST(ReprocessFrames, AFailureLeavesTheOldStoreIntact) {
  test::TempDir dir;
  FrameStore store;
  FillStore(store, dir / "clip.Dat", 3);
  const auto offsets = store.FrameOffsets;
  const auto bytes = test::ReadFileBytes(dir / "clip.Dat");
  store.FrameOffsets = {1, 0, 1};
  test::WriteFileBytes(dir / "plain-file", {1});
  ::setenv("KT58_HOME", (dir / "plain-file").c_str(), 1);
  EXPECT_THROW(ReprocessFrames(store, NoProgress()), Kt58Error);
  ::setenv("KT58_HOME", dir.path().c_str(), 1);

  EXPECT_EQ(test::ReadFileBytes(dir / "clip.Dat"), bytes);
  EXPECT_EQ(store.FrameCount, 3);
  EXPECT_EQ(store.FrameOffsets, offsets);
  WorkPicture p = store.ReadFrame(1);
  ASSERT_TRUE(p);
  EXPECT_TRUE(test::PicturesEqual(*p, Frame(1)));
}

}  // namespace
}  // namespace kt58
