// SPDX-License-Identifier: GPL-3.0-or-later
// A project made to be saved into a known file writes its first clip's
// frames straight into that file, and the save leaves them where they are:
// no data file in the program folder and no second copy, and the file is
// byte for byte the project made the usual way. A record that does not end
// where the frames begin falls back to a copying save.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <sstream>
#include <vector>

#include "engine/frame_store.h"
#include "model/project.h"
#include "platform/atomic_file.h"
#include "platform/file_write_buf.h"
#include "support/gif_builder.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

ino_t InodeOf(const fs::path& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return st.st_ino;
}

// Every frame of every store, read by index.
std::vector<std::vector<Picture>> StoredFrames(const Project& p) {
  std::vector<std::vector<Picture>> all;
  for (int k = 0; k < p.References->Count(); ++k) {
    const FrameStore* store = p.References->Item(k)->Store();
    if (!store) continue;
    std::vector<Picture> frames(static_cast<size_t>(store->FrameCount));
    for (size_t i = 0; i < frames.size(); ++i) EXPECT_TRUE(store->ReadFrameAt(static_cast<int>(i), frames[i])) << i;
    all.push_back(std::move(frames));
  }
  return all;
}

void ExpectSameFrames(const std::vector<std::vector<Picture>>& a, const std::vector<std::vector<Picture>>& b) {
  ASSERT_EQ(a.size(), b.size());
  for (size_t k = 0; k < a.size(); ++k) {
    ASSERT_EQ(a[k].size(), b[k].size()) << k;
    for (size_t i = 0; i < a[k].size(); ++i) EXPECT_TRUE(test::PicturesEqual(a[k][i], b[k][i])) << k << " " << i;
  }
}

class WriteOnce : public ::testing::Test {
 protected:
  // A picture under the clip, the clip, a picture over it: the records
  // before and after the store's.
  void AddLayers(Project& p) {
    p.AddLayerFromFile(below_);
    p.AddLayerFromFile(clip_);
    p.AddLayerFromFile(above_);
    ASSERT_EQ(p.References->Count(), 3);
    ASSERT_TRUE(p.References->Item(1)->Store());
  }

  // The same project made the usual way: the store in the program folder,
  // copied by the save.
  std::vector<uint8_t> UsualSave() {
    Project usual;
    AddLayers(usual);
    std::stringstream out;
    EXPECT_TRUE(usual.SaveToStream(out).empty());
    const std::string s = out.str();
    return {s.begin(), s.end()};
  }

  TempDir dir_;
  const fs::path below_ = test::WriteBmpFile(dir_, "below.bmp", test::MakeRandomPicture(120, 90, 7));
  const fs::path clip_ = test::WriteSmallAnimatedGif(dir_.path(), "clip.gif");
  const fs::path above_ = test::WriteBmpFile(dir_, "above.bmp", test::MakeRandomPicture(9, 5, 8));
  const fs::path target_ = dir_ / "made.apf";
  TempDir home_;  // the program folder: made last, it is the one in force
};

TEST_F(WriteOnce, TheSaveLeavesThePlacedFramesWhereTheImportWroteThem) {
  AtomicFile file(target_);
  Project p;
  p.PlaceStoreIn(file);
  AddLayers(p);
  EXPECT_EQ(test::VisibleFilesIn(home_.path()), 0u) << "the clip went into the program folder";
  const ino_t written = InodeOf(file.TempPath());
  const auto frames = StoredFrames(p);

  ASSERT_TRUE(p.SaveToFile(file).empty());
  // The committed project is the file the frames were written into, and it
  // holds the very bytes of the project made the usual way.
  EXPECT_EQ(InodeOf(target_), written);
  EXPECT_EQ(test::ReadFileBytes(target_), UsualSave());
  // The store now reads them inside the project, and so does a reader.
  EXPECT_TRUE(p.References->Item(1)->Store()->InPlace());
  ExpectSameFrames(StoredFrames(p), frames);
  Project back;
  ASSERT_TRUE(back.ReadFromFile(target_).Complete());
  ExpectSameFrames(StoredFrames(back), frames);

  // Saved again elsewhere: the same bytes.
  std::stringstream again;
  ASSERT_TRUE(back.SaveToStream(again).empty());
  const std::string s = again.str();
  EXPECT_EQ(std::vector<uint8_t>(s.begin(), s.end()), UsualSave());

  // Reading the frames one after another starts at the first one, past the
  // room, also in a copy of the store's own.
  FrameStore& store = *back.References->Item(1)->Store();
  store.EnsureOwnFile();
  store.ReadHeader();
  for (const Picture& expected : frames[0]) {
    WorkPicture next = store.ReadNextFrame();
    ASSERT_TRUE(next);
    EXPECT_TRUE(test::PicturesEqual(*next, expected));
  }
}

TEST_F(WriteOnce, ARecordThatDoesNotFitBeforeTheFramesIsSavedByCopying) {
  AtomicFile file(target_);
  // Placed by hand with no room counted for what comes before the record:
  // the picture below takes more than the room the first frame leaves.
  Project placed;
  placed.AddLayerFromFile(below_);
  placed.References->PlaceNextStore(StorePlacement{file.TempPath(), 0, dir_ / "copy.Dat", {}});
  placed.AddLayerFromFile(clip_);
  placed.AddLayerFromFile(above_);
  ASSERT_FALSE(placed.References->Item(1)->Store()->InPlace());
  const auto frames = StoredFrames(placed);

  ASSERT_TRUE(placed.SaveToFile(file).empty());
  EXPECT_EQ(test::ReadFileBytes(target_), UsualSave());
  Project back;
  ASSERT_TRUE(back.ReadFromFile(target_).Complete());
  ExpectSameFrames(StoredFrames(back), frames);
}

TEST_F(WriteOnce, AStoreRefusesARecordAroundFramesItCannotHoldAndWritesNothing) {
  AtomicFile file(target_);
  FrameStore store;
  store.CreateInFile(StorePlacement{file.TempPath(), 0, {}, {}});
  Picture frame = test::MakeRandomPicture(8, 6, 3);
  store.CheckRoomFor(2, frame);
  ASSERT_TRUE(store.AppendFrame(frame));
  ASSERT_TRUE(store.AppendFrame(frame));
  store.WriteHeader();
  const std::vector<uint8_t> before = test::ReadFileBytes(file.TempPath());

  const int fd = ::open(file.TempPath().c_str(), O_WRONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  {
    FileWriteBuf buffer(fd);
    buffer.Guard(store.FirstFrameAt(), static_cast<int64_t>(before.size()));
    std::ostream out(&buffer);
    // Where the record would end past the first frame.
    out.seekp(static_cast<std::streamoff>(store.FirstFrameAt() - 8));
    EXPECT_THROW((void)store.SaveToStream(out), Kt58Error);
    // Nothing written before the frames may reach them either.
    out.seekp(static_cast<std::streamoff>(store.FirstFrameAt() - 2));
    out.write("0123", 4);
    out.flush();
    EXPECT_FALSE(out);
  }
  ::close(fd);
  EXPECT_EQ(test::ReadFileBytes(file.TempPath()), before);
  EXPECT_FALSE(store.InPlace());
}

}  // namespace
}  // namespace kt58
