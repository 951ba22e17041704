// SPDX-License-Identifier: GPL-3.0-or-later
// Mapping a picture's pixels through a colour look-up, with or without
// error diffusion.
//
// Diffusion walks the rows top-down, each left to right. Errors are kept in
// whole numbers: a pixel's incoming error is the sum of (error * weight) of
// the pixels that feed it, divided by the kernel's divisor and rounded half
// away from zero; the pixel plus that error is clamped to 0..255 per
// component before the look-up, and the clamped value minus the look-up's
// colour is the error it passes on. Error aimed outside the picture is lost.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "engine/picture.h"
#include "export/gif/color_reduction.h"

namespace kt58 {

struct DitherTap {
  int dx, dy, weight;  // dy >= 0; dy == 0 only with dx > 0
};

struct DitherKernel {
  int divisor = 1;
  int taps_used = 0;
  std::array<DitherTap, 12> taps{};
  int max_dy = 0, max_dx = 0;  // reach below and to either side
};

// The kernel of a diffusing DitherMode (1..6); nullptr for dmNearest.
// Raises GIFException("Invalid reduction method") for an unknown code.
const DitherKernel* DitherKernelFor(int dither);

namespace dither_detail {
inline int RoundedQuotient(int numerator, int divisor) {
  return numerator >= 0 ? (numerator + divisor / 2) / divisor : -((-numerator + divisor / 2) / divisor);
}
inline uint8_t ClampByte(int v) { return static_cast<uint8_t>(std::clamp(v, 0, 255)); }
}  // namespace dither_detail

// Writes one index per pixel (rows top-down) into indices, which must hold
// width * height bytes. With a previous frame of the same size (only for a
// look-up that gives an entry's colour by index), a diffused pixel whose
// source is unchanged takes the previous index instead of a look-up; the
// error it passes on is measured against that entry as for any other pixel.
template <class Lookup>
void MapPicture(const Picture& picture, int dither, Lookup& lookup, uint8_t* indices,
                const PreviousFrame& previous = {}) {
  using namespace dither_detail;
  const int width = picture.Width(), height = picture.Height();
  const DitherKernel* kernel = DitherKernelFor(dither);
  GifColor colour;
  if (kernel == nullptr) {
    for (int y = 0; y < height; ++y) {
      const uint8_t* p = picture.Row(y);
      uint8_t* out = indices + static_cast<size_t>(y) * static_cast<size_t>(width);
      for (int x = 0; x < width; ++x, p += 3) {
        // A look-up's answer depends only on the colour once it has been
        // asked for, so a run of one colour needs one look-up.
        if (x > 0 && p[0] == p[-3] && p[1] == p[-2] && p[2] == p[-1])
          out[x] = out[x - 1];
        else
          out[x] = lookup.Lookup(p[2], p[1], p[0], colour);
      }
    }
    return;
  }

  // One error row per row the kernel reaches, reused round-robin; each is
  // padded by the kernel's reach on both sides so no tap needs a bounds test.
  const int rows = kernel->max_dy + 1;
  const int pad = kernel->max_dx;
  const size_t row_len = static_cast<size_t>(width + 2 * pad) * 3;
  std::vector<int> errors(row_len * static_cast<size_t>(rows), 0);
  auto error_row = [&](int y) { return errors.data() + row_len * static_cast<size_t>(y % rows); };
  // Tap offsets into the error rows, in ints relative to the pixel's slot.
  std::array<ptrdiff_t, 12> offset{};
  std::array<int, 12> row_of{};
  for (int t = 0; t < kernel->taps_used; ++t) {
    offset[t] = static_cast<ptrdiff_t>(kernel->taps[t].dx) * 3;
    row_of[t] = kernel->taps[t].dy;
  }
  const int divisor = kernel->divisor;
  bool stable = false;
  if constexpr (requires { lookup.Entry(uint8_t{0}); })
    stable = previous.source != nullptr && previous.indices != nullptr && previous.source->Width() == width &&
             previous.source->Height() == height;

  for (int y = 0; y < height; ++y) {
    const uint8_t* p = picture.Row(y);
    uint8_t* out = indices + static_cast<size_t>(y) * static_cast<size_t>(width);
    const uint8_t* before = stable ? previous.source->Row(y) : nullptr;
    const uint8_t* before_index = stable ? previous.indices + static_cast<size_t>(y) * static_cast<size_t>(width) : nullptr;
    int* here = error_row(y) + pad * 3;
    std::array<int*, 4> target{};
    for (int dy = 0; dy <= kernel->max_dy; ++dy) target[dy] = error_row(y + dy) + pad * 3;
    for (int x = 0; x < width; ++x, p += 3) {
      const int* e = here + x * 3;
      const uint8_t r = ClampByte(p[2] + RoundedQuotient(e[0], divisor));
      const uint8_t g = ClampByte(p[1] + RoundedQuotient(e[1], divisor));
      const uint8_t b = ClampByte(p[0] + RoundedQuotient(e[2], divisor));
      if constexpr (requires { lookup.Entry(uint8_t{0}); }) {
        if (before != nullptr && before[3 * x] == p[0] && before[3 * x + 1] == p[1] && before[3 * x + 2] == p[2]) {
          out[x] = before_index[x];
          colour = lookup.Entry(out[x]);
        } else {
          out[x] = lookup.Lookup(r, g, b, colour);
        }
      } else {
        out[x] = lookup.Lookup(r, g, b, colour);
      }
      const int er = r - colour.r, eg = g - colour.g, eb = b - colour.b;
      if ((er | eg | eb) == 0) continue;
      for (int t = 0; t < kernel->taps_used; ++t) {
        int* d = target[row_of[t]] + x * 3 + offset[t];
        const int w = kernel->taps[t].weight;
        d[0] += er * w;
        d[1] += eg * w;
        d[2] += eb * w;
      }
    }
    // This row's errors are used up: the buffer comes back as row y + rows.
    std::fill_n(error_row(y), row_len, 0);
  }
}

}  // namespace kt58
