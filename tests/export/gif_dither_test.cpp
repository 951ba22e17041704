// SPDX-License-Identifier: GPL-3.0-or-later
// Error-diffusion dithering of the GIF colour reduction, checked against a
// plain reference that spreads errors over a whole-picture error array by
// the published kernels.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <vector>

#include "export/gif/color_reduction.h"

namespace kt58 {
namespace {

// Kernel as published: rows from the current one down; the current pixel is
// at column `centre` of row 0 (entries up to it there are unused).
struct PublishedKernel {
  int code;
  const char* name;
  int divisor;
  int centre;
  std::vector<std::vector<int>> rows;
};

const std::vector<PublishedKernel>& Kernels() {
  static const std::vector<PublishedKernel> kernels = {
      {dmFloydSteinberg, "Floyd-Steinberg", 16, 1, {{0, 0, 7}, {3, 5, 1}}},
      {dmStucki, "Stucki", 42, 2, {{0, 0, 0, 8, 4}, {2, 4, 8, 4, 2}, {1, 2, 4, 2, 1}}},
      {dmSierra, "Sierra", 32, 2, {{0, 0, 0, 5, 3}, {2, 4, 5, 4, 2}, {0, 2, 3, 2, 0}}},
      {dmJaJuNI, "Jarvis-Judice-Ninke", 48, 2, {{0, 0, 0, 7, 5}, {3, 5, 7, 5, 3}, {1, 3, 5, 3, 1}}},
      {dmSteveArche,
       "Stevenson-Arce",
       200,
       3,
       {{0, 0, 0, 0, 0, 32, 0}, {12, 0, 26, 0, 30, 0, 16}, {0, 12, 0, 26, 0, 12, 0}, {5, 0, 12, 0, 12, 0, 5}}},
      {dmBurkes, "Burkes", 32, 2, {{0, 0, 0, 8, 4}, {2, 4, 8, 4, 2}}},
  };
  return kernels;
}

using Rgb = std::array<int, 3>;
// A look-up written from its formula: fills the colour, returns the index.
using LookupFormula = std::function<int(const Rgb&, Rgb&)>;

int CubeFormula(const Rgb& v, Rgb& colour) {
  Rgb level;
  for (int c = 0; c < 3; ++c) level[c] = (v[c] + 3) / 51, colour[c] = level[c] * 51;
  return 36 * level[0] + 6 * level[1] + level[2];
}

int MonochromeFormula(const Rgb& v, Rgb& colour) {
  const bool white = 77 * v[0] + 150 * v[1] + 29 * v[2] > 32512;
  colour.fill(white ? 255 : 0);
  return white ? 1 : 0;
}

int GreyFormula(const Rgb& v, Rgb& colour) {
  const int level = (77 * v[0] + 150 * v[1] + 29 * v[2]) >> 8;
  colour.fill(level);
  return level;
}

// Incoming error: the weighted sum over the divisor, rounded half away from zero.
int Rounded(int sum, int divisor) {
  const int magnitude = (std::abs(sum) * 2 + divisor) / (2 * divisor);
  return sum < 0 ? -magnitude : magnitude;
}

std::vector<uint8_t> ReferenceDither(const Picture& p, const PublishedKernel& k, const LookupFormula& lookup) {
  const int w = p.Width(), h = p.Height();
  std::vector<Rgb> error(static_cast<size_t>(w * h), Rgb{0, 0, 0});
  std::vector<uint8_t> out;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint8_t* px = p.Row(y) + 3 * x;
      const Rgb original{px[2], px[1], px[0]};
      Rgb v, colour;
      for (int c = 0; c < 3; ++c)
        v[c] = std::clamp(original[c] + Rounded(error[static_cast<size_t>(y * w + x)][c], k.divisor), 0, 255);
      out.push_back(static_cast<uint8_t>(lookup(v, colour)));
      for (size_t dy = 0; dy < k.rows.size(); ++dy)
        for (size_t col = 0; col < k.rows[dy].size(); ++col) {
          const int weight = k.rows[dy][col];
          const int tx = x + static_cast<int>(col) - k.centre, ty = y + static_cast<int>(dy);
          if (weight == 0 || tx < 0 || tx >= w || ty >= h) continue;
          for (int c = 0; c < 3; ++c) error[static_cast<size_t>(ty * w + tx)][c] += (v[c] - colour[c]) * weight;
        }
    }
  return out;
}

Picture Gradient(int w, int h) {
  Picture p(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* px = p.Row(y) + 3 * x;
      px[2] = static_cast<uint8_t>(x * 255 / std::max(w - 1, 1));
      px[1] = static_cast<uint8_t>(y * 255 / std::max(h - 1, 1));
      px[0] = static_cast<uint8_t>((x * 37 + y * 11) % 256);
    }
  return p;
}

TEST(GifDither, EachKernelMatchesTheReference) {
  const Picture picture = Gradient(29, 13);
  const std::vector<std::tuple<int, const char*, LookupFormula>> lookups = {
      {rmNetscape, "cube", CubeFormula},
      {rmMonochrome, "black/white", MonochromeFormula},
      {rmGrayScale, "grey", GreyFormula},
  };
  for (const PublishedKernel& k : Kernels())
    for (const auto& [reduction, name, formula] : lookups) {
      const IndexedPicture out = ReduceColors(picture, reduction, 8, k.code);
      EXPECT_EQ(out.indices, ReferenceDither(picture, k, formula)) << k.name << " with the " << name << " look-up";
    }
}

TEST(GifDither, KernelsDifferFromEachOtherAndFromNearest) {
  const Picture picture = Gradient(29, 13);
  std::vector<std::vector<uint8_t>> results{ReduceColors(picture, rmMonochrome, 8, dmNearest).indices};
  for (const PublishedKernel& k : Kernels()) {
    const std::vector<uint8_t> r = ReduceColors(picture, rmMonochrome, 8, k.code).indices;
    for (const auto& earlier : results) EXPECT_NE(r, earlier) << k.name;
    results.push_back(r);
  }
}

TEST(GifDither, FlatGreyKeepsItsAverageInBlackAndWhite) {
  // 100/255 of the pixels should come out white, whatever the kernel.
  Picture picture(64, 64);
  std::fill_n(picture.Bits(), picture.ImageBytes(), uint8_t{100});
  for (const PublishedKernel& k : Kernels()) {
    const IndexedPicture out = ReduceColors(picture, rmMonochrome, 8, k.code);
    const double white = std::count(out.indices.begin(), out.indices.end(), 1) / 4096.0;
    EXPECT_NEAR(white, 100.0 / 255.0, 0.02) << k.name;
  }
  const IndexedPicture nearest = ReduceColors(picture, rmMonochrome, 8, dmNearest);
  EXPECT_EQ(std::count(nearest.indices.begin(), nearest.indices.end(), 1), 0);
}

TEST(GifDither, NearestEntryPalettesDiffuseToo) {
  // Mid grey between black and white entries of a caller's palette: half
  // the pixels each way, where nearest alone picks black everywhere.
  const GifPalette palette = {{0, 0, 0}, {255, 255, 255}};
  Picture picture(32, 32);
  std::fill_n(picture.Bits(), picture.ImageBytes(), uint8_t{127});
  const IndexedPicture nearest = ReduceColors(picture, rmPalette, 8, dmNearest, &palette);
  EXPECT_EQ(std::count(nearest.indices.begin(), nearest.indices.end(), 1), 0);
  const IndexedPicture fs = ReduceColors(picture, rmPalette, 8, dmFloydSteinberg, &palette);
  EXPECT_NEAR(std::count(fs.indices.begin(), fs.indices.end(), 1) / 1024.0, 0.5, 0.03);
}

TEST(GifDither, OnePixelWideAndHighPictures) {
  // Every tap falls outside; nothing may be written out of bounds.
  for (const PublishedKernel& k : Kernels()) {
    EXPECT_EQ(ReduceColors(Gradient(1, 9), rmNetscape, 8, k.code).indices.size(), 9u);
    EXPECT_EQ(ReduceColors(Gradient(9, 1), rmQuantize, 3, k.code).indices.size(), 9u);
  }
}

}  // namespace
}  // namespace kt58
