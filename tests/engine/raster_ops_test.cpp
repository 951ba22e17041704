// SPDX-License-Identifier: GPL-3.0-or-later
// Worked values of the raster operations on tiny pictures laid out as grids.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "engine/errors.h"
#include "engine/picture.h"
#include "engine/raster_ops.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

using test::MakePicture;
using test::MakeRandomPicture;
using test::MakeSolidPicture;
using test::PicturesEqual;
using test::PixelColor;

constexpr Color kKey = RGBColor(255, 0, 255);
constexpr Color kWhite = RGBColor(255, 255, 255);
constexpr Color kBlack = RGBColor(0, 0, 0);

// ---- DrawLayerPicture ----------------------------------------------------------

TEST(DrawLayerPicture, KeyPixelsLeaveTheFrameAndNearMissesAreDrawn) {
  const Color blue_off = RGBColor(255, 0, 254), green_off = RGBColor(255, 1, 255), red_off = RGBColor(254, 0, 255);
  const Picture layer = MakePicture({{kKey, blue_off, green_off, red_off, kKey}});
  Picture frame = MakeSolidPicture(5, 1, 0x123456);
  DrawLayerPicture(layer, frame, bt_No_Blend, 50, 50, kKey, false, 0, 0, 0);
  EXPECT_TRUE(PicturesEqual(frame, MakePicture({{0x123456, blue_off, green_off, red_off, 0x123456}})));
}

TEST(DrawLayerPicture, NormalBlendTruncatesTheWeightedSum) {
  // (F*40 + L*60) div 100 per byte: 200,100 -> 140; 201,100 -> 140.4 -> 140; 0,255 -> 153.
  const Picture layer = MakePicture({{RGBColor(100, 100, 255)}});
  Picture frame = MakePicture({{RGBColor(200, 201, 0)}});
  DrawLayerPicture(layer, frame, bt_Blend, 40, 0, kKey, false, 0, 0, 0);
  EXPECT_EQ(PixelColor(frame, 0, 0), RGBColor(140, 140, 153));
}

TEST(DrawLayerPicture, GradientsRunAcrossTheLayerWithHalvesToEven) {
  // Frame bytes 100, layer bytes 0: every drawn byte equals t. From 0 to 10
  // over 4 pixels t is round(2.5 * s): 0, 2 (2.5), 5, 8 (7.5).
  const Picture layer = MakeSolidPicture(4, 4, kBlack);
  const Color t0 = RGBColor(0, 0, 0), t2 = RGBColor(2, 2, 2), t5 = RGBColor(5, 5, 5), t8 = RGBColor(8, 8, 8);
  Picture across = MakeSolidPicture(4, 4, RGBColor(100, 100, 100));
  DrawLayerPicture(layer, across, bt_H_Blend, 0, 10, kKey, false, 0, 0, 0);
  EXPECT_TRUE(PicturesEqual(across, MakePicture({{t0, t2, t5, t8}, {t0, t2, t5, t8}, {t0, t2, t5, t8}, {t0, t2, t5, t8}})));
  Picture down = MakeSolidPicture(4, 4, RGBColor(100, 100, 100));
  DrawLayerPicture(layer, down, bt_V_Blend, 0, 10, kKey, false, 0, 0, 0);
  EXPECT_TRUE(PicturesEqual(down, MakePicture({{t0, t0, t0, t0}, {t2, t2, t2, t2}, {t5, t5, t5, t5}, {t8, t8, t8, t8}})));
  // The gradient follows the layer's own columns when the frame cuts it off.
  Picture cut = MakeSolidPicture(2, 1, RGBColor(100, 100, 100));
  DrawLayerPicture(MakeSolidPicture(4, 1, kBlack), cut, bt_H_Blend, 0, 10, kKey, false, 0, -2, 0);
  EXPECT_TRUE(PicturesEqual(cut, MakePicture({{t5, t8}})));
}

TEST(DrawLayerPicture, TintKeepsBrightnessAndTakesTheTintsHue) {
  const Color tint = RGBColor(255, 128, 0);
  const Picture layer = MakePicture({{kBlack, kWhite, RGBColor(50, 100, 200), kKey}});
  Picture frame = MakeSolidPicture(4, 1, 0x808080);
  DrawLayerPicture(layer, frame, bt_No_Blend, 0, 0, kKey, true, tint, 0, 0);
  // Largest byte 200: round(255*200/255) = 200, round(128*200/255) = round(100.39) = 100, 0.
  EXPECT_TRUE(PicturesEqual(frame, MakePicture({{kBlack, tint, RGBColor(200, 100, 0), 0x808080}})));
}

