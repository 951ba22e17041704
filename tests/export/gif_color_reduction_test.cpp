// SPDX-License-Identifier: GPL-3.0-or-later
// Colour reduction for the GIF writer: fixed palettes and their look-ups,
// the nearest-entry cache, the octree quantiser and the reduction errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "export/gif/color_lookup.h"
#include "export/gif/color_reduction.h"
#include "export/gif/gif_exception.h"
#include "export/gif/octree_quantizer.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

using test::MakePicture;
using test::MakeRandomPicture;

Picture PictureOf(const std::vector<GifColor>& pixels, int width) {
  const int height = static_cast<int>(pixels.size()) / width;
  Picture p(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const GifColor c = pixels[static_cast<size_t>(y * width + x)];
      uint8_t* px = p.Row(y) + 3 * x;
      px[0] = c.b, px[1] = c.g, px[2] = c.r;
    }
  return p;
}

GifColor PixelOf(const Picture& p, int x, int y) {
  const uint8_t* px = p.Row(y) + 3 * x;
  return {px[2], px[1], px[0]};
}

GifColor ReducedColour(const IndexedPicture& out, int x, int y) {
  return out.palette[out.indices[static_cast<size_t>(y * out.width + x)]];
}

// Index that a single pixel gets (a fresh cache for every case).
int IndexOfOne(GifColor c, int reduction, const GifPalette* palette = nullptr) {
  const IndexedPicture out = ReduceColors(PictureOf({c}, 1), reduction, 8, dmNearest, palette);
  return out.indices[0];
}

std::string ThrownText(int reduction, int bits, int dither, const GifPalette* palette = nullptr,
                       const Picture& picture = MakePicture({{0x102030}})) {
  try {
    ReduceColors(picture, reduction, bits, dither, palette);
  } catch (const GIFException& e) {
    return e.what();
  }
  return "(nothing thrown)";
}

// Every colour, one 256x256 picture (green down, blue across) per red value.
template <class Check>
void ForAllColours(int reduction, Check check) {
  Picture p(256, 256);
  for (int r = 0; r < 256; ++r) {
    for (int g = 0; g < 256; ++g) {
      uint8_t* row = p.Row(g);
      for (int b = 0; b < 256; ++b) {
        row[3 * b] = static_cast<uint8_t>(b);
        row[3 * b + 1] = static_cast<uint8_t>(g);
        row[3 * b + 2] = static_cast<uint8_t>(r);
      }
    }
    const IndexedPicture out = ReduceColors(p, reduction, 8, dmNearest);
    for (int g = 0; g < 256; ++g)
      for (int b = 0; b < 256; ++b) {
        const int index = out.indices[static_cast<size_t>(g * 256 + b)];
        if (!check(r, g, b, index, out.palette[static_cast<size_t>(index)])) {
          ADD_FAILURE() << "colour " << r << "," << g << "," << b << " got index " << index;
          return;
        }
      }
  }
}

TEST(GifColorReduction, CubeLookUpOverEveryColour) {
  ForAllColours(rmNetscape, [](int r, int g, int b, int index, GifColor c) {
    const int lr = (r + 3) / 51, lg = (g + 3) / 51, lb = (b + 3) / 51;
    return index == 36 * lr + 6 * lg + lb && c == GifColor{uint8_t(lr * 51), uint8_t(lg * 51), uint8_t(lb * 51)};
  });
}

TEST(GifColorReduction, GreyLevelLookUpOverEveryColour) {
  ForAllColours(rmGrayScale, [](int r, int g, int b, int index, GifColor c) {
    const int level = (77 * r + 150 * g + 29 * b) >> 8;
    return index == level && c == GifColor{uint8_t(level), uint8_t(level), uint8_t(level)};
  });
}

