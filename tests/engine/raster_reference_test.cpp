// SPDX-License-Identifier: GPL-3.0-or-later
// Every raster operation against a plain per-pixel version written here from
// the formulas (no lookup tables, no vector code, no precomputed products),
// on many small random pictures. The fast paths must agree byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "engine/picture.h"
#include "engine/raster_internal.h"
#include "engine/raster_ops.h"
#include "platform/numeric.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

using test::PicturesEqual;

// ---- plain versions ---------------------------------------------------------

uint8_t* Px(Picture& p, int x, int y) { return p.Row(y) + 3 * x; }
const uint8_t* Px(const Picture& p, int x, int y) { return p.Row(y) + 3 * x; }
uint8_t Channel(BGR c, int b) { return b == 0 ? c.b : b == 1 ? c.g : c.r; }

void RefDraw(const Picture& layer, Picture& frame, int type, int tr, int alt, Color key_color, bool tint_on,
             Color tint_color, int x, int y) {
  const BGR key = ColorToBGR(key_color);
  const BGR tint = ColorToBGR(tint_color);
  tr = std::clamp(tr, 0, 100);
  alt = std::clamp(alt, 0, 100);
  int t = type == 0 ? 0 : tr;
  const int64_t lw = layer.Width(), lh = layer.Height();
  for (int r = 0; r < frame.Height(); ++r) {
    if (r < y || r >= int64_t{y} + lh) continue;
    for (int c = 0; c < frame.Width(); ++c) {
      if (c < x || int64_t{c} - x >= lw) continue;
      const int s = c - x;
      const uint8_t* l = Px(layer, s, r - y);
      if (l[0] == key.b && l[1] == key.g && l[2] == key.r) continue;
      if (type == 2) t = static_cast<int>(std::nearbyint(static_cast<double>(alt - tr) / lw * s)) + tr;
      if (type == 3) t = static_cast<int>(std::nearbyint(static_cast<double>(alt - tr) / lh * (r - y))) + tr;
      uint8_t* f = Px(frame, c, r);
      for (int b = 0; b < 3; ++b) f[b] = static_cast<uint8_t>((f[b] * t + l[b] * (100 - t)) / 100);
      if (tint_on) {
        const int m = std::max({f[0], f[1], f[2]});
        const double k = m / 255.0;
        for (int b = 0; b < 3; ++b) f[b] = static_cast<uint8_t>(std::nearbyint(Channel(tint, b) * k));
      }
    }
  }
}

BGR RefSample(const Picture& p, double y, double x) {
  const int x0 = static_cast<int>(std::trunc(x)), x1 = static_cast<int>(std::ceil(x));
  const int y0 = static_cast<int>(std::trunc(y)), y1 = static_cast<int>(std::ceil(y));
  const double fx = x - std::trunc(x), fy = y - std::trunc(y);
  uint8_t out[3];
  for (int b = 0; b < 3; ++b) {
    const double v = Px(p, x0, y0)[b] * (1 - fx) * (1 - fy) + Px(p, x1, y0)[b] * fx * (1 - fy) +
                     Px(p, x0, y1)[b] * (1 - fx) * fy + Px(p, x1, y1)[b] * fx * fy;
    out[b] = static_cast<uint8_t>(std::nearbyint(v));
  }
  return BGR{out[0], out[1], out[2]};
}