TEST(DrawLayerPicture, FullTransparencyKeepsTheFrameButStillTints) {
  const Picture layer = MakePicture({{kBlack, kKey}});
  Picture plain = MakePicture({{kWhite, kWhite}});
  DrawLayerPicture(layer, plain, bt_Blend, 100, 0, kKey, false, 0, 0, 0);
  EXPECT_TRUE(PicturesEqual(plain, MakePicture({{kWhite, kWhite}})));
  Picture tinted = MakePicture({{kWhite, kWhite}});
  DrawLayerPicture(layer, tinted, bt_Blend, 100, 0, kKey, true, RGBColor(10, 20, 30), 0, 0);
  EXPECT_TRUE(PicturesEqual(tinted, MakePicture({{RGBColor(10, 20, 30), kWhite}})));
  // Transparencies beyond 100 count as 100 rather than wrapping the bytes.
  Picture over = MakePicture({{kWhite, kWhite}});
  DrawLayerPicture(layer, over, bt_Blend, 250, 0, kKey, false, 0, 0, 0);
  EXPECT_TRUE(PicturesEqual(over, MakePicture({{kWhite, kWhite}})));
}

TEST(DrawLayerPicture, PlacementClipsToTheFrame) {
  Picture layer(15, 2);
  for (int x = 0; x < 15; ++x) {
    test::SetPixelColor(layer, x, 0, RGBColor(static_cast<uint8_t>(x), 0, 0));
    test::SetPixelColor(layer, x, 1, RGBColor(static_cast<uint8_t>(x), 1, 0));
  }
  const Color bg = RGBColor(99, 99, 99);
  Picture frame = MakeSolidPicture(8, 3, bg);
  DrawLayerPicture(layer, frame, bt_No_Blend, 0, 0, kKey, false, 0, -10, 2);
  auto c = [](int x, int g) { return RGBColor(static_cast<uint8_t>(x), static_cast<uint8_t>(g), 0); };
  EXPECT_TRUE(PicturesEqual(frame, MakePicture({{bg, bg, bg, bg, bg, bg, bg, bg},
                                                {bg, bg, bg, bg, bg, bg, bg, bg},
                                                {c(10, 0), c(11, 0), c(12, 0), c(13, 0), c(14, 0), bg, bg, bg}})));

  struct Place {
    int x, y;
  };
  for (const Place p : {Place{8, 0}, Place{-15, 0}, Place{0, 3}, Place{0, -2}, Place{INT_MAX, 0}, Place{INT_MIN, 0},
                        Place{0, INT_MAX}, Place{INT_MIN, INT_MIN}}) {
    Picture untouched = MakeSolidPicture(8, 3, bg);
    DrawLayerPicture(layer, untouched, bt_No_Blend, 0, 0, kKey, true, kWhite, p.x, p.y);
    EXPECT_TRUE(PicturesEqual(untouched, MakeSolidPicture(8, 3, bg))) << p.x << "," << p.y;
  }
}

TEST(DrawLayerPicture, OntoItselfDrawsTheOriginalPixels) {
  const Picture original = MakeRandomPicture(9, 7, 11);
  Picture expected(original);
  DrawLayerPicture(original, expected, bt_Blend, 30, 0, kKey, false, 0, 2, 1);
  Picture self(original);
  DrawLayerPicture(self, self, bt_Blend, 30, 0, kKey, false, 0, 2, 1);
  EXPECT_TRUE(PicturesEqual(self, expected));
}

// ---- SampleBilinear and RotatePicture -------------------------------------------

TEST(SampleBilinear, WeighsTheFourNeighboursAndRoundsHalvesToEven) {
  auto grey = [](int v) { return RGBColor(static_cast<uint8_t>(v), static_cast<uint8_t>(v), static_cast<uint8_t>(v)); };
  // 0*.25 + 100*.25 + 200*.25 + 50*.25 = 87.5 -> 88; with 46 instead of 50: 86.5 -> 86.
  const Picture a = MakePicture({{grey(0), grey(100)}, {grey(200), grey(50)}});
  const Picture b = MakePicture({{grey(0), grey(100)}, {grey(200), grey(46)}});
  EXPECT_EQ(SampleBilinear(a, 0.5, 0.5), (BGR{88, 88, 88}));
  EXPECT_EQ(SampleBilinear(b, 0.5, 0.5), (BGR{86, 86, 86}));
  // Row 0.25 between 100 and 50 at column 1: 87.5 -> 88.
  EXPECT_EQ(SampleBilinear(a, 0.25, 1.0), (BGR{88, 88, 88}));
  // Integral coordinates, the far corner included, give the pixel itself.
  EXPECT_EQ(SampleBilinear(a, 1.0, 1.0), (BGR{50, 50, 50}));
}

