// SPDX-License-Identifier: GPL-3.0-or-later
// The frame optimiser: every option, alone and together, must leave the
// played animation exactly as it was and never make the file larger.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "export/gif/gif_image.h"
#include "gif_decode_helpers.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

const GifPalette kBase = {{200, 30, 30}, {30, 200, 30}, {30, 30, 200}, {250, 250, 0}, {0, 250, 250}, {9, 9, 9}};

// 12 frames of 48x32: striped background, a moving square, each frame with
// its own order of the same colours. Frames 4 and 5 are equal (5 merges to
// nothing), 7 has transparent borders, 6 restores to background and 9 to the
// previous picture, 2 carries a comment and 0 the loop.
GifImage MakeAnimation(int compression, bool packed = false) {
  GifImage image;
  image.SetCompression(compression);
  image.SetPackFrames(packed);
  for (int f = 0; f < 12; ++f) {
    const int shown = f == 5 ? 4 : f;
    GifPalette palette = kBase;
    std::rotate(palette.begin(), palette.begin() + (f % 6), palette.end());
    auto index_of = [&](int base) {
      return static_cast<uint8_t>(std::find(palette.begin(), palette.end(), kBase[base]) - palette.begin());
    };
    IndexedPicture p{48, 32, palette, {}};
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 48; ++x) {
        const bool square = x >= shown * 3 && x < shown * 3 + 10 && y >= shown * 2 && y < shown * 2 + 8;
        int base = square ? 3 + shown % 2 : (x / 8) % 3;
        if (f == 7 && !square) base = 5;
        p.indices.push_back(index_of(base));
      }
    const int n = image.Add(p);
    GifFrame& frame = image.Images(static_cast<size_t>(n));
    if (n == 0) frame.AddExtension<GifLoopExtension>();
    if (n == 2) frame.AddExtension<GifCommentExtension>().Text = "made by a test";
    auto& gce = frame.AddExtension<GifGraphicControlExtension>();
    gce.Delay = static_cast<uint16_t>(5 + f);
    if (f == 7) {
      gce.Transparent = true;
      gce.TransparentColorIndex = index_of(5);
    }
    if (f == 6) gce.Disposal = dmBackground;
    if (f == 9) gce.Disposal = dmPrevious;
  }
  return image;
}

struct Played {
  std::vector<test::ShownPicture> pictures;
  size_t size = 0;
};

Played Play(const GifImage& image) {
  const std::vector<uint8_t> bytes = image.SaveToBytes();
  return {test::Composite(test::DecodeWithGiflib(bytes)), bytes.size()};
}

struct OptimizeCase {
  int options;
  bool single_map;
  int compression;
  bool packed;  // frames held as their encoded data between steps
};

class OptimizeKeepsPictures : public ::testing::TestWithParam<OptimizeCase> {};

TEST_P(OptimizeKeepsPictures, SameAnimationNeverLarger) {
  const OptimizeCase c = GetParam();
  GifImage image = MakeAnimation(c.compression, c.packed);
  if (c.single_map) image.OptimizeColorMap();
  const Played before = Play(image);
  image.Optimize(c.options, rmQuantizeWindows, dmNearest, 0);
  const Played after = Play(image);
  EXPECT_TRUE(after.pictures == before.pictures) << "the optimised animation shows other pictures";
  EXPECT_LE(after.size, before.size);
  for (size_t i = 0; i < image.Count(); ++i) EXPECT_EQ(image.Images(i).Packed(), c.packed) << "frame " << i;
  if (c.packed) {
    // Packed or not, the optimiser makes the same file.
    GifImage expanded = MakeAnimation(c.compression, false);
    if (c.single_map) expanded.OptimizeColorMap();
    expanded.Optimize(c.options, rmQuantizeWindows, dmNearest, 0);
    EXPECT_EQ(expanded.SaveToBytes(), image.SaveToBytes());
  }
}

