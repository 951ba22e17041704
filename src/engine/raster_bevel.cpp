// SPDX-License-Identifier: GPL-3.0-or-later
// The "buttonize" bevel: four bands along the edges blending toward the
// highlight (left, top) and the shadow (right, bottom). Weights are i/(n-1)
// rounded by MulDiv (halves away from zero); the top and bottom bands are
// drawn last over narrowing column ranges, which mitres the corners.
//
// For 2 <= n <= min(W, H) every pass stays inside the picture and every
// result is defined, overlapping bands included (a band as wide as the
// picture blends the whole picture), so n is clamped only to the smaller
// side; wider requests get the widest band the picture holds.
#include <algorithm>
#include <cstdint>

#include "engine/raster_ops.h"
#include "platform/numeric.h"

namespace kt58 {

namespace {

inline uint8_t Byte(const BGR& c, int b) { return b == 0 ? c.b : (b == 1 ? c.g : c.r); }

void PaintPixel(uint8_t* p, const BGR& c) {
  p[0] = c.b;
  p[1] = c.g;
  p[2] = c.r;
}

// A band one pixel wide has no weights to spread (n - 1 = 0): its only
// column or row is the outermost one, which the wider bands paint in the
// band colour, so it is painted in the band colour too.
void OuterRing(Picture& picture, const BGR& highlight, const BGR& shadow) {
  const int w = picture.Width(), h = picture.Height();
  for (int r = 0; r < h; ++r) PaintPixel(picture.Row(r) + 3 * (w - 1), shadow);
  for (int r = 0; r < h; ++r) PaintPixel(picture.Row(r), highlight);
  for (int x = 1; x <= w - 2; ++x) PaintPixel(picture.Row(h - 1) + 3 * x, shadow);
  for (int x = 0; x <= w - 1; ++x) PaintPixel(picture.Row(0) + 3 * x, highlight);
}

}  // namespace

void ButtonizePicture(Picture& picture, int width, Color highlight, Color shadow) noexcept {
  const int w = picture.Width(), h = picture.Height();
  const int n = std::min(width, std::min(w, h));
  if (n <= 0) return;
  const BGR a = ColorToBGR(highlight);
  const BGR bc = ColorToBGR(shadow);
  if (n == 1) {
    OuterRing(picture, a, bc);
    return;
  }
  const int d = n - 1;

  // Right band, toward the shadow: column w-n keeps p, column w-1 becomes it.
  for (int r = 0; r < h; ++r) {
    uint8_t* row = picture.Row(r);
    for (int i = 0; i < n; ++i) {
      uint8_t* p = row + 3 * (w - n + i);
      for (int b = 0; b < 3; ++b) p[b] = static_cast<uint8_t>(p[b] + MulDiv(i, Byte(bc, b) - p[b], d));
    }
  }
  // Left band, toward the highlight: column 0 becomes it, column n-1 keeps p.
  for (int r = 0; r < h; ++r) {
    uint8_t* row = picture.Row(r);
    for (int i = 0; i < n; ++i) {
      uint8_t* p = row + 3 * i;
      for (int b = 0; b < 3; ++b) p[b] = static_cast<uint8_t>(Byte(a, b) + MulDiv(i, p[b] - Byte(a, b), d));
    }
  }
  // Bottom band, toward the shadow, one column narrower on each side than the top band.
  for (int k = 0; k < n; ++k) {
    uint8_t* row = picture.Row(h - n + k);
    for (int x = n - k; x <= w - 1 - n + k; ++x) {
      uint8_t* p = row + 3 * x;
      for (int b = 0; b < 3; ++b)
        p[b] = static_cast<uint8_t>(Byte(bc, b) + MulDiv(n - 1 - k, p[b] - Byte(bc, b), d));
    }
  }
  // Top band, toward the highlight: row 0 becomes it, row n-1 keeps p.
  for (int k = 0; k < n; ++k) {
    uint8_t* row = picture.Row(k);
    for (int x = k; x <= w - 1 - k; ++x) {
      uint8_t* p = row + 3 * x;
      for (int b = 0; b < 3; ++b) p[b] = static_cast<uint8_t>(p[b] + MulDiv(n - 1 - k, Byte(a, b) - p[b], d));
    }
  }
}

}  // namespace kt58