RotationShift RefRotate(Picture& p, Color fill_color, bool aa, double a) {
  const double theta = a * 0.017453292519943295;
  const double s = std::sin(theta), c = std::cos(theta);
  const int w = p.Width(), h = p.Height();
  const int cx = w / 2, cy = h / 2;
  auto rnd = [](double v) { return static_cast<int>(std::nearbyint(v)); };
  const int nw = std::abs(rnd(h * s)) + std::abs(rnd(w * c));
  const int nh = std::abs(rnd(w * s)) + std::abs(rnd(h * c));
  const BGR fill = ColorToBGR(fill_color);
  Picture out(nw, nh);
  for (int y = 0; y < nh; ++y)
    for (int x = 0; x < nw; ++x) {
      const int xx = 2 * (x - (nw - w) / 2 - cx) + 1;
      const int yy = 2 * (y - (nh - h) / 2 - cy) + 1;
      const double u = xx * c - yy * s;
      const double v = xx * s + yy * c;
      BGR px = fill;
      if (!aa) {
        const int sx = (rnd(u) - 1) / 2 + cx, sy = (rnd(v) - 1) / 2 + cy;
        if (0 <= sx && sx <= w - 1 && 0 <= sy && sy <= h - 1) {
          const uint8_t* q = Px(p, sx, sy);
          px = BGR{q[0], q[1], q[2]};
        }
      } else {
        const double fx = (u - 1.0) / 2.0 + cx, fy = (v - 1.0) / 2.0 + cy;
        if (0 <= fx && fx <= w - 1 && 0 <= fy && fy <= h - 1) px = RefSample(p, fy, fx);
      }
      uint8_t* d = Px(out, x, y);
      d[0] = px.b;
      d[1] = px.g;
      d[2] = px.r;
    }
  p = out;
  return {(w - nw) / 2, (h - nh) / 2};
}

int Mod(int a, int m) { return ((a % m) + m) % m; }

void RefPixelRotate(Picture& p, int direction, int k) {
  const int w = p.Width(), h = p.Height();
  Picture out(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int nx = x, ny = y;
      if (direction == 1) ny = Mod(y + k, h);
      if (direction == 0) ny = Mod(y - k, h);
      if (direction == 3) nx = Mod(x + k, w);
      if (direction == 2) nx = Mod(x - k, w);
      std::copy_n(Px(p, x, y), 3, Px(out, nx, ny));
    }
  p = out;
}

void RefMirror(Picture& p) {
  const Picture old(p);
  for (int y = 0; y < p.Height(); ++y)
    for (int x = 0; x < p.Width(); ++x) std::copy_n(Px(old, p.Width() - 1 - x, y), 3, Px(p, x, y));
}

void RefFlip(Picture& p) {
  const Picture old(p);
  for (int y = 0; y < p.Height(); ++y)
    for (int x = 0; x < p.Width(); ++x) std::copy_n(Px(old, x, p.Height() - 1 - y), 3, Px(p, x, y));
}

void RefButtonize(Picture& p, int n, Color hl, Color sh) {
  const int w = p.Width(), h = p.Height();
  n = std::min(n, std::min(w, h));
  if (n <= 0) return;
  const BGR A = ColorToBGR(hl), B = ColorToBGR(sh);
  // With n = 1 the only weight is that of the outermost column or row,
  // which the wider bands give the full band colour.
  auto md = [n](int i, int v, bool outer_full) { return n == 1 ? (outer_full ? v : 0) : MulDiv(i, v, n - 1); };
  for (int i = 0; i < n; ++i)
    for (int y = 0; y < h; ++y)
      for (int b = 0; b < 3; ++b) {
        uint8_t& v = Px(p, w - n + i, y)[b];
        v = static_cast<uint8_t>(v + md(i, Channel(B, b) - v, true));
      }
  for (int y = 0; y < h; ++y)
    for (int i = 0; i < n; ++i)
      for (int b = 0; b < 3; ++b) {
        uint8_t& v = Px(p, i, y)[b];
        v = static_cast<uint8_t>(Channel(A, b) + md(i, v - Channel(A, b), false));
      }
  for (int k = 0; k < n; ++k)
    for (int x = n - k; x <= w - 1 - n + k; ++x)
      for (int b = 0; b < 3; ++b) {
        uint8_t& v = Px(p, x, h - n + k)[b];
        v = static_cast<uint8_t>(Channel(B, b) + md(n - 1 - k, v - Channel(B, b), false));
      }
  for (int k = 0; k < n; ++k)
    for (int x = k; x <= w - 1 - k; ++x)
      for (int b = 0; b < 3; ++b) {
        uint8_t& v = Px(p, x, k)[b];
        v = static_cast<uint8_t>(v + md(n - 1 - k, Channel(A, b) - v, true));
      }
}

// ---- random inputs ----------------------------------------------------------

