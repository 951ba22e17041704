// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/avi_import.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <optional>

#include "support/avi_test_support.h"
#include "support/recording_progress.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

namespace fs = std::filesystem;

struct Imported {
  WorkPicture first;
  std::vector<Picture> frames;
};

// Imports into a fresh store and reads every frame back the way the owner
// does (close, reopen, ReadHeader).
Imported ImportFrames(const fs::path& avi, const fs::path& store_file, Progress& progress = NoProgress()) {
  FrameStore store;
  if (!store.CreateStoreFile(store_file)) throw std::runtime_error("cannot create the store");
  Imported r;
  r.first = ImportAvi(store, avi, false, progress);
  store.CloseFile();
  if (!store.OpenForRead()) throw std::runtime_error("cannot reopen the store");
  EXPECT_EQ(store.ReadHeader(), r.first ? store.FrameCount : 0);
  for (int i = 0; i < store.FrameCount; ++i) {
    WorkPicture p = store.ReadNextFrame();
    if (!p) throw std::runtime_error("frame cannot be read back");
    r.frames.push_back(*p);
  }
  return r;
}

Picture RawFrame(const test::RawFrames& raw, size_t i) {
  Picture p(raw.width, raw.height);
  for (int y = 0; y < raw.height; ++y)
    for (int b = 0; b < raw.width * 3; ++b) p.Row(y)[b] = raw.Pixel(i, y, b);
  return p;
}

// The reports of an import of frames [start, length): the preparation, then
// one before each frame is decoded.
std::vector<test::ProgressStep> ImportSteps(int start, int length) {
  std::vector<test::ProgressStep> steps = {{"Preparing for Import...", 0, 0}};
  for (int p = start; p < length; ++p) steps.push_back({"Converting AVI to kt58 BlitStream", p - start, length - start});
  return steps;
}

// Largest difference of any channel of any pixel.
int MaxDifference(const Picture& a, const Picture& b) {
  int worst = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width() * 3; ++x) worst = std::max(worst, std::abs(a.Row(y)[x] - b.Row(y)[x]));
  return worst;
}

TEST(AviImport, StoresEveryFrameAsFfmpegDecodesIt) {
  test::TempDir dir;
  for (const char* name : {"bgr24_bottomup", "pal8_palette_changes", "mjpeg", "mpeg4_bframes_with_audio"}) {
    SCOPED_TRACE(name);
    test::RecordingProgress progress;
    const int live_before = LivePictureCount();
    const auto avi = dir / (std::string(name) + ".avi");
    ASSERT_TRUE(test::MakeAvi(test::FindAviCase(name), avi));
    const test::RawFrames expected = test::DecodeWithFfmpeg(avi, dir.path());
    ASSERT_EQ(expected.count, 10u);

    Imported got = ImportFrames(avi, dir / "s.Dat", progress);
    ASSERT_TRUE(got.first);
    ASSERT_EQ(got.frames.size(), 10u);
    for (size_t i = 0; i < 10; ++i) EXPECT_TRUE(test::PicturesEqual(got.frames[i], RawFrame(expected, i))) << i;
    EXPECT_TRUE(test::PicturesEqual(*got.first, got.frames[0]));
    EXPECT_EQ(progress.steps, ImportSteps(0, 10));
    FreeWorkPicture(got.first);
    EXPECT_EQ(LivePictureCount(), live_before) << "the import's own pictures are all freed";
  }
}

TEST(AviImport, StreamStartingAtTwoWithLengthTenGivesEightFrames) {
  test::TempDir dir;
  test::RecordingProgress progress;
  const auto avi = dir / "start2.avi";
  ASSERT_TRUE(test::MakeAvi(test::FindAviCase("bgr24_topdown"), avi));
  const test::RawFrames all = test::DecodeWithFfmpeg(avi, dir.path());
  test::PatchStreamStart(avi, 2);

  Imported got = ImportFrames(avi, dir / "s.Dat", progress);
  ASSERT_TRUE(got.first);
  ASSERT_EQ(got.frames.size(), 8u);
  // Position 2 holds the stream's first frame.
  for (size_t i = 0; i < 8; ++i) EXPECT_TRUE(test::PicturesEqual(got.frames[i], RawFrame(all, i))) << i;
  EXPECT_EQ(progress.steps, ImportSteps(2, 10));
}

