// SPDX-License-Identifier: GPL-3.0-or-later
// The distinct colours of a picture with their pixel counts, in the order in
// which they first appear (rows top-down, left to right). The quantisers and
// the palette refinement work on this instead of on every pixel: they depend
// only on the colours, their counts and that order.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/picture.h"
#include "export/gif/color_reduction.h"

namespace kt58 {

struct ColorCount {
  GifColor color;
  uint32_t count = 0;
};
using ColorHistogram = std::vector<ColorCount>;

ColorHistogram ColorHistogramOf(const Picture& picture);

}  // namespace kt58
