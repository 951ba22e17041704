// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/frame_store.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <limits>
#include <sstream>
#include <thread>

#include "engine/bmp_codec.h"
#include "engine/errors.h"
#include "engine/free_space.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

namespace fs = std::filesystem;

// A store holding `frames` distinct pictures, reopened for reading the way
// its owner does after an import.
void FillStore(FrameStore& store, const fs::path& file, int frames, int width = 5, int height = 3) {
  ASSERT_TRUE(store.CreateStoreFile(file));
  for (int i = 0; i < frames; ++i) {
    Picture p = test::MakeRandomPicture(width, height, 100 + static_cast<uint32_t>(i));
    ASSERT_TRUE(store.AppendFrame(p));
  }
  store.WriteHeader();
  store.CloseFile();
  ASSERT_TRUE(store.OpenForRead());
}

Picture Expected(int i, int width = 5, int height = 3) {
  return test::MakeRandomPicture(width, height, 100 + static_cast<uint32_t>(i));
}

std::string EmbeddedRecord(FrameStore& store) {
  std::ostringstream out;
  EXPECT_TRUE(store.SaveToStream(out).empty());
  return out.str();
}

void Put32(std::string& s, size_t at, int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) s[at + static_cast<size_t>(i)] = static_cast<char>((u >> (8 * i)) & 0xFF);
}

TEST(BlitStream, FileLayoutIsCountThenBmpImagesAtTheirOffsets) {
  test::TempDir dir;
  FrameStore store;
  FillStore(store, dir / "s.Dat", 3);
  EXPECT_EQ(store.FrameCount, 3);
  ASSERT_EQ(store.FrameOffsets.size(), 3u);
  const auto bytes = test::ReadFileBytes(dir / "s.Dat");
  int32_t count;
  std::memcpy(&count, bytes.data(), 4);
  EXPECT_EQ(count, 3);
  for (int i = 0; i < 3; ++i) {
    const auto image = EncodeBmp(Expected(i));
    const auto at = static_cast<size_t>(store.FrameOffsets[static_cast<size_t>(i)]);
    ASSERT_LE(at + image.size(), bytes.size());
    EXPECT_TRUE(std::equal(image.begin(), image.end(), bytes.begin() + static_cast<ptrdiff_t>(at))) << "frame " << i;
  }
  EXPECT_EQ(store.FrameOffsets[0], 4);
  EXPECT_EQ(bytes.size(), 4 + 3 * EncodeBmp(Expected(0)).size());
}

TEST(BlitStream, SequentialReadingWrapsAroundWithItsCursor) {
  test::TempDir dir;
  FrameStore store;
  FillStore(store, dir / "s.Dat", 3);
  EXPECT_EQ(store.ReadHeader(), 3);
  EXPECT_EQ(store.ReadCursor, 0);
  const int before = LivePictureCount();
  const int expected_frame[] = {0, 1, 2, 0, 1, 2, 0};
  const int expected_cursor[] = {1, 2, 0, 1, 2, 0, 1};
  for (int call = 0; call < 7; ++call) {
    WorkPicture p = store.ReadNextFrame();
    ASSERT_TRUE(p) << "call " << call;
    EXPECT_EQ(LivePictureCount(), before + 1);
    EXPECT_TRUE(test::PicturesEqual(*p, Expected(expected_frame[call]))) << "call " << call;
    EXPECT_EQ(store.ReadCursor, expected_cursor[call]) << "call " << call;
  }
  EXPECT_EQ(LivePictureCount(), before);
}