TEST(AviImport, ProbeGivesTheFirstFrameAndStoresNothing) {
  test::TempDir dir;
  test::RecordingProgress progress;
  const auto avi = dir / "a.avi";
  ASSERT_TRUE(test::MakeAvi(test::FindAviCase("mpeg4_bframes"), avi));
  const test::RawFrames expected = test::DecodeWithFfmpeg(avi, dir.path());

  FrameStore store;
  ASSERT_TRUE(store.CreateStoreFile(dir / "s.Dat"));
  store.FrameCount = 3;  // left from an earlier use
  store.FrameOffsets = {4, 8, 12};
  WorkPicture first = ImportAvi(store, avi, true, progress);
  ASSERT_TRUE(first);
  EXPECT_TRUE(test::PicturesEqual(*first, RawFrame(expected, 0)));
  EXPECT_EQ(store.FrameCount, 0);
  EXPECT_TRUE(store.FrameOffsets.empty());
  EXPECT_TRUE(progress.steps.empty());
}

TEST(AviImport, CancelDiscardsTheStoreAndItsFile) {
  test::TempDir dir;
  const auto avi = dir / "a.avi";
  ASSERT_TRUE(test::MakeAvi(test::FindAviCase("bgr24_bottomup"), avi));
  // Report 2 comes before frame 0 is decoded, report 6 before frame 4, the
  // last before frame 9.
  for (size_t cancel_after : {2u, 6u, 11u}) {
    SCOPED_TRACE(cancel_after);
    test::RecordingProgress progress;
    progress.cancel_after = cancel_after;
    const int live_before = LivePictureCount();
    {
      FrameStore store;
      ASSERT_TRUE(store.CreateStoreFile(dir / "s.Dat"));
      EXPECT_THROW(ImportAvi(store, avi, false, progress), Cancelled);
      EXPECT_EQ(progress.steps.size(), cancel_after) << "no frame is decoded after the cancel";
      EXPECT_FALSE(store.IsOpen());
      EXPECT_EQ(store.FrameCount, 0);
      EXPECT_TRUE(store.FrameOffsets.empty());
      EXPECT_FALSE(fs::exists(dir / "s.Dat")) << "the store file goes before the store does";
    }
    EXPECT_EQ(LivePictureCount(), live_before);
  }
}

TEST(AviImport, RefusalsLeaveNoResult) {
  test::TempDir dir;
  const auto avi = dir / "a.avi";
  ASSERT_TRUE(test::MakeAvi(test::FindAviCase("bgr24_topdown"), avi));
  test::WriteFileBytes(dir / "not.avi", std::vector<uint8_t>(4096, 'x'));

  {  // A store without a file, or a missing path: nothing at all happens.
    test::RecordingProgress progress;
    FrameStore closed;
    closed.FrameCount = 2;
    EXPECT_FALSE(ImportAvi(closed, avi, false, progress));
    EXPECT_EQ(closed.FrameCount, 2);
    FrameStore store;
    ASSERT_TRUE(store.CreateStoreFile(dir / "s.Dat"));
    store.FrameCount = 2;
    EXPECT_FALSE(ImportAvi(store, dir / "missing.avi", false, progress));
    EXPECT_EQ(store.FrameCount, 2);
    EXPECT_TRUE(progress.steps.empty());
  }
  {  // A file that is no AVI: the store is emptied after the first report.
    test::RecordingProgress progress;
    FrameStore store;
    ASSERT_TRUE(store.CreateStoreFile(dir / "s.Dat"));
    store.FrameCount = 2;
    store.FrameOffsets = {4, 8};
    EXPECT_FALSE(ImportAvi(store, dir / "not.avi", false, progress));
    EXPECT_EQ(store.FrameCount, 0);
    EXPECT_TRUE(store.FrameOffsets.empty());
    EXPECT_EQ(progress.steps, ImportSteps(0, 0));
  }
  {  // A store that refuses frames fails the import rather than dropping them.
    FrameStore store;
    ASSERT_TRUE(store.CreateStoreFile(dir / "s.Dat"));
    store.CloseFile();
    ASSERT_TRUE(store.OpenForRead());
    const int live_before = LivePictureCount();
    EXPECT_FALSE(ImportAvi(store, avi, false, NoProgress()));
    EXPECT_EQ(LivePictureCount(), live_before);
  }
}