std::vector<OptimizeCase> AllCases() {
  std::vector<OptimizeCase> cases;
  for (int options : {int{ooCrop}, int{ooMerge}, int{ooCleanup}, int{ooColorMap}, ooMerge | ooCrop, 15})
    for (bool single_map : {false, true})
      for (int compression : {int{gcLZW}, int{gcRLE}})
        for (bool packed : {false, true}) cases.push_back({options, single_map, compression, packed});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Options, OptimizeKeepsPictures, ::testing::ValuesIn(AllCases()), [](const auto& info) {
  return "options" + std::to_string(info.param.options) + (info.param.single_map ? "_single" : "_local") +
         (info.param.compression == gcRLE ? "_rle" : "_lzw") + (info.param.packed ? "_packed" : "");
});

TEST(Optimize, AllOptionsShrinkTheAnimation) {
  GifImage image = MakeAnimation(gcRLE);
  image.OptimizeColorMap();
  const Played before = Play(image);
  image.Optimize(15, rmQuantizeWindows, dmNearest, 0);
  const Played after = Play(image);
  EXPECT_LT(after.size, before.size * 2 / 3);
  // Frame 5 repeated frame 4: merged to nothing, deleted, its delay moved.
  EXPECT_EQ(image.Count(), 11u);
  EXPECT_EQ(image.Images(4).GraphicControlExtension()->Delay, 9 + 10);
  // Frame 7 was cropped to its square.
  EXPECT_EQ(image.Images(6).Width(), 10);
  EXPECT_EQ(image.Images(6).Left(), 21);
}

TEST(Optimize, RemovePassiveExtensions) {
  GifImage image = MakeAnimation(gcLZW);
  image.Images(1).AddExtension<GifLoopExtension>();
  image.Images(3).AddExtension<GifApplicationExtension>().Data = {1, 2, 3};
  image.Images(3).AddExtension<GifTextExtension>().Text = "hello";
  image.Images(8).GraphicControlExtension()->Delay = 0;  // carries nothing now
  image.Optimize(ooCleanup, 0, 0, 0);
  auto kinds = [&](size_t i) {
    std::vector<GIFExtensionKind> k;
    for (const auto& e : image.Images(i).Extensions()) k.push_back(e->Kind());
    return k;
  };
  using K = GIFExtensionKind;
  EXPECT_EQ(kinds(0), (std::vector<K>{K::Loop, K::GraphicControl}));
  EXPECT_EQ(kinds(1), (std::vector<K>{K::GraphicControl}));
  EXPECT_EQ(kinds(2), (std::vector<K>{K::GraphicControl}));
  EXPECT_EQ(kinds(3), (std::vector<K>{K::GraphicControl}));
  EXPECT_EQ(kinds(8), (std::vector<K>{}));
  EXPECT_EQ(kinds(6), (std::vector<K>{K::GraphicControl}));  // disposal 2 stays

  // A single frame keeps nothing passive: no loop, no empty control block.
  GifImage single;
  single.Add(IndexedPicture{2, 1, kBase, {0, 1}});
  single.Images(0).AddExtension<GifLoopExtension>();
  single.Images(0).AddExtension<GifGraphicControlExtension>().Delay = 10;
  single.Optimize(ooCleanup, 0, 0, 0);
  EXPECT_TRUE(single.Images(0).Extensions().empty());
  const std::vector<uint8_t> bytes = single.SaveToBytes();
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF87a");
}

TEST(Optimize, UnusedTransparencyIsClearedFirst) {
  GifImage image;
  image.Add(IndexedPicture{2, 1, kBase, {0, 1}});
  auto& gce = image.Images(0).AddExtension<GifGraphicControlExtension>();
  gce.Transparent = true;
  gce.TransparentColorIndex = 4;
  gce.Delay = 3;
  image.Add(IndexedPicture{2, 1, kBase, {0, 1}});
  image.Optimize(ooCleanup, 0, 0, 0);
  EXPECT_FALSE(image.Images(0).Transparent());
}