TEST(BlitStream, ReadFrameByIndexAndContinuingSequentially) {
  test::TempDir dir;
  FrameStore store;
  FillStore(store, dir / "s.Dat", 3);
  store.ReadHeader();

  WorkPicture p = store.ReadFrame(1);
  ASSERT_TRUE(p);
  EXPECT_TRUE(test::PicturesEqual(*p, Expected(1)));
  EXPECT_EQ(store.ReadCursor, 1);
  // Sequential reading goes on from the file position: frame 2.
  p = store.ReadNextFrame();
  ASSERT_TRUE(p);
  EXPECT_TRUE(test::PicturesEqual(*p, Expected(2)));
  EXPECT_EQ(store.ReadCursor, 2);
  // Past the last frame, sequential reading starts over at the first (a
  // video layer played after the view showed one of its frames).
  p = store.ReadNextFrame();
  ASSERT_TRUE(p);
  EXPECT_TRUE(test::PicturesEqual(*p, Expected(0)));
  EXPECT_EQ(store.ReadCursor, 1);
  p = store.ReadFrame(1);
  ASSERT_TRUE(p);
  p = store.ReadNextFrame();
  ASSERT_TRUE(p);
  EXPECT_EQ(store.ReadCursor, 2);
  // With the cursor on the last frame, a read by index rewinds afterwards.
  p = store.ReadFrame(1);
  ASSERT_TRUE(p);
  EXPECT_TRUE(test::PicturesEqual(*p, Expected(1)));
  EXPECT_EQ(store.ReadCursor, 0);
  p = store.ReadNextFrame();
  ASSERT_TRUE(p);
  EXPECT_TRUE(test::PicturesEqual(*p, Expected(0)));

  // Indices outside the offsets: none, and nothing moves.
  store.ReadHeader();
  store.ReadNextFrame();
  const int live = LivePictureCount();
  for (int bad : {5, 3, -1}) {
    EXPECT_FALSE(store.ReadFrame(bad)) << bad;
    EXPECT_EQ(store.ReadCursor, 1) << bad;
    EXPECT_EQ(LivePictureCount(), live);
  }
  p = store.ReadNextFrame();
  ASSERT_TRUE(p);
  EXPECT_TRUE(test::PicturesEqual(*p, Expected(1)));
}

TEST(BlitStream, ModesRefuseTheWrongOperations) {
  test::TempDir dir;
  FrameStore store;
  Picture p = test::MakeRandomPicture(4, 4, 1);
  // No file at all.
  EXPECT_FALSE(store.AppendFrame(p));
  EXPECT_FALSE(store.ReadNextFrame());
  EXPECT_EQ(store.ReadHeader(), -1);

  ASSERT_TRUE(store.CreateStoreFile(dir / "s.Dat"));
  EXPECT_EQ(store.AccessMode, am_Create);
  ASSERT_TRUE(store.AppendFrame(p));
  EXPECT_FALSE(store.ReadNextFrame());
  Picture read;
  EXPECT_FALSE(store.ReadFrame(0));
  EXPECT_FALSE(store.ReadFrameAt(0, read));

  ASSERT_TRUE(store.OpenForRead());
  EXPECT_EQ(store.AccessMode, am_Read);
  EXPECT_FALSE(store.AppendFrame(p));
  EXPECT_EQ(store.FrameCount, 1);
  EXPECT_TRUE(store.ReadFrame(0));
  EXPECT_TRUE(store.ReadFrameAt(0, read));

  // Opening a missing file fails.
  store.CloseFile();
  store.SetFileName(dir / "missing.Dat");
  EXPECT_FALSE(store.OpenForRead());
  EXPECT_FALSE(store.IsOpen());
}

TEST(BlitStream, CreateKeepsTheCountButClearsOffsets) {
  test::TempDir dir;
  FrameStore store;
  store.FrameCount = 7;
  store.FrameOffsets = {1, 2};
  ASSERT_TRUE(store.CreateStoreFile(dir / "s.Dat"));
  EXPECT_EQ(store.FrameCount, 7);
  EXPECT_TRUE(store.FrameOffsets.empty());
  EXPECT_EQ(store.FileName, dir / "s.Dat");
  store.CloseFile();
  EXPECT_EQ(test::ReadFileBytes(dir / "s.Dat"), (std::vector<uint8_t>{7, 0, 0, 0}));
  EXPECT_FALSE(store.CreateStoreFile(dir / "no-such-folder" / "s.Dat"));
}

