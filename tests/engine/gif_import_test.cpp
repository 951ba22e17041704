// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/gif_import.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "engine/errors.h"
#include "support/gif_builder.h"
#include "support/recording_progress.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

namespace fs = std::filesystem;

const std::vector<GifRgb> kPalette = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
constexpr Color kRed = RGBColor(255, 0, 0), kGreen = RGBColor(0, 255, 0), kBlue = RGBColor(0, 0, 255);

// Imports the GIF into a fresh store and reads every frame back the way the
// owner does (close, reopen, ReadHeader). Nothing when the import refuses.
std::optional<std::vector<Picture>> ImportFrames(const fs::path& gif, const fs::path& store_file,
                                                  Picture* still = nullptr, Progress& progress = NoProgress()) {
  FrameStore store;
  if (!store.CreateStoreFile(store_file)) throw std::runtime_error("cannot create the store");
  WorkPicture first = ImportGif(store, gif, false, progress);
  if (!first) return std::nullopt;
  if (still) *still = *first;
  store.CloseFile();
  if (!store.OpenForRead()) throw std::runtime_error("cannot reopen the store");
  EXPECT_EQ(store.ReadHeader(), store.FrameCount);
  std::vector<Picture> frames;
  for (int i = 0; i < store.FrameCount; ++i) {
    WorkPicture p = store.ReadNextFrame();
    if (!p) throw std::runtime_error("frame cannot be read back");
    frames.push_back(*p);
  }
  return frames;
}

TEST(GifImport, FramesAccumulateImagesWithoutDisposal) {
  test::TempDir dir;
  test::RecordingProgress progress;
  test::GifImageSpec second = test::SolidGifImage(10, 10, 10, 10, 3);
  second.disposal = 2;  // restore to background: not applied
  test::WriteFileBytes(dir / "a.gif",
                       test::BuildGif(20, 20, kPalette, 2, {test::SolidGifImage(0, 0, 10, 10, 1), second}));
  Picture still;
  auto frames = ImportFrames(dir / "a.gif", dir / "s.Dat", &still, progress);
  ASSERT_TRUE(frames);
  ASSERT_EQ(frames->size(), 2u);

  // Frame 0: the first image over the background (green); frame 1: both.
  Picture expected0(20, 20), expected1(20, 20);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) {
      const Color c = (x < 10 && y < 10) ? kRed : kGreen;
      test::SetPixelColor(expected0, x, y, c);
      test::SetPixelColor(expected1, x, y, (x >= 10 && y >= 10) ? kBlue : c);
    }
  EXPECT_TRUE(test::PicturesEqual((*frames)[0], expected0));
  EXPECT_TRUE(test::PicturesEqual((*frames)[1], expected1));
  EXPECT_TRUE(test::PicturesEqual(still, expected0));

  // One report before the frames and one after each frame stored.
  const std::string text = "Converting GIF to kt58 BlitStream";
  EXPECT_EQ(progress.steps, (std::vector<test::ProgressStep>{{text, 0, 2}, {text, 0, 2}, {text, 1, 2}}));
}

TEST(GifImport, CancelDiscardsTheStoreAndItsFile) {
  test::TempDir dir;
  test::WriteFileBytes(dir / "a.gif", test::BuildGif(4, 4, kPalette, 0,
                                                     {test::SolidGifImage(0, 0, 4, 4, 1),
                                                      test::SolidGifImage(0, 0, 2, 2, 2),
                                                      test::SolidGifImage(1, 1, 2, 2, 3)}));
  // Report 1 comes before any frame is stored, report 3 after the second.
  for (size_t cancel_after : {1u, 3u}) {
    SCOPED_TRACE(cancel_after);
    test::RecordingProgress progress;
    progress.cancel_after = cancel_after;
    FrameStore store;
    ASSERT_TRUE(store.CreateStoreFile(dir / "s.Dat"));
    EXPECT_THROW(ImportGif(store, dir / "a.gif", false, progress), Cancelled);
    EXPECT_EQ(progress.steps.size(), cancel_after);
    EXPECT_FALSE(store.IsOpen());
    EXPECT_EQ(store.FrameCount, 0);
    EXPECT_TRUE(store.FrameOffsets.empty());
    EXPECT_FALSE(fs::exists(dir / "s.Dat"));
  }
}

