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
// index (-1: none) stands for itself, and for an opaque pixel only where
// `beneath` says so.
struct LzwTolerance {
  const GifPalette* colors = nullptr;
  int transparent = -1;
  uint32_t max_error = 0;
  // The error one pixel more in a code is worth (LossyPixelWorth).
  uint32_t pixel_worth = 0;
  // Per pixel, for a frame whose transparent pixels leave the picture
  // beneath them as it is: the squared distance of the colour shown beneath
  // from the pixel's wanted colour, the error of writing the transparent
  // index there (taken only within max_error; 0 where the transparent index
  // is wanted). Null: the transparent index stands only for itself.
  const uint32_t* beneath = nullptr;
  // Per pixel, when given: the colour the picture had before its colours
  // were reduced, 3 bytes (red, green, blue). Choices are then weighed by
  // how far they take the pixel from it; the bound stays on the wanted
  // index's colour.
  const uint8_t* source = nullptr;
  // With source and beneath: the colour shown beneath each pixel, 3 bytes.
  const uint8_t* shown = nullptr;
};

class LzwEncoder {
 public:
  // The LZW code stream of the indices (without the minimum code size byte
  // and without sub-block framing). Every index must be below
  // 2^min_code_size; min_code_size is 2..8.
  static std::vector<uint8_t> Encode(const uint8_t* indices, size_t count, int min_code_size);
  // The same with indices the tolerance admits in place of the wanted ones,
  // wherever that lets a code cover more pixels: the admissible string in
  // the table worth most (LzwTolerance::pixel_worth per pixel, less its
  // error), the longer one among equally worthy. Each pixel is admitted by
  // its own wanted colour, so errors never add up along a string or from
  // one frame to the next. written, when given, receives the indices the
  // decoder will read.
  static std::vector<uint8_t> EncodeLossy(const uint8_t* indices, size_t count, int min_code_size,
                                          const LzwTolerance& tolerance, std::vector<uint8_t>* written = nullptr);
};

}  // namespace kt58