TEST(Optimize, SortPutsMostUsedFirstAndDropsUnusedButKeepsTransparentEntry) {
  GifImage image;
  image.Add(IndexedPicture{6, 1, kBase, {2, 2, 2, 4, 4, 0}});
  auto& gce = image.Images(0).AddExtension<GifGraphicControlExtension>();
  gce.Transparent = true;
  gce.TransparentColorIndex = 5;  // no pixel uses it; it stays because the frame refers to it
  const Played before = Play(image);
  image.Optimize(ooColorMap, 0, 0, 0);
  EXPECT_EQ(image.Images(0).ColorMap(), (GifPalette{kBase[2], kBase[4], kBase[0], kBase[5]}));
  EXPECT_EQ(image.Images(0).Data(), (std::vector<uint8_t>{0, 0, 0, 1, 1, 2}));
  EXPECT_EQ(image.Images(0).TransparentIndex(), 3);
  EXPECT_TRUE(Play(image).pictures == before.pictures);
}

// Merging two frames of 2-colour noise turns about half the pixels into a
// third index, which costs the encoder more than it saves: the frame is kept
// as it was.
TEST(Optimize, MergeKeepsAFrameWhoseMergedFormIsLarger) {
  std::mt19937 rng(3);
  GifImage image;
  for (int f = 0; f < 2; ++f) {
    IndexedPicture p{64, 64, {{0, 0, 0}, {255, 255, 255}, {1, 2, 3}, {4, 5, 6}}, {}};
    for (int i = 0; i < 64 * 64; ++i) p.indices.push_back(static_cast<uint8_t>(rng() & 1));
    image.Add(p);
  }
  const std::vector<uint8_t> second = image.Images(1).Data();
  const size_t before = image.SaveToBytes().size();
  image.Optimize(ooMerge, 0, 0, 0);
  EXPECT_EQ(image.Images(1).Data(), second);
  EXPECT_FALSE(image.Images(1).Transparent());
  EXPECT_LE(image.SaveToBytes().size(), before);
}

// Pillow plays the fully optimised file (single colour map, merged, cropped,
// sorted, cleaned up) as exactly the source pictures, frame by frame.
TEST(Optimize, PillowPlaysTheOptimisedAnimationAsTheSourcePictures) {
  test::TempDir dir;
  GifImage image;
  image.SetCompression(gcRLE);
  std::vector<std::vector<GifColor>> source;
  for (int f = 0; f < 8; ++f) {
    const int shown = f == 3 ? 2 : f;  // frame 3 repeats frame 2
    IndexedPicture p{40, 24, {}, {}};
    for (int k = 0; k < 6; ++k) p.palette.push_back(kBase[static_cast<size_t>((k + f) % 6)]);
    std::vector<GifColor> pixels;
    for (int y = 0; y < 24; ++y)
      for (int x = 0; x < 40; ++x) {
        const bool square = x >= 4 * shown && x < 4 * shown + 6 && y >= 2 * shown && y < 2 * shown + 5;
        const GifColor colour = kBase[square ? 5 : static_cast<size_t>((x / 5 + y / 6) % 4)];
        const auto v = static_cast<uint8_t>(std::find(p.palette.begin(), p.palette.end(), colour) - p.palette.begin());
        p.indices.push_back(v);
        pixels.push_back(p.palette[v]);
      }
    source.push_back(pixels);
    const int n = image.Add(p);
    if (n == 0) image.Images(0).AddExtension<GifLoopExtension>();
    image.Images(static_cast<size_t>(n)).AddExtension<GifGraphicControlExtension>().Delay = 4;
  }
  image.OptimizeColorMap();
  image.Optimize(15, rmQuantizeWindows, dmNearest, 0);
  EXPECT_LT(image.Count(), 8u);  // the repeated frame is gone
  const std::filesystem::path file = dir / "anim.gif";
  test::WriteFileBytes(file, image.SaveToBytes());
  const auto played = test::PlayWithPillow(file);
  if (!played) GTEST_SKIP() << "Pillow is not available to /usr/bin/python3";
  source.erase(source.begin() + 3);
  ASSERT_EQ(played->size(), source.size());
  for (size_t f = 0; f < source.size(); ++f) EXPECT_TRUE((*played)[f] == source[f]) << "frame " << f;
}

}  // namespace
}  // namespace kt58