TEST(GifImport, FullyTransparentImageRepeatsTheFrame) {
  test::TempDir dir;
  test::GifImageSpec clear = test::SolidGifImage(0, 0, 8, 8, 3);
  clear.transparent_index = 3;
  test::GifImageSpec first = test::SolidGifImage(0, 0, 8, 8, 0);
  for (size_t i = 0; i < first.indices.size(); ++i) first.indices[i] = static_cast<uint8_t>(i % 4);
  test::WriteFileBytes(dir / "a.gif", test::BuildGif(8, 8, kPalette, 0, {first, clear}));
  auto frames = ImportFrames(dir / "a.gif", dir / "s.Dat");
  ASSERT_TRUE(frames);
  ASSERT_EQ(frames->size(), 2u);
  EXPECT_TRUE(test::PicturesEqual((*frames)[0], (*frames)[1]));
}

TEST(GifImport, ProbeAndStorelessImportsLeaveTheStoreAlone) {
  test::TempDir dir;
  test::RecordingProgress progress;
  test::WriteFileBytes(dir / "a.gif", test::BuildGif(4, 4, kPalette, 0,
                                                     {test::SolidGifImage(0, 0, 4, 4, 1),
                                                      test::SolidGifImage(0, 0, 2, 2, 2)}));
  FrameStore store;
  ASSERT_TRUE(store.CreateStoreFile(dir / "s.Dat"));
  Picture p = test::MakeRandomPicture(3, 3, 1);
  ASSERT_TRUE(store.AppendFrame(p));
  const auto offsets = store.FrameOffsets;

  WorkPicture still = ImportGif(store, dir / "a.gif", true, progress);
  ASSERT_TRUE(still);
  EXPECT_TRUE(test::PicturesEqual(*still, test::MakeSolidPicture(4, 4, kRed)));
  EXPECT_EQ(store.FrameCount, 1);
  EXPECT_EQ(store.FrameOffsets, offsets);
  EXPECT_TRUE(progress.steps.empty());

  store.CloseFile();
  const auto bytes = test::ReadFileBytes(dir / "s.Dat");
  EXPECT_TRUE(ImportGif(store, dir / "a.gif", false, progress));  // no open file
  EXPECT_EQ(test::ReadFileBytes(dir / "s.Dat"), bytes);
  EXPECT_TRUE(progress.steps.empty());
}

TEST(GifImport, UnreadableFilesGiveNoneAndLeaveTheStoreUnchanged) {
  test::TempDir dir;
  test::WriteFileBytes(dir / "junk.gif", {'G', 'I', 'F', '8', '9', 'a', 1});
  // A valid GIF without an image: nothing to show.
  test::WriteFileBytes(dir / "empty.gif", test::BuildGif(4, 4, kPalette, 0, {}));
  fs::create_directory(dir / "folder.gif");
  FrameStore store;
  ASSERT_TRUE(store.CreateStoreFile(dir / "s.Dat"));
  Picture p = test::MakeRandomPicture(3, 3, 1);
  ASSERT_TRUE(store.AppendFrame(p));
  for (const char* name : {"missing.gif", "junk.gif", "empty.gif", "folder.gif"}) {
    EXPECT_FALSE(ImportGif(store, dir / name, false, NoProgress())) << name;
    EXPECT_FALSE(LoadGifFile(dir / name)) << name;
    EXPECT_EQ(store.FrameCount, 1);
    EXPECT_EQ(store.FrameOffsets.size(), 1u);
  }
}

TEST(GifImport, DrawingClipsAndSkipsTransparentPixels) {
  DecodedGif gif;
  gif.screen_width = 4;
  gif.screen_height = 3;
  gif.global_palette = kPalette;
  gif.background_index = 3;
  GifImageData image;
  image.left = 2;
  image.top = 1;
  image.width = 3;  // one column past the screen
  image.height = 3;  // one row past the screen
  image.palette = {{0, 0, 0}, {255, 0, 0}};
  image.indices = {1, 0, 1,  //
                   0, 9, 1,  // 9 is past the palette: black
                   1, 1, 1};
  image.transparent_index = 0;
  gif.images.push_back(image);
  GifImageData outside = image;
  outside.left = 4;  // wholly right of the screen
  gif.images.push_back(outside);

  Picture still(4, 3);
  PaintGifStill(gif, still);
  const Color K = RGBColor(0, 0, 0), R = kRed, B = kBlue;
  EXPECT_TRUE(test::PicturesEqual(still, test::MakePicture({{B, B, B, B}, {B, B, R, B}, {B, B, B, K}})));
  Picture drawn = still;
  DrawGifImage(gif, 1, drawn);
  DrawGifImage(gif, 7, drawn);  // no such image
  EXPECT_TRUE(test::PicturesEqual(drawn, still));
}

// ---- the corpus -----------------------------------------------------------

