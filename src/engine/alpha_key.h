// SPDX-License-Identifier: GPL-3.0-or-later
// A colour keyed to transparency, as the exports with a transparent
// background write it: a pixel whose colour is exactly the key is fully
// transparent, every other pixel fully opaque. Scaled frames are keyed after
// scaling, so a blended edge pixel (no longer exactly the key) stays opaque.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/colors.h"
#include "engine/picture.h"

namespace kt58 {

// Whether the three bytes at `pixel` (blue first, as a picture holds them)
// are the key.
inline bool IsKeyPixel(const uint8_t* pixel, BGR key) {
  return pixel[0] == key.b && pixel[1] == key.g && pixel[2] == key.r;
}

// The picture's pixels as blue, green, red, alpha, alpha 0 where the pixel
// is the key and 255 elsewhere, in the picture's own row order (bottom-up);
// a row is 4 * width bytes, which needs no padding.
void KeyedBgra(const Picture& picture, BGR key, std::vector<uint8_t>& out);

}  // namespace kt58