TEST(AviImport, UndecodableFrameEndsTheImportWithWhatCameBefore) {
  test::TempDir dir;
  const auto avi = dir / "a.avi";
  ASSERT_TRUE(test::MakeAvi(test::FindAviCase("bgr24_topdown"), avi));
  const test::RawFrames expected = test::DecodeWithFfmpeg(avi, dir.path());
  // Frame 3's chunk is cut short: the frames before it are kept.
  auto bytes = test::ReadFileBytes(avi);
  const std::string movi = "movi";
  const size_t first_chunk =
      static_cast<size_t>(std::search(bytes.begin(), bytes.end(), movi.begin(), movi.end()) - bytes.begin()) + 4;
  const size_t chunk = 8 + 64 * 48 * 3;
  const size_t size_field = first_chunk + 3 * chunk + 4;
  ASSERT_EQ(bytes.at(first_chunk + 3 * chunk + 2), 'd');
  bytes[size_field] = 100;
  bytes[size_field + 1] = 0;
  test::WriteFileBytes(avi, bytes);

  Imported got = ImportFrames(avi, dir / "s.Dat");
  ASSERT_TRUE(got.first);
  ASSERT_EQ(got.frames.size(), 3u);
  for (size_t i = 0; i < 3; ++i) EXPECT_TRUE(test::PicturesEqual(got.frames[i], RawFrame(expected, i))) << i;
}

// Every corpus AVI imports without a crash; ffmpeg-made ones match their
// reference frames (exactly where the codec is lossless).
TEST(AviImport, CorpusFiles) {
  KT58_REQUIRE_CORPUS(corpus, "avi");
  test::TempDir dir;
  const std::map<std::string, int> lossy_tolerance = {{"mjpeg", 3}, {"cinepak", 3}};
  int compared = 0;
  for (const auto& entry : fs::recursive_directory_iterator(corpus)) {
    if (entry.path().extension() != ".avi") continue;
    SCOPED_TRACE(entry.path().string());
    Imported got = ImportFrames(entry.path(), dir / "s.Dat");
    const std::string stem = entry.path().stem().string();
    const fs::path expected_dir = entry.path().parent_path() / "expected" / stem;
    if (!fs::is_directory(expected_dir)) continue;
    ASSERT_TRUE(got.first);
    ASSERT_EQ(got.frames.size(), 8u);
    const auto tolerance = lossy_tolerance.find(stem);
    for (size_t i = 0; i < got.frames.size(); ++i) {
      const test::RgbaImage png = test::ReadPng(expected_dir / ("frame-0" + std::to_string(i) + ".png"));
      Picture ref(png.width, png.height);
      for (int y = 0; y < png.height; ++y)
        for (int x = 0; x < png.width; ++x) {
          const uint8_t* px = &png.rgba[(static_cast<size_t>(y) * png.width + x) * 4];
          test::SetPixelColor(ref, x, y, RGBColor(px[0], px[1], px[2]));
        }
      if (tolerance == lossy_tolerance.end()) {
        EXPECT_TRUE(test::PicturesEqual(got.frames[i], ref)) << "frame " << i;
      } else {
        ASSERT_EQ(got.frames[i].Width(), ref.Width());
        ASSERT_EQ(got.frames[i].Height(), ref.Height());
        EXPECT_LE(MaxDifference(got.frames[i], ref), tolerance->second) << "frame " << i;
      }
    }
    ++compared;
  }
  EXPECT_GE(compared, 10);
}

}  // namespace
}  // namespace kt58