TEST(GifColorReduction, FixedPaletteLayouts) {
  const IndexedPicture cube = ReduceColors(MakePicture({{0}}), rmNetscape, 8, dmNearest);
  ASSERT_EQ(cube.palette.size(), 216u);
  EXPECT_EQ(cube.palette[1], (GifColor{0, 0, 51}));   // blue fastest
  EXPECT_EQ(cube.palette[36], (GifColor{51, 0, 0}));  // red slowest
  EXPECT_EQ(cube.palette[215], (GifColor{255, 255, 255}));
  const IndexedPicture grey = ReduceColors(MakePicture({{0}}), rmGrayScale, 8, dmNearest);
  ASSERT_EQ(grey.palette.size(), 256u);
  EXPECT_EQ(grey.palette[77], (GifColor{77, 77, 77}));
  EXPECT_EQ(ReduceColors(MakePicture({{0}}), rmMonochrome, 8, dmNearest).palette,
            (GifPalette{{0, 0, 0}, {255, 255, 255}}));
  EXPECT_EQ(ReduceColors(MakePicture({{0}}), rmWindowsGray, 8, dmNearest).palette,
            (GifPalette{{0, 0, 0}, {128, 128, 128}, {192, 192, 192}, {255, 255, 255}}));
  EXPECT_EQ(ReduceColors(MakePicture({{0}}), rmWindows20, 8, dmNearest).palette, WindowsSystemPalette20());
}

TEST(GifColorReduction, BlackWhiteThreshold) {
  // 77 r + 150 g + 29 b against 32512: equal stays black.
  const std::vector<std::tuple<GifColor, int>> cases = {
      {{0, 0, 0}, 0},       {{255, 255, 255}, 1}, {{127, 127, 127}, 0}, {{128, 128, 128}, 1},
      {{101, 133, 165}, 0},  // exactly 32512
      {{101, 139, 134}, 1},  // 32513
      {{255, 0, 0}, 0},     {{0, 255, 0}, 1},     {{0, 0, 255}, 0},
  };
  for (const auto& [colour, expected] : cases) {
    const IndexedPicture out = ReduceColors(PictureOf({colour}, 1), rmMonochrome, 8, dmNearest);
    EXPECT_EQ(out.indices[0], expected) << int(colour.r) << "," << int(colour.g) << "," << int(colour.b);
  }
}

TEST(GifColorReduction, FourGreysNearestWithTies) {
  const std::vector<std::tuple<GifColor, int>> cases = {
      {{0, 0, 0}, 0},        {{63, 63, 63}, 0},    {{64, 64, 64}, 0},  // 192 from 0 and from 128
      {{65, 65, 65}, 1},     {{160, 160, 160}, 1},                     // 96 from 128 and from 192
      {{161, 161, 161}, 2},  {{224, 224, 224}, 3},                     // 93 from 255 beats 96
      {{200, 0, 0}, 0},      {{255, 255, 0}, 3},   {{190, 200, 180}, 2},  {{250, 255, 255}, 3},
  };
  for (const auto& [colour, expected] : cases)
    EXPECT_EQ(IndexOfOne(colour, rmWindowsGray), expected) << int(colour.r) << "," << int(colour.g) << ","
                                                           << int(colour.b);
}

TEST(GifColorReduction, WindowsTwentyColours) {
  const GifPalette& w = WindowsSystemPalette20();
  ASSERT_EQ(w.size(), 20u);
  const std::vector<std::tuple<int, GifColor>> entries = {
      {0, {0, 0, 0}},         {1, {128, 0, 0}},       {3, {128, 128, 0}},    {6, {0, 128, 128}},
      {7, {192, 192, 192}},   {8, {192, 220, 192}},   {9, {166, 202, 240}},  {10, {255, 251, 240}},
      {11, {160, 160, 164}},  {12, {128, 128, 128}},  {13, {255, 0, 0}},     {17, {255, 0, 255}},
      {18, {0, 255, 255}},    {19, {255, 255, 255}},
  };
  for (const auto& [i, colour] : entries) EXPECT_EQ(w[static_cast<size_t>(i)], colour) << "entry " << i;
  // Every palette colour maps onto itself.
  for (size_t i = 0; i < w.size(); ++i) EXPECT_EQ(IndexOfOne(w[i], rmWindows20), static_cast<int>(i));
  const std::vector<std::tuple<GifColor, int>> near = {
      {{64, 0, 0}, 0},  // 64 from black and from dark red: lower index
      {{65, 0, 0}, 1},      {{0, 0, 100}, 4},      {{250, 250, 250}, 19},
      {{128, 128, 131}, 12}, {{170, 200, 235}, 9}, {{200, 30, 20}, 13},
  };
  for (const auto& [colour, expected] : near)
    EXPECT_EQ(IndexOfOne(colour, rmWindows20), expected) << int(colour.r) << "," << int(colour.g) << ","
                                                         << int(colour.b);
}