TEST(BlitStream, EmptyStoreEmbedsAsCountZeroAndAFourByteImage) {
  test::TempDir dir;
  FrameStore store;
  ASSERT_TRUE(store.CreateStoreFile(dir / "s.Dat"));
  const std::string record = EmbeddedRecord(store);
  EXPECT_EQ(record, std::string("\0\0\0\0\4\0\0\0\0\0\0\0", 12));

  FrameStore copy;
  copy.SetFileName(dir / "copy.Dat");
  std::istringstream in(record);
  EXPECT_TRUE(copy.LoadFromStream(in).empty());
  EXPECT_EQ(copy.FrameCount, 0);
  EXPECT_FALSE(copy.ReadNextFrame());
  EXPECT_EQ(test::ReadFileBytes(dir / "copy.Dat"), (std::vector<uint8_t>{0, 0, 0, 0}));
}

TEST(BlitStream, EmbeddingAndRestoringGiveAnIdenticalStore) {
  test::TempDir dir;
  FrameStore store;
  FillStore(store, dir / "a.Dat", 3, 7, 5);
  // A record followed by more project data: the reader stops at its end.
  std::string record = EmbeddedRecord(store) + "TAIL";

  FrameStore copy;
  copy.SetFileName(dir / "b.Dat");
  std::istringstream in(record);
  EXPECT_TRUE(copy.LoadFromStream(in).empty());
  char tail[4];
  ASSERT_TRUE(in.read(tail, 4));
  EXPECT_EQ(std::string(tail, 4), "TAIL");

  EXPECT_EQ(copy.FrameCount, 3);
  EXPECT_EQ(copy.FrameOffsets, store.FrameOffsets);
  EXPECT_EQ(test::ReadFileBytes(dir / "a.Dat"), test::ReadFileBytes(dir / "b.Dat"));
  EXPECT_EQ(copy.ReadCursor, 0);
  for (int i = 0; i < 3; ++i) {
    WorkPicture p = copy.ReadNextFrame();
    ASSERT_TRUE(p);
    EXPECT_TRUE(test::PicturesEqual(*p, Expected(i, 7, 5)));
  }
}

TEST(BlitStream, EmbeddingLargerThanTheCopyBufferKeepsEveryByte) {
  test::TempDir dir;
  FrameStore store;
  // 3 frames of about 3 MiB each: the copy runs through several chunks.
  FillStore(store, dir / "a.Dat", 3, 1024, 1000);
  std::string record = EmbeddedRecord(store);
  FrameStore copy;
  copy.SetFileName(dir / "b.Dat");
  std::istringstream in(record);
  EXPECT_TRUE(copy.LoadFromStream(in).empty());
  EXPECT_EQ(test::ReadFileBytes(dir / "a.Dat"), test::ReadFileBytes(dir / "b.Dat"));
}

TEST(BlitStream, SaveWithAStaleCountStillWritesAReadableRecord) {
  test::TempDir dir;
  FrameStore store;
  store.FrameCount = 4;  // left from an earlier use; the new file has no frames
  ASSERT_TRUE(store.CreateStoreFile(dir / "a.Dat"));
  Picture p = Expected(0);
  ASSERT_TRUE(store.AppendFrame(p));
  std::string record = EmbeddedRecord(store);
  FrameStore copy;
  copy.SetFileName(dir / "b.Dat");
  std::istringstream in(record);
  EXPECT_TRUE(copy.LoadFromStream(in).empty());
  EXPECT_EQ(copy.FrameCount, 1);
  copy.ReadHeader();
  WorkPicture back = copy.ReadNextFrame();
  ASSERT_TRUE(back);
  EXPECT_TRUE(test::PicturesEqual(*back, p));
}

TEST(BlitStream, DestructionDeletesAnOpenFileOnly) {
  test::TempDir dir;
  {
    FrameStore store;
    FillStore(store, dir / "open.Dat", 1);
  }
  EXPECT_FALSE(fs::exists(dir / "open.Dat"));
  {
    FrameStore store;
    FillStore(store, dir / "closed.Dat", 1);
    store.CloseFile();
  }
  EXPECT_TRUE(fs::exists(dir / "closed.Dat"));
}

