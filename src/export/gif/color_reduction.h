// SPDX-License-Identifier: GPL-3.0-or-later
// Mapping a 24-bit picture onto an indexed frame: the fixed palettes, the
// octree quantiser, the colour look-ups and the error-diffusion ditherers.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/picture.h"

namespace kt58 {

struct GifColor {
  uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const GifColor&, const GifColor&) = default;
};
using GifPalette = std::vector<GifColor>;

class ExactNearestAnswers;

// ColorReduction codes.
enum ColorReduction : int {
  rmNone = 0, rmWindows20 = 1, rmWindows256 = 2, rmWindowsGray = 3, rmMonochrome = 4,
  rmGrayScale = 5, rmNetscape = 6, rmQuantize = 7, rmQuantizeWindows = 8, rmPalette = 9,
  // One palette for the whole animation (2^bits colours, built from every
  // frame), every frame mapped to its exactly nearest entry. For one picture
  // alone it is that picture's palette.
  rmGlobal = 10
};
// DitherMode codes.
enum DitherMode : int {
  dmNearest = 0, dmFloydSteinberg = 1, dmStucki = 2, dmSierra = 3, dmJaJuNI = 4, dmSteveArche = 5, dmBurkes = 6
};

struct IndexedPicture {
  int width = 0, height = 0;
  GifPalette palette;            // at most 256 entries
  std::vector<uint8_t> indices;  // width * height, rows top-down
};

// Reduces the picture with the given codes (bits: 3..8, used by code 7).
// Raises GIFException:
//  - "Image is empty" for a picture without pixels;
//  - "Invalid Bits Per Pixel value" for code 7 with bits outside 3..8;
//  - "Invalid reduction method" for an unknown reduction or dither code, for
//    code 2 (the halftone palette is not supplied), for code 0 on a picture
//    with more than 256 distinct colours, and for a caller's palette of more
//    than 256 entries;
//  - "Color table is empty" for code 9 without a caller's palette or with
//    an empty one.
// Palettes: code 1 has the 20 system colours; code 8 always has 256 entries
// (the system colours at 0-9 and 246-255, unused quantiser slots black);
// code 0 keeps the picture's own colours, in order of first appearance, and
// ignores the dither code (nothing is changed, so there is no error).
IndexedPicture ReduceColors(const Picture& picture, int reduction, int bits, int dither,
                            const GifPalette* caller_palette = nullptr);

// The frame before, for mapping a frame of an animation onto the palette
// the animation shares (code 10): its source picture and the indices it got.
struct PreviousFrame {
  const Picture* source = nullptr;
  const uint8_t* indices = nullptr;
};

// Maps a frame onto the animation's shared palette (1..256 entries) by the
// exactly nearest entry. Under error diffusion a pixel whose source colour is
// the same as in the previous frame keeps the index it had there, so that
// diffusion does not turn still areas into flicker and frame differencing
// still finds them unchanged. Raises GIFException as ReduceColors.
// The look-up's answers are shared by every frame and thread of the
// animation, so each colour is searched for about once per export.
IndexedPicture MapToSharedPalette(const Picture& picture, const ExactNearestAnswers& shared, int dither,
                                  const PreviousFrame& previous = {});

// The 20 colours of the Windows default system palette, in palette order
// (the first ten, then the last ten).
const GifPalette& WindowsSystemPalette20();

}  // namespace kt58