TEST(GifColorReduction, NearestEntryLowestIndexWinsTies) {
  const GifPalette up = {{10, 10, 10}, {20, 20, 20}};
  const GifPalette down = {{20, 20, 20}, {10, 10, 10}};
  EXPECT_EQ(IndexOfOne({15, 15, 15}, rmPalette, &up), 0);
  EXPECT_EQ(IndexOfOne({15, 15, 15}, rmPalette, &down), 0);
  EXPECT_EQ(IndexOfOne({16, 15, 15}, rmPalette, &up), 1);
  // Duplicated entries: the first copy.
  const GifPalette twice = {{1, 2, 3}, {9, 9, 9}, {9, 9, 9}};
  EXPECT_EQ(IndexOfOne({9, 9, 9}, rmPalette, &twice), 1);
}

TEST(GifColorReduction, NearestEntryCacheSharesFiveBitSlots) {
  // (0,0,0) and (7,7,7) share a slot; (8,8,8) is in the next one.
  const GifPalette palette = {{0, 0, 0}, {7, 7, 7}};
  const GifColor black{0, 0, 0}, seven{7, 7, 7}, eight{8, 8, 8};
  IndexedPicture out = ReduceColors(PictureOf({black, seven, eight}, 3), rmPalette, 8, dmNearest, &palette);
  EXPECT_EQ(out.indices, (std::vector<uint8_t>{0, 0, 1}));
  out = ReduceColors(PictureOf({seven, black, eight}, 3), rmPalette, 8, dmNearest, &palette);
  EXPECT_EQ(out.indices, (std::vector<uint8_t>{1, 1, 1}));
  // The cache lives for one reduction only.
  out = ReduceColors(PictureOf({black}, 1), rmPalette, 8, dmNearest, &palette);
  EXPECT_EQ(out.indices[0], 0);

  NearestEntryLookup lookup(palette);
  GifColor c;
  EXPECT_EQ(lookup.Lookup(7, 7, 7, c), 1);
  EXPECT_EQ(c, seven);
  EXPECT_EQ(lookup.Lookup(0, 0, 0, c), 1);
  EXPECT_EQ(c, seven);
  EXPECT_EQ(lookup.Search(0, 0, 0), 0);
}

// Colours whose 5-bit slots all differ, so the nearest-entry cache cannot
// merge two of them.
std::vector<GifColor> DistinctSlotColours(int count, uint32_t seed) {
  std::vector<GifColor> colours;
  std::set<int> slots;
  uint32_t s = seed;
  while (static_cast<int>(colours.size()) < count) {
    s = s * 1664525u + 1013904223u;
    const GifColor c{uint8_t(s >> 24), uint8_t(s >> 16), uint8_t(s >> 8)};
    if (slots.insert((c.r >> 3) << 10 | (c.g >> 3) << 5 | (c.b >> 3)).second) colours.push_back(c);
  }
  return colours;
}

// A picture that uses each colour at least once, in a shuffled layout.
Picture PictureUsing(const std::vector<GifColor>& colours, int width, int height) {
  std::vector<GifColor> pixels;
  for (int i = 0; i < width * height; ++i)
    pixels.push_back(colours[static_cast<size_t>((i * 7 + i / width) % static_cast<int>(colours.size()))]);
  return PictureOf(pixels, width);
}

TEST(GifColorReduction, QuantizeHonoursTheColourCount) {
  const Picture picture = MakeRandomPicture(97, 61, 5);  // nearly every pixel its own colour
  for (int bits = 3; bits <= 8; ++bits) {
    const IndexedPicture out = ReduceColors(picture, rmQuantize, bits, dmNearest);
    EXPECT_LE(out.palette.size(), size_t{1} << bits) << bits;
    EXPECT_GE(out.palette.size(), size_t{1} << (bits - 1)) << bits;  // not collapsed needlessly
    std::set<uint8_t> used(out.indices.begin(), out.indices.end());
    EXPECT_LT(*used.rbegin(), out.palette.size());
  }
  EXPECT_LE(ReduceColors(picture, rmQuantize, 3, dmFloydSteinberg).palette.size(), 8u);
}