TEST(BlitStream, AFrameThatCannotBeReadGivesNoneAndNoLeak) {
  test::TempDir dir;
  FrameStore store;
  FillStore(store, dir / "s.Dat", 2);
  store.CloseFile();
  // Cut the second frame short.
  auto bytes = test::ReadFileBytes(dir / "s.Dat");
  bytes.resize(bytes.size() - 10);
  test::WriteFileBytes(dir / "s.Dat", bytes);
  ASSERT_TRUE(store.OpenForRead());
  store.ReadHeader();
  const int live = LivePictureCount();
  EXPECT_TRUE(store.ReadNextFrame());
  EXPECT_FALSE(store.ReadNextFrame());
  EXPECT_EQ(LivePictureCount(), live);
  Picture read;
  EXPECT_FALSE(store.ReadFrame(1));
  EXPECT_FALSE(store.ReadFrameAt(1, read));
  EXPECT_EQ(LivePictureCount(), live);
  // The store stays usable.
  EXPECT_TRUE(store.ReadFrame(0));
  EXPECT_TRUE(store.ReadFrameAt(0, read));
  // Reading straight after Rewind meets the header, not a frame.
  store.Rewind();
  EXPECT_FALSE(store.ReadNextFrame());
}

// Reads by index on two threads at once give exactly what sequential reading
// gives, and leave the sequential reading where it was.
TEST(BlitStream, ReadFrameAtOnTwoThreadsMatchesSequentialReads) {
  test::TempDir dir;
  constexpr int kFrames = 6;
  FrameStore source;
  FillStore(source, dir / "a.Dat", kFrames, 7, 5);
  std::string record = EmbeddedRecord(source);
  // Frame 3 becomes a top-down image: not the store's own layout, so it is
  // decoded the general way.
  Put32(record, 4 + 4 * kFrames + 4 + static_cast<size_t>(source.FrameOffsets[3]) + 22, -5);
  FrameStore store;
  store.SetFileName(dir / "b.Dat");
  std::istringstream in(record);
  ASSERT_TRUE(store.LoadFromStream(in).empty());

  std::vector<Picture> sequential;
  for (int i = 0; i < kFrames; ++i) {
    WorkPicture p = store.ReadNextFrame();
    ASSERT_TRUE(p) << i;
    sequential.push_back(*p);
  }
  EXPECT_FALSE(test::PicturesEqual(sequential[3], Expected(3, 7, 5))) << "the top-down frame reads flipped";
  ASSERT_TRUE(store.ReadNextFrame());
  const int cursor = store.ReadCursor;
  const int64_t position = store.Position();

  // One thread reads forwards, the other backwards, many times over, each
  // into one picture of its own whose buffer every read reuses.
  std::vector<int> wrong[2];
  auto read = [&store, &sequential, &wrong](int t) {
    Picture picture;
    for (int round = 0; round < 25; ++round)
      for (int k = 0; k < kFrames; ++k) {
        const int index = t == 0 ? k : kFrames - 1 - k;
        if (!store.ReadFrameAt(index, picture) ||
            !test::PicturesEqual(picture, sequential[static_cast<size_t>(index)]))
          wrong[t].push_back(index);
      }
  };
  std::thread forwards(read, 0), backwards(read, 1);
  forwards.join();
  backwards.join();
  EXPECT_TRUE(wrong[0].empty()) << "forwards, first wrong frame " << wrong[0].front();
  EXPECT_TRUE(wrong[1].empty()) << "backwards, first wrong frame " << wrong[1].front();
  EXPECT_EQ(store.ReadCursor, cursor);
  EXPECT_EQ(store.Position(), position);
  Picture picture;
  EXPECT_FALSE(store.ReadFrameAt(-1, picture));
  EXPECT_FALSE(store.ReadFrameAt(kFrames, picture));
}

// A hostile record: every prefix of a valid one either loads (only the whole
// record does) or raises EngineError (StoreFormat), and a refused one leaves no file.
TEST(BlitStream, TruncatedRecordsAreRefusedWithoutLeavingAFile) {
  test::TempDir dir;
  FrameStore store;
  FillStore(store, dir / "a.Dat", 2, 2, 2);
  const std::string record = EmbeddedRecord(store);
  for (size_t cut = 0; cut < record.size(); ++cut) {
    FrameStore copy;
    copy.SetFileName(dir / "b.Dat");
    std::istringstream in(record.substr(0, cut));
    EXPECT_EQ(test::ErrorCodeOf<EngineError>([&] { (void)copy.LoadFromStream(in); }), EngineErrorCode::StoreFormat)
        << "cut at " << cut;
    EXPECT_FALSE(fs::exists(dir / "b.Dat")) << "cut at " << cut;
    EXPECT_EQ(copy.FrameCount, 0);
    EXPECT_TRUE(copy.FrameOffsets.empty());
  }
}

