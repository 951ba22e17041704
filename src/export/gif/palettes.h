// SPDX-License-Identifier: GPL-3.0-or-later
// The fixed palettes behind the colour reduction codes.
#pragma once

#include "export/gif/color_reduction.h"

namespace kt58 {

// Code 3: 0, 128, 192, 255 greys in that order.
const GifPalette& FourGreysPalette();
// Code 4: black, then white.
const GifPalette& MonochromePalette();
// Code 5: entry i is (i, i, i).
const GifPalette& GreyScalePalette();
// Code 6: the 216 combinations of 0, 51, ..., 255, red slowest, blue fastest
// (entry 36 r + 6 g + b has levels r, g, b).
const GifPalette& NetscapeCubePalette();

}  // namespace kt58