TEST(GifColorReduction, FewColoursAreKeptExactly) {
  for (int bits : {3, 5, 8}) {
    const Picture picture = PictureUsing(DistinctSlotColours(1 << bits, 11u * bits), 40, 30);
    const IndexedPicture out = ReduceColors(picture, rmQuantize, bits, dmNearest);
    for (int y = 0; y < picture.Height(); ++y)
      for (int x = 0; x < picture.Width(); ++x)
        ASSERT_EQ(ReducedColour(out, x, y), PixelOf(picture, x, y)) << "bits " << bits << " at " << x << "," << y;
  }
  const Picture picture = PictureUsing(DistinctSlotColours(236, 3), 40, 30);
  const IndexedPicture out = ReduceColors(picture, rmQuantizeWindows, 8, dmNearest);
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < picture.Width(); ++x)
      ASSERT_EQ(ReducedColour(out, x, y), PixelOf(picture, x, y)) << x << "," << y;
  // Kept exactly also means no diffusion noise.
  const IndexedPicture dithered = ReduceColors(picture, rmQuantizeWindows, 8, dmStucki);
  EXPECT_EQ(dithered.indices, out.indices);
}

TEST(GifColorReduction, QuantizeWindowsKeepsTheSystemColoursInPlace) {
  const GifPalette& w = WindowsSystemPalette20();
  for (const Picture& picture : {MakeRandomPicture(64, 64, 9), MakePicture({{0x123456, 0x654321}})}) {
    const IndexedPicture out = ReduceColors(picture, rmQuantizeWindows, 8, dmFloydSteinberg);
    ASSERT_EQ(out.palette.size(), 256u);
    for (int i = 0; i < 10; ++i) {
      EXPECT_EQ(out.palette[static_cast<size_t>(i)], w[static_cast<size_t>(i)]) << i;
      EXPECT_EQ(out.palette[static_cast<size_t>(246 + i)], w[static_cast<size_t>(10 + i)]) << 246 + i;
    }
  }
  // Two colours: entries 10 and 11 in tree order (green's bit 6 puts the
  // second first), the unused rest black.
  const IndexedPicture two = ReduceColors(MakePicture({{0x123456, 0x654321}}), rmQuantizeWindows, 8, dmNearest);
  EXPECT_EQ(two.palette[10], (GifColor{0x21, 0x43, 0x65}));
  EXPECT_EQ(two.palette[11], (GifColor{0x56, 0x34, 0x12}));
  EXPECT_EQ(two.palette[12], (GifColor{0, 0, 0}));
  EXPECT_EQ(two.palette[245], (GifColor{0, 0, 0}));
  EXPECT_EQ(two.indices, (std::vector<uint8_t>{11, 10}));
}

TEST(GifColorReduction, OctreeMergesIntoWeightedAverages) {
  // One colour per octant, plus (100,50,50) three times beside (96,50,50) in
  // octant 0: the nine leaves must become eight, and only that pair can be.
  const std::vector<GifColor> pixels = {
      {96, 50, 50}, {0, 0, 200},   {0, 200, 0},     {0, 200, 200}, {200, 0, 0},   {200, 0, 200},
      {200, 200, 0}, {200, 200, 200}, {100, 50, 50}, {100, 50, 50}, {100, 50, 50}, {0, 0, 200},
  };
  const IndexedPicture out = ReduceColors(PictureOf(pixels, 6), rmQuantize, 3, dmNearest);
  EXPECT_EQ(out.palette, (GifPalette{{99, 50, 50},  // (96 + 3 * 100) / 4
                                     {0, 0, 200},
                                     {0, 200, 0},
                                     {0, 200, 200},
                                     {200, 0, 0},
                                     {200, 0, 200},
                                     {200, 200, 0},
                                     {200, 200, 200}}));
  EXPECT_EQ(out.indices, (std::vector<uint8_t>{0, 1, 2, 3, 4, 5, 6, 7, 0, 0, 0, 1}));
}