// Pixels drawn from a few colours (so that colour keys and their one-off
// neighbours occur often) mixed with random ones.
Picture PalettePicture(int w, int h, std::mt19937& rng, const std::vector<Color>& palette) {
  Picture p(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const Color c = rng() % 3 ? palette[rng() % palette.size()] : (rng() & 0xFFFFFFu);
      test::SetPixelColor(p, x, y, c);
    }
  return p;
}

int Size(std::mt19937& rng) {
  // Mostly 1..17; now and then wide enough for several vector steps per row.
  return rng() % 8 == 0 ? 18 + static_cast<int>(rng() % 60) : 1 + static_cast<int>(rng() % 17);
}

int Between(std::mt19937& rng, int lo, int hi) { return lo + static_cast<int>(rng() % static_cast<uint32_t>(hi - lo + 1)); }

TEST(RasterReference, DrawLayerPictureMatchesFormula) {
  std::mt19937 rng(1234);
  for (int iter = 0; iter < 3000; ++iter) {
    const Color key = rng() & 0xFFFFFFu;
    const Color near = key ^ (1u << (rng() % 24));  // one bit off the key in one byte
    const std::vector<Color> palette{key, near, 0x000000, 0xFFFFFF, static_cast<Color>(rng() & 0xFFFFFFu)};
    const Picture layer = PalettePicture(Size(rng), Size(rng), rng, palette);
    const Picture frame0 = PalettePicture(Size(rng), Size(rng), rng, palette);
    const int type = Between(rng, 0, 4);
    const int tr = rng() % 10 == 0 ? Between(rng, -50, 200) : Between(rng, 0, 100);
    const int alt = rng() % 10 == 0 ? Between(rng, -50, 200) : Between(rng, 0, 100);
    const bool tint_on = rng() % 3 == 0;
    const Color tint = rng() & 0xFFFFFFu;
    const int x = rng() % 20 == 0 ? (rng() % 2 ? INT_MIN + 5 : INT_MAX - 5) : Between(rng, -25, 25);
    const int y = Between(rng, -25, 25);
    Picture expected(frame0), actual(frame0);
    RefDraw(layer, expected, type, tr, alt, key, tint_on, tint, x, y);
    DrawLayerPicture(layer, actual, type, tr, alt, key, tint_on, tint, x, y);
    ASSERT_TRUE(PicturesEqual(actual, expected))
        << "iteration " << iter << ": layer " << layer.Width() << "x" << layer.Height() << ", frame "
        << frame0.Width() << "x" << frame0.Height() << ", type " << type << ", t " << tr << "/" << alt << ", tint "
        << tint_on << ", at " << x << "," << y;
  }
}

// Every frame byte, layer byte and transparency 0..100 through the vector
// blend: frame bytes run down the rows, layer bytes along the columns.
TEST(RasterReference, BlendIsExactForEveryByteAndTransparency) {
  Picture frame0(256, 256), layer(256, 256);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) {
      std::fill_n(Px(frame0, x, y), 3, static_cast<uint8_t>(y));
      std::fill_n(Px(layer, x, y), 3, static_cast<uint8_t>(x));
      Px(layer, x, y)[1] = static_cast<uint8_t>(255 - x);
    }
  for (int t = 0; t <= 100; ++t) {
    Picture frame(frame0);
    DrawLayerPicture(layer, frame, bt_Blend, t, 0, 0x01000000u /* matches no pixel */, false, 0, 0, 0);
    for (int y = 0; y < 256; ++y)
      for (int x = 0; x < 256; ++x)
        for (int b = 0; b < 3; ++b) {
          const int l = Px(layer, x, y)[b];
          ASSERT_EQ(Px(frame, x, y)[b], (y * t + l * (100 - t)) / 100) << "t " << t << " at " << x << "," << y;
        }
  }
}

