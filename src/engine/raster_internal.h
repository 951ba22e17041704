// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers shared by the raster operations' inner loops; not part of the
// engine's interface.
#pragma once

#include <cstdint>

#include "engine/colors.h"
#include "engine/picture.h"
#include "platform/numeric.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kt58::raster_detail {

// This thread's picture for effects that build a new picture from the old
// one (rotation, pixel rotation, flip): the result is built there and
// swapped in, so composing frame after frame allocates nothing.
inline Picture& ScratchPicture() {
  thread_local Picture scratch;
  return scratch;
}

// RoundHalfEven for |v| < 2^31, without the library call that nearbyint
// costs on baseline x86-64: the SSE2 conversion rounds in the current mode,
// which is nearest-even exactly as nearbyint's. Callers guarantee the range
// (sample coordinates and sizes of pictures within the picture limits).
inline int RoundToInt(double v) {
#if defined(__SSE2__)
  return _mm_cvtsd_si32(_mm_set_sd(v));
#else
  return RoundHalfEven(v);
#endif
}

// Bilinear sample without argument checks: 0 <= row <= height-1 and
// 0 <= column <= width-1. Each term is evaluated left to right as
// P * weight * weight and the terms are summed in order, so that every call
// rounds identically.
inline void SampleBilinearInto(const uint8_t* row0, ptrdiff_t stride, double row, double column, uint8_t* out) {
  const int x0 = static_cast<int>(column);
  const int y0 = static_cast<int>(row);
  const double fx = column - x0;
  const double fy = row - y0;
  const int x1 = fx > 0.0 ? x0 + 1 : x0;
  const int y1 = fy > 0.0 ? y0 + 1 : y0;
  const uint8_t* r0 = row0 + y0 * stride;
  const uint8_t* r1 = row0 + y1 * stride;
  const uint8_t* p00 = r0 + 3 * x0;
  const uint8_t* p01 = r0 + 3 * x1;
  const uint8_t* p10 = r1 + 3 * x0;
  const uint8_t* p11 = r1 + 3 * x1;
  const double gx = 1 - fx;
  const double gy = 1 - fy;
  for (int b = 0; b < 3; ++b) {
    const double v = double(p00[b]) * gx * gy + double(p01[b]) * fx * gy + double(p10[b]) * gx * fy +
                     double(p11[b]) * fx * fy;
    out[b] = static_cast<uint8_t>(RoundToInt(v));
  }
}

}  // namespace kt58::raster_detail