TEST(GifColorReduction, OctreeJoinsTheCheapestPairFirst) {
  // Nine colours for eight leaves. Pair D differs in the last bit only (the
  // deepest node) but holds 2000 pixels: merging it costs 1000 * 1^2 = 500.
  // Pair S splits at bit 3 with one pixel each: 1/2 * 8^2 = 32. S goes.
  OctreeQuantizer quantizer(8);
  quantizer.AddColor(96, 50, 50);
  quantizer.AddColor(104, 50, 50);
  for (int i = 0; i < 1000; ++i) {
    quantizer.AddColor(0, 0, 200);
    quantizer.AddColor(0, 0, 201);
  }
  for (const GifColor c : {GifColor{0, 200, 0}, GifColor{0, 200, 200}, GifColor{200, 0, 0}, GifColor{200, 0, 200},
                           GifColor{200, 200, 0}})
    quantizer.AddColor(c.r, c.g, c.b);
  EXPECT_EQ(quantizer.Palette(), (GifPalette{{100, 50, 50},  // S merged; tree order below
                                             {0, 0, 200},
                                             {0, 0, 201},
                                             {0, 200, 0},
                                             {0, 200, 200},
                                             {200, 0, 0},
                                             {200, 0, 200},
                                             {200, 200, 0}}));
  EXPECT_TRUE(quantizer.Merged());

  // Averages are rounded, not cut: (200 + 2 * 201) / 3 = 200.67 gives 201.
  OctreeQuantizer rounding(8);
  for (const GifColor c : {GifColor{0, 0, 200}, GifColor{0, 0, 201}, GifColor{0, 0, 201}}) rounding.AddColor(c.r, c.g, c.b);
  for (int i = 0; i < 8; ++i)  // corners of the other seven octants: the pair is the only cheap merge
    if (i != 1) rounding.AddColor(static_cast<uint8_t>(i & 4 ? 250 : 10), static_cast<uint8_t>(i & 2 ? 250 : 10),
                                                static_cast<uint8_t>(i & 1 ? 250 : 10));
  const GifPalette rounded = rounding.Palette();
  ASSERT_EQ(rounded.size(), 8u);
  EXPECT_NE(std::find(rounded.begin(), rounded.end(), GifColor{0, 0, 201}), rounded.end());
}

// Moving content of the animation export in small: three gradients that
// wrap, a shaded ball and a flat box; thousands of colours.
Picture GradientScene() {
  Picture p(160, 120);
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 160; ++x) {
      int r = (x * 255 / 159 + 40) & 255, g = y * 255 / 119, b = ((x + y) / 2 + 90) & 255;
      const int dx = x - 60, dy = y - 60;
      if (dx * dx + dy * dy < 35 * 35) {
        const double shade = 1.0 - std::sqrt(static_cast<double>(dx * dx + dy * dy)) / 35.0;
        r = static_cast<int>(60 + 190 * shade), g = static_cast<int>(20 + 120 * shade), b = static_cast<int>(30 + 40 * shade);
      }
      if (x > 110 && x < 150 && y > 15 && y < 45) r = 250, g = 240, b = 40;
      uint8_t* px = p.Row(y) + 3 * x;
      px[0] = static_cast<uint8_t>(b), px[1] = static_cast<uint8_t>(g), px[2] = static_cast<uint8_t>(r);
    }
  return p;
}

double PsnrOf(const Picture& original, const IndexedPicture& out) {
  double sum = 0;
  for (int y = 0; y < original.Height(); ++y)
    for (int x = 0; x < original.Width(); ++x) {
      const GifColor a = PixelOf(original, x, y), b = ReducedColour(out, x, y);
      const double dr = a.r - b.r, dg = a.g - b.g, db = a.b - b.b;
      sum += dr * dr + dg * dg + db * db;
    }
  const double mse = sum / (3.0 * original.Width() * original.Height());
  return 10.0 * std::log10(255.0 * 255.0 / mse);
}