TEST(BlitStream, InconsistentRecordsAreRefused) {
  test::TempDir dir;
  FrameStore store;
  FillStore(store, dir / "a.Dat", 2, 2, 2);
  const std::string good = EmbeddedRecord(store);
  // Layout: count @0, offsets @4 and @8, image size @12, image @16.
  const int32_t image_size = static_cast<int32_t>(good.size() - 16);
  struct Case {
    const char* what;
    size_t at;
    int32_t value;
  } cases[] = {
      {"negative count", 0, -1},
      {"huge count", 0, 0x7FFFFFFF},
      {"count beyond the data", 0, 3},
      {"offsets out of order", 4, 62},
      {"offset inside the header", 4, 0},
      {"negative offset", 8, -5},
      {"offset past the image", 8, image_size},
      {"frames overlapping", 8, 5},
      {"image size too small", 12, 3},
      {"image size beyond the data", 12, image_size + 1},
      {"negative image size", 12, -4},
      {"image header disagrees", 16, 1},
  };
  for (const auto& c : cases) {
    std::string bad = good;
    Put32(bad, c.at, c.value);
    FrameStore copy;
    copy.SetFileName(dir / "b.Dat");
    std::istringstream in(bad);
    EXPECT_EQ(test::ErrorCodeOf<EngineError>([&] { (void)copy.LoadFromStream(in); }), EngineErrorCode::StoreFormat)
        << c.what;
    EXPECT_FALSE(fs::exists(dir / "b.Dat")) << c.what;
  }
}

// A refused record must not destroy the previous file of that name either.
TEST(BlitStream, RefusedRecordLeavesAnExistingFileAlone) {
  test::TempDir dir;
  FrameStore store;
  FillStore(store, dir / "a.Dat", 1, 2, 2);
  const std::string good = EmbeddedRecord(store);
  test::WriteFileBytes(dir / "b.Dat", {1, 2, 3});
  FrameStore copy;
  copy.SetFileName(dir / "b.Dat");
  std::istringstream in(good.substr(0, good.size() - 1));
  EXPECT_EQ(test::ErrorCodeOf<EngineError>([&] { (void)copy.LoadFromStream(in); }), EngineErrorCode::StoreFormat);
  EXPECT_EQ(test::ReadFileBytes(dir / "b.Dat"), (std::vector<uint8_t>{1, 2, 3}));
}

// Offsets are 64-bit: frames beyond 4 GiB are appended, recorded and read
// back at their offsets, where a 32-bit offset would wrap onto the header.
// The hole before them is sparse and costs no disk.
TEST(BlitStream, FramesPastFourGiBAreReadAtTheir64BitOffsets) {
  test::TempDir dir;
  FrameStore store;
  ASSERT_TRUE(store.CreateStoreFile(dir / "s.Dat"));
  Picture first = Expected(0), second = Expected(1), third = Expected(2);
  ASSERT_TRUE(store.AppendFrame(first));
  const int64_t far = (int64_t{1} << 32) + 1000;
  std::error_code ec;
  fs::resize_file(dir / "s.Dat", static_cast<uintmax_t>(far), ec);
  if (ec) GTEST_SKIP() << "cannot make a sparse 4 GiB file here: " << ec.message();
  ASSERT_TRUE(store.AppendFrame(second));
  ASSERT_TRUE(store.AppendFrame(third));
  const auto frame_bytes = static_cast<int64_t>(BmpImageSize(first));
  EXPECT_EQ(store.FrameOffsets, (std::vector<int64_t>{4, far, far + frame_bytes}));
  store.WriteHeader();
  store.CloseFile();
  EXPECT_EQ(store.NeededRecordWidth(), StoreRecordWidth::Offsets64);

  ASSERT_TRUE(store.OpenForRead());
  EXPECT_EQ(store.ReadHeader(), 3);
  for (int i : {2, 0, 1}) {
    WorkPicture p = store.ReadFrame(i);
    ASSERT_TRUE(p) << i;
    EXPECT_TRUE(test::PicturesEqual(*p, Expected(i))) << i;
    Picture q;
    ASSERT_TRUE(store.ReadFrameAt(i, q)) << i;
    EXPECT_TRUE(test::PicturesEqual(q, Expected(i))) << i;
  }
  // Sequential reading goes on past 4 GiB: frame 2 after frame 1.
  ASSERT_TRUE(store.ReadFrame(1));
  WorkPicture next = store.ReadNextFrame();
  ASSERT_TRUE(next);
  EXPECT_TRUE(test::PicturesEqual(*next, Expected(2)));

  // A record of 32-bit offsets cannot hold the store: refused before a byte
  // goes out, so the target is not left with half a record.
  std::ostringstream out;
  EXPECT_THROW((void)store.SaveToStream(out, StoreRecordWidth::Offsets32), Kt58Error);
  EXPECT_TRUE(out.str().empty());
}