TEST(RasterReference, RotatePictureMatchesFormula) {
  std::mt19937 rng(99);
  const std::vector<double> fixed{0, 0.5, 1, 44.5, 45, 89.5, 90, 135, 180, 270, 360, -90, -37.5, 720.5, 1e-9};
  for (int iter = 0; iter < 1500; ++iter) {
    const Picture src = test::MakeRandomPicture(Size(rng), Size(rng), rng());
    const double angle = iter < static_cast<int>(fixed.size()) * 4
                             ? fixed[static_cast<size_t>(iter / 4)]
                             : (rng() % 2 ? Between(rng, -1440, 1440) * 0.5 : (rng() % 100000) / 97.0 - 500);
    const bool aa = iter % 2 == 1;
    const Color fill = rng() & 0xFFFFFFu;
    Picture expected(src), actual(src);
    const RotationShift want = RefRotate(expected, fill, aa, angle);
    const RotationShift got = RotatePicture(actual, fill, aa, angle);
    ASSERT_EQ(got, want) << "angle " << angle;
    ASSERT_TRUE(PicturesEqual(actual, expected))
        << "iteration " << iter << ": " << src.Width() << "x" << src.Height() << " by " << angle << " aa " << aa;
  }
}

TEST(RasterReference, SampleBilinearMatchesFormula) {
  std::mt19937 rng(5);
  for (int iter = 0; iter < 2000; ++iter) {
    const Picture p = test::MakeRandomPicture(Size(rng), Size(rng), rng());
    // Integral coordinates now and then, the far edge included.
    const double x = rng() % 4 == 0 ? Between(rng, 0, p.Width() - 1) : (p.Width() - 1) * ((rng() % 10001) / 10000.0);
    const double y = rng() % 4 == 0 ? Between(rng, 0, p.Height() - 1) : (p.Height() - 1) * ((rng() % 10001) / 10000.0);
    ASSERT_EQ(SampleBilinear(p, y, x), RefSample(p, y, x)) << x << "," << y;
  }
}

TEST(RasterReference, ShiftsMirrorFlipAndBevelMatchFormula) {
  std::mt19937 rng(77);
  for (int iter = 0; iter < 2000; ++iter) {
    const Picture src = test::MakeRandomPicture(Size(rng), Size(rng), rng());
    Picture expected(src), actual(src);
    const int op = iter % 5;
    if (op <= 1) {
      const int direction = Between(rng, 0, 3);
      const int amount = rng() % 10 == 0 ? (rng() % 2 ? INT_MIN : INT_MAX) : Between(rng, -40, 40);
      RefPixelRotate(expected, direction, amount % (direction <= 1 ? src.Height() : src.Width()));
      if (direction <= 1)
        PixelRotateVertical(actual, direction, amount);
      else
        PixelRotateHorizontal(actual, direction, amount);
      ASSERT_TRUE(PicturesEqual(actual, expected)) << "direction " << direction << " amount " << amount;
    } else if (op == 2) {
      RefMirror(expected);
      MirrorPicture(actual);
      ASSERT_TRUE(PicturesEqual(actual, expected));
    } else if (op == 3) {
      RefFlip(expected);
      FlipPicture(actual);
      ASSERT_TRUE(PicturesEqual(actual, expected));
    } else {
      const int n = rng() % 10 == 0 ? Between(rng, -3, 200) : Between(rng, 0, 9);
      const Color hl = rng() & 0xFFFFFFu, sh = rng() & 0xFFFFFFu;
      RefButtonize(expected, n, hl, sh);
      ButtonizePicture(actual, n, hl, sh);
      ASSERT_TRUE(PicturesEqual(actual, expected))
          << src.Width() << "x" << src.Height() << " n " << n;
    }
  }
}

// The inline rounding of the sampling loops agrees with RoundHalfEven,
// halves included.
TEST(RasterReference, InlineRoundingIsHalfEven) {
  std::mt19937_64 rng(3);
  for (int k = -100000; k <= 100000; ++k) {
    const double half = k + 0.5;
    ASSERT_EQ(raster_detail::RoundToInt(half), RoundHalfEven(half)) << half;
    ASSERT_EQ(raster_detail::RoundToInt(-half), RoundHalfEven(-half)) << -half;
    const double near = std::nextafter(half, 0.0);
    ASSERT_EQ(raster_detail::RoundToInt(near), RoundHalfEven(near)) << near;
  }
  std::uniform_real_distribution<double> any(-2e9, 2e9);
  for (int i = 0; i < 100000; ++i) {
    const double v = any(rng);
    ASSERT_EQ(raster_detail::RoundToInt(v), RoundHalfEven(v)) << v;
  }
}

}  // namespace
}  // namespace kt58