// Reference pixels are RGBA; those with alpha 0 are where the reference left
// the screen transparent (nothing drawn there, or a transparent first image).
// This program has no transparency in frames: its still paint fills such
// pixels with the logical screen's background colour, which references do
// not record. Only opaque reference pixels are compared.
::testing::AssertionResult MatchesOpaquePixels(const Picture& frame, const uint8_t* rgba, int width, int height) {
  if (frame.Width() != width || frame.Height() != height)
    return ::testing::AssertionFailure() << "size " << frame.Width() << "x" << frame.Height() << ", expected " << width
                                         << "x" << height;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const uint8_t* e = rgba + 4 * (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x));
      if (e[3] == 0) continue;
      const Color want = RGBColor(e[0], e[1], e[2]);
      const Color got = test::PixelColor(frame, x, y);
      if (got != want)
        return ::testing::AssertionFailure() << "pixel (" << x << "," << y << ") is " << std::hex << got
                                             << ", expected " << want;
    }
  return ::testing::AssertionSuccess();
}

// Frames 0..n-1 are comparable with a reference that applies disposal when
// no image before frame n asks for anything but "leave in place".
int ComparableFrames(const DecodedGif& gif) {
  int n = 1;
  for (size_t i = 0; i + 1 < gif.images.size(); ++i) {
    if (gif.images[i].disposal > 1) break;
    ++n;
  }
  return std::min<int>(n, static_cast<int>(gif.images.size()));
}

TEST(GifImportCorpus, PeterdnFramesMatchWhereNothingIsDisposed) {
  KT58_REQUIRE_CORPUS(corpus, "gif/peterdn-gif-test-suite/gifs");
  test::TempDir dir;
  int compared = 0;
  for (const auto& entry : fs::directory_iterator(corpus)) {
    if (entry.path().extension() != ".gif") continue;
    const std::string name = entry.path().stem().string();
    SCOPED_TRACE(name);
    const DecodedGif gif = DecodeGifFile(entry.path());
    auto frames = ImportFrames(entry.path(), dir / "s.Dat");
    ASSERT_TRUE(frames);
    ASSERT_EQ(frames->size(), gif.images.size());
    const int n = ComparableFrames(gif);
    for (int i = 0; i < n; ++i) {
      fs::path ref = corpus / "frames" / (name + "-" + std::to_string(i) + ".png");
      if (gif.images.size() == 1) ref = corpus / "frames" / (name + ".png");
      const auto png = test::ReadPng(ref);
      EXPECT_TRUE(MatchesOpaquePixels((*frames)[static_cast<size_t>(i)], png.rgba.data(), png.width, png.height))
          << "frame " << i;
      ++compared;
    }
  }
  EXPECT_GE(compared, 30);
}

std::map<std::string, std::map<std::string, std::string>> ReadIni(const fs::path& path) {
  std::map<std::string, std::map<std::string, std::string>> out;
  std::ifstream in(path);
  std::string line, section;
  auto trim = [](std::string s) {
    const auto a = s.find_first_not_of(" \t\r"), b = s.find_last_not_of(" \t\r");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
  };
  while (std::getline(in, line)) {
    line = trim(line);
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      section = line.substr(1, line.find(']') - 1);
      continue;
    }
    const auto eq = line.find('=');
    if (eq != std::string::npos) out[section][trim(line.substr(0, eq))] = trim(line.substr(eq + 1));
  }
  return out;
}