void Put64(std::string& s, size_t at, int64_t v) {
  const auto u = static_cast<uint64_t>(v);
  for (int i = 0; i < 8; ++i) s[at + static_cast<size_t>(i)] = static_cast<char>((u >> (8 * i)) & 0xFF);
}

TEST(BlitStream, RecordsOf64BitOffsetsRoundTripAndRefuseHostileValues) {
  test::TempDir dir;
  FrameStore store;
  FillStore(store, dir / "a.Dat", 2, 3, 2);
  std::ostringstream out;
  ASSERT_TRUE(store.SaveToStream(out, StoreRecordWidth::Offsets64).empty());
  const std::string good = out.str();
  const auto image_bytes = static_cast<int64_t>(fs::file_size(dir / "a.Dat"));
  // Layout: count @0, offsets @4 and @12, image size @20, image @28.
  ASSERT_EQ(good.size(), 28 + static_cast<size_t>(image_bytes));
  {
    FrameStore copy;
    copy.SetFileName(dir / "b.Dat");
    std::istringstream in(good);
    EXPECT_TRUE(copy.LoadFromStream(in, StoreRecordWidth::Offsets64).empty());
    EXPECT_EQ(copy.FrameOffsets, store.FrameOffsets);
    EXPECT_EQ(test::ReadFileBytes(dir / "a.Dat"), test::ReadFileBytes(dir / "b.Dat"));
  }
  const int64_t second = store.FrameOffsets[1];
  struct Case {
    const char* what;
    size_t at;
    int64_t value;
  } cases[] = {
      // The low halves are the good offsets: a reader that kept 32 bits
      // would take these.
      {"offset past 4 GiB, beyond the image", 12, (int64_t{1} << 32) + second},
      {"offset at the largest value", 12, std::numeric_limits<int64_t>::max()},
      {"negative offset", 12, -(int64_t{1} << 32) + second},
      {"image size past 4 GiB, beyond the data", 20, (int64_t{1} << 32) + image_bytes},
      {"image size at the largest value", 20, std::numeric_limits<int64_t>::max()},
      {"negative image size", 20, std::numeric_limits<int64_t>::min() + image_bytes},
  };
  for (const auto& c : cases) {
    std::string bad = good;
    Put64(bad, c.at, c.value);
    FrameStore copy;
    copy.SetFileName(dir / "b.Dat");
    std::istringstream in(bad);
    EXPECT_EQ(test::ErrorCodeOf<EngineError>([&] { (void)copy.LoadFromStream(in, StoreRecordWidth::Offsets64); }),
              EngineErrorCode::StoreFormat)
        << c.what;
    EXPECT_FALSE(fs::exists(dir / "b.Dat")) << c.what;
  }
}