TEST(SampleBilinear, RefusesPointsOutsideThePicture) {
  const Picture p = MakeSolidPicture(3, 2, kWhite);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::pair<double, double> outside[] = {{-0.01, 0.0}, {0.0, 2.01}, {1.01, 0.0}, {nan, 0.0}, {0.0, nan}};
  for (const auto& [row, col] : outside)
    EXPECT_EQ(test::ErrorCodeOf<EngineError>([&] { SampleBilinear(p, row, col); }), EngineErrorCode::RasterArgument)
        << row << "," << col;
  EXPECT_EQ(test::ErrorCodeOf<EngineError>([&] { SampleBilinear(Picture(), 0.0, 0.0); }),
            EngineErrorCode::RasterArgument);
}

TEST(RotatePicture, SizeAndShifts) {
  struct Case {
    int w, h;
    double angle;
    int nw, nh;
    RotationShift shift;
  };
  const Case cases[] = {
      {100, 50, 90, 50, 100, {25, -25}},  {100, 50, -90, 50, 100, {25, -25}}, {100, 50, 180, 100, 50, {0, 0}},
      {100, 50, 360, 100, 50, {0, 0}},    {10, 10, 45, 14, 14, {-2, -2}},     {4, 2, 90, 2, 4, {1, -1}},
  };
  for (const Case& c : cases) {
    Picture p = MakeRandomPicture(c.w, c.h, 3);
    const RotationShift got = RotatePicture(p, kKey, false, c.angle);
    EXPECT_EQ(p.Width(), c.nw) << c.w << "x" << c.h << " by " << c.angle;
    EXPECT_EQ(p.Height(), c.nh) << c.w << "x" << c.h << " by " << c.angle;
    EXPECT_EQ(got, c.shift) << c.w << "x" << c.h << " by " << c.angle;
  }
}

TEST(RotatePicture, PositiveAnglesTurnCounterClockwise) {
  const Color A = 0x000001, B = 0x000002, C = 0x000003, D = 0x000004, E = 0x000005, F = 0x000006, G = 0x000007,
               H = 0x000008;
  const Picture original = MakePicture({{A, B, C, D}, {E, F, G, H}});
  Picture left(original), right(original);
  RotatePicture(left, kKey, false, 90);
  EXPECT_TRUE(PicturesEqual(left, MakePicture({{D, H}, {C, G}, {B, F}, {A, E}})));
  RotatePicture(right, kKey, false, -90);
  EXPECT_TRUE(PicturesEqual(right, MakePicture({{E, A}, {F, B}, {G, C}, {H, D}})));
}

TEST(RotatePicture, ByZeroReproducesThePictureWithAndWithoutAntiAliasing) {
  const std::pair<int, int> sizes[] = {{7, 5}, {8, 6}, {1, 1}};
  for (const auto& [w, h] : sizes)
    for (bool aa : {false, true}) {
      const Picture original = MakeRandomPicture(w, h, 21);
      Picture p(original);
      EXPECT_EQ(RotatePicture(p, kKey, aa, 0.0), (RotationShift{0, 0}));
      EXPECT_TRUE(PicturesEqual(p, original)) << w << "x" << h << " aa " << aa;
    }
}

TEST(RotatePicture, UncoveredCornersTakeTheFillColour) {
  Picture p = MakeSolidPicture(10, 10, kWhite);
  RotatePicture(p, kKey, true, 45);
  EXPECT_EQ(PixelColor(p, 0, 0), kKey);
  EXPECT_EQ(PixelColor(p, 13, 13), kKey);
  EXPECT_EQ(PixelColor(p, 7, 7), kWhite);
}

TEST(RotatePicture, FailuresLeaveThePictureAndFreeTheTemporary) {
  const int live = LivePictureCount();
  const Picture original = MakeRandomPicture(5, 4, 8);
  Picture p(original);
  EXPECT_EQ(
      test::ErrorCodeOf<EngineError>([&] { RotatePicture(p, kKey, false, std::numeric_limits<double>::quiet_NaN()); }),
      EngineErrorCode::RasterArgument);
  EXPECT_EQ(
      test::ErrorCodeOf<EngineError>([&] { RotatePicture(p, kKey, true, std::numeric_limits<double>::infinity()); }),
      EngineErrorCode::RasterArgument);
  EXPECT_TRUE(PicturesEqual(p, original));
  // 16384 x 1 turned by 45 degrees would need 11586 x 11586 pixels.
  Picture wide(kMaxPictureSide, 1);
  EXPECT_EQ(test::ErrorCodeOf<EngineError>([&] { RotatePicture(wide, kKey, false, 45); }),
            EngineErrorCode::PictureSize);
  EXPECT_EQ(wide.Width(), kMaxPictureSide);
  EXPECT_EQ(LivePictureCount(), live);
  RotatePicture(p, kKey, true, 30);
  EXPECT_EQ(LivePictureCount(), live);
}