TEST(GifImportCorpus, PygifFramesMatchWhereNothingIsDisposed) {
  KT58_REQUIRE_CORPUS(corpus, "gif/pygif-test-suite");
  test::TempDir dir;
  std::ifstream list(corpus / "TESTS");
  std::string test_name;
  int compared = 0;
  std::vector<std::string> refused;
  while (std::getline(list, test_name)) {
    if (test_name.empty()) continue;
    SCOPED_TRACE(test_name);
    auto conf = ReadIni(corpus / (test_name + ".conf"));
    const fs::path gif_path = corpus / conf["config"]["input"];
    std::vector<std::string> frame_names;
    std::stringstream names(conf["config"]["frames"]);
    for (std::string f; std::getline(names, f, ',');)
      if (!f.empty()) frame_names.push_back(f);

    auto frames = ImportFrames(gif_path, dir / "s.Dat");
    if (!frames) {
      refused.push_back(test_name);
      continue;
    }
    if (frame_names.empty()) continue;  // the suite expects an error here; importing what is there is fine too
    const DecodedGif gif = DecodeGifFile(gif_path);
    // Some tests merge several images into one displayed frame.
    if (frame_names.size() != gif.images.size()) continue;
    const int n = ComparableFrames(gif);
    for (int i = 0; i < n; ++i) {
      const auto& section = conf[frame_names[static_cast<size_t>(i)]];
      auto it = section.find("pixels");
      if (it == section.end()) continue;
      const auto rgba = test::ReadFileBytes(corpus / it->second);
      const int w = std::stoi(conf["config"]["width"]), h = std::stoi(conf["config"]["height"]);
      ASSERT_EQ(rgba.size(), static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
      EXPECT_TRUE(MatchesOpaquePixels((*frames)[static_cast<size_t>(i)], rgba.data(), w, h)) << "frame " << i;
      ++compared;
    }
  }
  EXPECT_GE(compared, 40);
  std::string joined;
  for (const auto& r : refused) joined += r + " ";
  RecordProperty("refused", joined);
  // Files the suite considers valid and that decode with this program: the
  // refusal list stays limited to damaged and degenerate files.
  EXPECT_LE(refused.size(), 20u) << joined;
}

// wuffs: exact PNGs of still pictures and composited BGRA frames (.nie).
TEST(GifImportCorpus, WuffsPicturesMatch) {
  KT58_REQUIRE_CORPUS(corpus, "gif/wuffs");
  test::TempDir dir;
  for (const char* name : {"bricks-dither", "bricks-nodither", "bricks-gray"}) {
    const DecodedGif gif = DecodeGifFile(corpus / (std::string(name) + ".gif"));
    ASSERT_EQ(gif.images.size(), 1u);
    EXPECT_EQ(gif.images[0].indices, test::ReadFileBytes(corpus / (std::string(name) + ".indexes"))) << name;
  }
  for (const char* name : {"bricks-dither", "bricks-nodither", "bricks-gray", "pjw-thumbnail"}) {
    SCOPED_TRACE(name);
    auto frames = ImportFrames(corpus / (std::string(name) + ".gif"), dir / "s.Dat");
    ASSERT_TRUE(frames);
    ASSERT_EQ(frames->size(), 1u);
    const auto png = test::ReadPng(corpus / (std::string(name) + ".png"));
    EXPECT_TRUE(MatchesOpaquePixels((*frames)[0], png.rgba.data(), png.width, png.height));
  }

  const DecodedGif gif = DecodeGifFile(corpus / "animated-red-blue.gif");
  auto frames = ImportFrames(corpus / "animated-red-blue.gif", dir / "s.Dat");
  ASSERT_TRUE(frames);
  ASSERT_EQ(frames->size(), 4u);
  const int n = ComparableFrames(gif);
  EXPECT_GE(n, 1);
  for (int i = 0; i < n; ++i) {
    const auto nie = test::ReadFileBytes(corpus / ("animated-red-blue.00000" + std::to_string(i) + ".nie"));
    ASSERT_GE(nie.size(), 16u);
    const int w = nie[8] | (nie[9] << 8), h = nie[12] | (nie[13] << 8);
    ASSERT_EQ(nie.size(), 16u + static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
    std::vector<uint8_t> rgba(nie.begin() + 16, nie.end());
    for (size_t p = 0; p < rgba.size(); p += 4) std::swap(rgba[p], rgba[p + 2]);
    EXPECT_TRUE(MatchesOpaquePixels((*frames)[static_cast<size_t>(i)], rgba.data(), w, h)) << "frame " << i;
  }

  // The same picture stored plainly and interlaced.
  auto regular = ImportFrames(corpus / "hippopotamus.regular.gif", dir / "s.Dat");
  auto interlaced = ImportFrames(corpus / "hippopotamus.interlaced.gif", dir / "s.Dat");
  ASSERT_TRUE(regular && interlaced);
  EXPECT_TRUE(test::PicturesEqual(regular->at(0), interlaced->at(0)));
}

// Every GIF of the corpus, the fuzzer-made ones included: an import with a
// frame per image, or a clean refusal.
TEST(GifImportCorpus, EveryFileImportsOrIsRefused) {
  KT58_REQUIRE_CORPUS(corpus, "gif");
  test::TempDir dir;
  int imported = 0, refused = 0;
  for (const auto& entry : fs::recursive_directory_iterator(corpus)) {
    if (!entry.is_regular_file() || entry.path().extension() != ".gif") continue;
    SCOPED_TRACE(entry.path().string());
    const int live = LivePictureCount();
    {
      FrameStore store;
      ASSERT_TRUE(store.CreateStoreFile(dir / "s.Dat"));
      WorkPicture first = ImportGif(store, entry.path(), false, NoProgress());
      if (first) {
        ++imported;
        EXPECT_EQ(store.FrameCount, GifImageCount(entry.path()));
        EXPECT_EQ(static_cast<size_t>(store.FrameCount), store.FrameOffsets.size());
        EXPECT_GE(store.FrameCount, 1);
      } else {
        ++refused;
        EXPECT_EQ(store.FrameCount, 0);
      }
    }
    EXPECT_EQ(LivePictureCount(), live);
  }
  EXPECT_GT(imported, 100);
  EXPECT_GT(refused, 0);
}

}  // namespace
}  // namespace kt58
