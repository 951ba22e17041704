// SPDX-License-Identifier: GPL-3.0-or-later
// Dictionary LZW as GIF89a describes it, exact or lossy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "export/gif/color_reduction.h"

namespace kt58 {

// What the lossy encoder may write in place of a wanted index: any opaque
// index whose colour lies within max_error (squared RGB distance, summed
// over the three components) of the wanted index's colour. The transparent
// index (-1: none) stands only for itself and never for an opaque pixel.
struct LzwTolerance {
  const GifPalette* colors = nullptr;
  int transparent = -1;
  uint32_t max_error = 0;
};

class LzwEncoder {
 public:
  // The LZW code stream of the indices (without the minimum code size byte
  // and without sub-block framing). Every index must be below
  // 2^min_code_size; min_code_size is 2..8.
  static std::vector<uint8_t> Encode(const uint8_t* indices, size_t count, int min_code_size);
  // The same with indices the tolerance admits in place of the wanted ones,
  // wherever that lets a code cover more pixels: the longest admissible
  // string in the table is sent, the least total error among equally long
  // ones. Each pixel's error is measured against its own wanted colour, so
  // errors never add up along a string or from one frame to the next.
  static std::vector<uint8_t> EncodeLossy(const uint8_t* indices, size_t count, int min_code_size,
                                          const LzwTolerance& tolerance);
};

}  // namespace kt58