// ---- pixel rotate, mirror, flip -------------------------------------------------

TEST(PixelRotate, ShiftsRowsAndColumnsCyclically) {
  constexpr Color c0 = 0x0000A0, c1 = 0x0000A1, c2 = 0x0000A2;
  struct Case {
    int direction, amount;
    Color first, second, third;  // resulting order of the lines 0, 1, 2
  };
  const Case cases[] = {
      {pr_Down, 1, c2, c0, c1},  {pr_Up, 1, c1, c2, c0},     {pr_Down, 0, c0, c1, c2},  {pr_Up, 3, c0, c1, c2},
      {pr_Down, 4, c2, c0, c1},  {pr_Down, -1, c1, c2, c0},  {pr_Up, -4, c2, c0, c1},   {pr_Up, INT_MIN, c1, c2, c0},
      {pr_Right, 1, c2, c0, c1}, {pr_Left, 1, c1, c2, c0},   {pr_Left, 5, c2, c0, c1},  {pr_Right, -1, c1, c2, c0},
      {pr_Right, INT_MAX, c2, c0, c1},
  };
  // INT_MIN mod 3 = -2 (Up by -2 is Up by 1); INT_MAX mod 3 = 1.
  for (const Case& c : cases) {
    const bool vertical = c.direction == pr_Up || c.direction == pr_Down;
    Picture p = vertical ? MakePicture({{c0, c0}, {c1, c1}, {c2, c2}}) : MakePicture({{c0, c1, c2}, {c0, c1, c2}});
    if (vertical)
      PixelRotateVertical(p, c.direction, c.amount);
    else
      PixelRotateHorizontal(p, c.direction, c.amount);
    const Picture expected = vertical ? MakePicture({{c.first, c.first}, {c.second, c.second}, {c.third, c.third}})
                                       : MakePicture({{c.first, c.second, c.third}, {c.first, c.second, c.third}});
    EXPECT_TRUE(PicturesEqual(p, expected)) << "direction " << c.direction << " amount " << c.amount;
  }
}

TEST(PixelRotate, OtherDirectionsAndEmptyPicturesChangeNothing) {
  const Picture original = MakeRandomPicture(4, 3, 2);
  Picture p(original);
  PixelRotateVertical(p, pr_Left, 1);
  PixelRotateHorizontal(p, pr_Down, 1);
  PixelRotateVertical(p, 7, 1);
  EXPECT_TRUE(PicturesEqual(p, original));
  Picture empty;
  PixelRotateVertical(empty, pr_Down, 5);
  PixelRotateHorizontal(empty, pr_Right, 5);
  EXPECT_TRUE(empty.Empty());
}

TEST(MirrorAndFlip, ReverseColumnsAndRows) {
  const Picture original = MakePicture({{1, 2, 3}, {4, 5, 6}});
  Picture mirrored(original), flipped(original);
  MirrorPicture(mirrored);
  FlipPicture(flipped);
  EXPECT_TRUE(PicturesEqual(mirrored, MakePicture({{3, 2, 1}, {6, 5, 4}})));
  EXPECT_TRUE(PicturesEqual(flipped, MakePicture({{4, 5, 6}, {1, 2, 3}})));
}

// ---- ButtonizePicture ---------------------------------------------------------