TEST(GifColorReduction, QuantizedPictureQualityFloors) {
  // Floors sit about 0.5 dB under what is reached now (36.5, 35.1, 27.6 and
  // 36.2 dB); the former octree (newest node merged, averages cut, no
  // refinement) reached 34.1, 32.7, 24.7 and 33.8 dB, under every floor.
  const Picture scene = GradientScene();
  const struct {
    int reduction, bits, dither;
    double floor_db;
  } cases[] = {
      {rmQuantize, 8, dmNearest, 36.0},
      {rmQuantize, 8, dmFloydSteinberg, 34.6},
      {rmQuantize, 5, dmNearest, 27.1},
      {rmQuantizeWindows, 8, dmNearest, 35.7},
  };
  for (const auto& c : cases) {
    const IndexedPicture out = ReduceColors(scene, c.reduction, c.bits, c.dither);
    const double psnr = PsnrOf(scene, out);
    EXPECT_GE(psnr, c.floor_db) << c.reduction << "/" << c.bits << "/" << c.dither;
    if (c.reduction == rmQuantize) {
      // Every entry distinct: a repeated one would be a wasted slot.
      std::set<std::tuple<int, int, int>> entries;
      for (const GifColor& e : out.palette) entries.insert({e.r, e.g, e.b});
      EXPECT_EQ(entries.size(), out.palette.size());
      EXPECT_EQ(out.palette.size(), size_t{1} << c.bits);
    }
  }
}

TEST(GifColorReduction, QuantizeIsDeterministic) {
  const Picture picture = MakeRandomPicture(50, 40, 77);
  const IndexedPicture a = ReduceColors(picture, rmQuantize, 6, dmBurkes);
  const IndexedPicture b = ReduceColors(picture, rmQuantize, 6, dmBurkes);
  EXPECT_EQ(a.palette, b.palette);
  EXPECT_EQ(a.indices, b.indices);
}

TEST(GifColorReduction, NoReductionKeepsUpTo256ColoursExactly) {
  const std::vector<GifColor> colours = DistinctSlotColours(256, 21);
  const Picture picture = PictureUsing(colours, 32, 16);
  const IndexedPicture out = ReduceColors(picture, rmNone, 8, dmFloydSteinberg);
  ASSERT_EQ(out.palette.size(), 256u);
  EXPECT_EQ(out.palette[0], PixelOf(picture, 0, 0));  // order of first appearance
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 32; ++x) ASSERT_EQ(ReducedColour(out, x, y), PixelOf(picture, x, y));
  // Colours that share a 5-bit slot stay apart: no cache here.
  const IndexedPicture close = ReduceColors(PictureOf({{0, 0, 0}, {1, 0, 0}, {0, 0, 0}}, 3), rmNone, 8, 0);
  EXPECT_EQ(close.palette, (GifPalette{{0, 0, 0}, {1, 0, 0}}));
  EXPECT_EQ(close.indices, (std::vector<uint8_t>{0, 1, 0}));
}

TEST(GifColorReduction, ErrorsCarryTheWritersTexts) {
  const GifPalette empty;
  const GifPalette big(257);
  EXPECT_EQ(ThrownText(rmQuantize, 2, dmNearest), "Invalid Bits Per Pixel value");
  EXPECT_EQ(ThrownText(rmQuantize, 9, dmNearest), "Invalid Bits Per Pixel value");
  EXPECT_EQ(ThrownText(rmWindows256, 8, dmNearest), "Invalid reduction method");
  EXPECT_EQ(ThrownText(11, 8, dmNearest), "Invalid reduction method");
  EXPECT_EQ(ThrownText(rmGlobal, 2, dmNearest), "Invalid Bits Per Pixel value");
  EXPECT_EQ(ThrownText(-1, 8, dmNearest), "Invalid reduction method");
  EXPECT_EQ(ThrownText(rmNetscape, 8, 7), "Invalid reduction method");
  EXPECT_EQ(ThrownText(rmNetscape, 8, -1), "Invalid reduction method");
  EXPECT_EQ(ThrownText(rmPalette, 8, dmNearest), "Color table is empty");
  EXPECT_EQ(ThrownText(rmPalette, 8, dmNearest, &empty), "Color table is empty");
  EXPECT_EQ(ThrownText(rmPalette, 8, dmNearest, &big), "Invalid reduction method");
  EXPECT_EQ(ThrownText(rmNetscape, 8, dmNearest, nullptr, Picture(0, 5)), "Image is empty");
  EXPECT_EQ(ThrownText(rmNone, 8, dmNearest, nullptr, MakeRandomPicture(40, 40, 1)), "Invalid reduction method");
  // Bits matter to code 7 only.
  EXPECT_EQ(ReduceColors(MakePicture({{0}}), rmNetscape, 0, dmNearest).indices.size(), 1u);
}

}  // namespace
}  // namespace kt58