// The budget is the free space of the store's file system: a need beyond it
// is refused naming the file and both numbers, before anything is written.
TEST(BlitStream, RoomForFramesIsCheckedAgainstTheFreeSpace) {
  test::TempDir dir;
  FrameStore store;
  ASSERT_TRUE(store.CreateStoreFile(dir / "s.Dat"));
  Picture p = test::MakeRandomPicture(4096, 4096, 1);  // 48 MiB a frame
  EXPECT_NO_THROW(store.CheckRoomFor(1, p));
  const int64_t frames = int64_t{1} << 30;  // 54 PB in all
  const uint64_t needed = static_cast<uint64_t>(frames) * BmpImageSize(p);
  const uint64_t free_bytes = fs::space(dir.path()).available;
  if (free_bytes >= needed) GTEST_SKIP() << "this file system holds " << needed << " bytes";
  try {
    store.CheckRoomFor(frames, p);
    ADD_FAILURE() << "no error";
  } catch (const ENotEnoughSpace& e) {
    const std::string text = e.what();
    EXPECT_NE(text.find((dir / "s.Dat").string()), std::string::npos) << text;
    EXPECT_NE(text.find(std::to_string(needed) + " bytes are needed"), std::string::npos) << text;
  }
  EXPECT_EQ(fs::file_size(dir / "s.Dat"), 4u);
}

// A file system that refuses a frame's bytes (here the file-size limit):
// the append raises with the system's reason and the frame is not counted.
TEST(BlitStream, AFrameTheDiskRefusesRaisesWithTheReason) {
  test::TempDir dir;
  FrameStore store;
  ASSERT_TRUE(store.CreateStoreFile(dir / "s.Dat"));
  Picture p = test::MakeRandomPicture(300, 200, 1);  // 180 KB a frame
  ASSERT_TRUE(store.AppendFrame(p));
  test::FileSizeLimit limit(static_cast<uint64_t>(4 + BmpImageSize(p) + BmpImageSize(p) / 2));
  try {
    store.AppendFrame(p);
    ADD_FAILURE() << "no error";
  } catch (const EngineError& e) {
    EXPECT_EQ(e.Code(), EngineErrorCode::StoreWrite);
    const std::string text = e.what();
    EXPECT_NE(text.find((dir / "s.Dat").string()), std::string::npos) << text;
    EXPECT_NE(text.find(std::strerror(EFBIG)), std::string::npos) << text;
  }
  EXPECT_EQ(store.FrameCount, 1);
  EXPECT_EQ(store.FrameOffsets.size(), 1u);
}

// A source that cannot seek cannot tell its length: the offsets are read in
// slices as they arrive, so a huge count in a short record fails without a
// huge allocation.
struct OneWayBuf : std::streambuf {
  explicit OneWayBuf(std::string bytes) : data(std::move(bytes)) { setg(data.data(), data.data(), data.data() + data.size()); }
  std::string data;
};

TEST(BlitStream, UnseekableSourcesAreReadAsTheyArrive) {
  test::TempDir dir;
  FrameStore store;
  FillStore(store, dir / "a.Dat", 2, 2, 2);
  const std::string good = EmbeddedRecord(store);
  {
    OneWayBuf buf(good);
    std::istream in(&buf);
    ASSERT_EQ(in.tellg(), std::streampos(-1));
    FrameStore copy;
    copy.SetFileName(dir / "b.Dat");
    EXPECT_TRUE(copy.LoadFromStream(in).empty());
    EXPECT_EQ(copy.FrameOffsets, store.FrameOffsets);
  }
  std::string huge = good;
  Put32(huge, 0, 0x10000000);
  OneWayBuf buf(huge);
  std::istream in(&buf);
  FrameStore copy;
  copy.SetFileName(dir / "b.Dat");
  EXPECT_EQ(test::ErrorCodeOf<EngineError>([&] { (void)copy.LoadFromStream(in); }), EngineErrorCode::StoreFormat);
  EXPECT_FALSE(fs::exists(dir / "b.Dat"));
}

// A project stream that stops taking bytes: the user is told, the store
// itself stays as it was.
struct FullBuf : std::streambuf {
  int_type overflow(int_type) override { return traits_type::eof(); }
};

TEST(BlitStream, AFailingTargetIsReported) {
  test::TempDir dir;
  FrameStore store;
  FillStore(store, dir / "a.Dat", 2, 2, 2);
  FullBuf buf;
  std::ostream out(&buf);
  const std::vector<StoreProblem> problems = store.SaveToStream(out);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].message, "Internal Streaming Error");
  EXPECT_NE(problems[0].cause.find((dir / "a.Dat").string()), std::string::npos) << problems[0].cause;
  store.ReadHeader();
  EXPECT_TRUE(store.ReadNextFrame());
}

}  // namespace
}  // namespace kt58