TEST(ButtonizePicture, BandsOfThreeOnTenByTen) {
  const Color p = RGBColor(201, 150, 101);
  // Half way toward white and toward black; MulDiv rounds halves away from
  // zero, and the side bands divide the difference from the picture's side
  // (A + (p - A)/2, p + (B - p)/2) while the top and bottom bands divide it
  // from the other side, so odd differences round the other way.
  const Color h = RGBColor(228, 202, 178), s = RGBColor(100, 75, 50);    // left, right
  const Color ht = RGBColor(228, 203, 178), sb = RGBColor(101, 75, 51);  // top, bottom
  // The top band's second row goes half way again over the side bands.
  const Color hh = RGBColor(242, 229, 217), sh = RGBColor(178, 165, 153);
  const Color A = kWhite, B = kBlack;
  Picture pic = MakeSolidPicture(10, 10, p);
  ButtonizePicture(pic, 3, A, B);
  EXPECT_TRUE(PicturesEqual(pic, MakePicture({
                                     {A, A, A, A, A, A, A, A, A, A},
                                     {A, hh, ht, ht, ht, ht, ht, ht, sh, B},
                                     {A, h, p, p, p, p, p, p, s, B},
                                     {A, h, p, p, p, p, p, p, s, B},
                                     {A, h, p, p, p, p, p, p, s, B},
                                     {A, h, p, p, p, p, p, p, s, B},
                                     {A, h, p, p, p, p, p, p, s, B},
                                     {A, h, p, p, p, p, p, p, s, B},
                                     {A, h, sb, sb, sb, sb, sb, sb, s, B},
                                     {A, B, B, B, B, B, B, B, B, B},
                                 })));
}

TEST(ButtonizePicture, WidthOnePaintsTheOuterRing) {
  const Color p = 0x404040, A = RGBColor(250, 240, 230), B = RGBColor(10, 20, 30);
  Picture pic = MakeSolidPicture(4, 3, p);
  ButtonizePicture(pic, 1, A, B);
  EXPECT_TRUE(PicturesEqual(pic, MakePicture({{A, A, A, A}, {A, p, p, B}, {A, B, B, B}})));
}

TEST(ButtonizePicture, BandsMayOverlapAcrossTheMiddle) {
  // 6 x 12 grey with n = 4: the right band (128, 85, 43, 0 over columns
  // 2..5) and the left band (255, 213, 170 over columns 0..2, then column 3
  // taken from 85 to 85) overlap in columns 2 and 3.
  const Color g = RGBColor(128, 128, 128);
  Picture pic = MakeSolidPicture(6, 12, g);
  ButtonizePicture(pic, 4, kWhite, kBlack);
  std::vector<int> middle;
  for (int x = 0; x < 6; ++x) middle.push_back(static_cast<int>(PixelColor(pic, x, 6) & 0xFF));
  EXPECT_EQ(middle, (std::vector<int>{255, 213, 170, 85, 43, 0}));
  for (int x = 0; x < 6; ++x) {
    const Color c = PixelColor(pic, x, 6);
    EXPECT_EQ(c, RGBColor(c & 0xFF, c & 0xFF, c & 0xFF)) << x;  // grey stays grey
  }
}

TEST(ButtonizePicture, WidthIsClampedToTheSmallerSide) {
  const Picture original = MakeRandomPicture(10, 5, 4);
  Picture clamped(original), five(original), two(original);
  ButtonizePicture(clamped, 100, kWhite, kBlack);
  ButtonizePicture(five, 5, kWhite, kBlack);
  ButtonizePicture(two, 2, kWhite, kBlack);
  EXPECT_TRUE(PicturesEqual(clamped, five));
  EXPECT_FALSE(PicturesEqual(clamped, two));
  for (int n : {0, -3}) {
    Picture same(original);
    ButtonizePicture(same, n, kWhite, kBlack);
    EXPECT_TRUE(PicturesEqual(same, original)) << n;
  }
  // A picture one pixel wide takes the width-1 ring: its column is the
  // left edge, drawn last of the side bands, and the top row, all highlight.
  Picture thin = MakeRandomPicture(1, 9, 4);
  ButtonizePicture(thin, 3, kWhite, kBlack);
  EXPECT_TRUE(PicturesEqual(thin, MakeSolidPicture(1, 9, kWhite)));
}

// ---- FillColorRect ------------------------------------------------------------

TEST(FillColorRect, FillsTheClippedRectangleAndResolvesSystemColours) {
  const Color bg = 0x010203, c = RGBColor(9, 8, 7);
  Picture pic = MakeSolidPicture(4, 3, bg);
  FillColorRect(pic, c, Rect{-5, 1, 2, 10});
  EXPECT_TRUE(PicturesEqual(pic, MakePicture({{bg, bg, bg, bg}, {c, c, bg, bg}, {c, c, bg, bg}})));
  FillColorRect(pic, c, Rect{3, 2, 1, 0});  // inverted: nothing
  EXPECT_TRUE(PicturesEqual(pic, MakePicture({{bg, bg, bg, bg}, {c, c, bg, bg}, {c, c, bg, bg}})));
  ResetSystemColors();
  FillColorRect(pic, kSystemColorFlag | 5, Rect{0, 0, 4, 3});  // window colour
  EXPECT_TRUE(PicturesEqual(pic, MakeSolidPicture(4, 3, SystemColor(5))));
}

}  // namespace
}  // namespace kt58
