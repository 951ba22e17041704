// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows default system palette is a platform table; it is supplied here
// so that files made on any platform use the same 20 colours.
#include "export/gif/palettes.h"

namespace kt58 {

const GifPalette& WindowsSystemPalette20() {
  static const GifPalette palette = {
      // Entries 0-9 of the system palette.
      {0, 0, 0},
      {128, 0, 0},
      {0, 128, 0},
      {128, 128, 0},
      {0, 0, 128},
      {128, 0, 128},
      {0, 128, 128},
      {192, 192, 192},
      {192, 220, 192},
      {166, 202, 240},
      // Entries 246-255.
      {255, 251, 240},
      {160, 160, 164},
      {128, 128, 128},
      {255, 0, 0},
      {0, 255, 0},
      {255, 255, 0},
      {0, 0, 255},
      {255, 0, 255},
      {0, 255, 255},
      {255, 255, 255},
  };
  return palette;
}

const GifPalette& FourGreysPalette() {
  static const GifPalette palette = {{0, 0, 0}, {128, 128, 128}, {192, 192, 192}, {255, 255, 255}};
  return palette;
}

const GifPalette& MonochromePalette() {
  static const GifPalette palette = {{0, 0, 0}, {255, 255, 255}};
  return palette;
}

const GifPalette& GreyScalePalette() {
  static const GifPalette palette = [] {
    GifPalette p(256);
    for (int i = 0; i < 256; ++i) {
      const auto v = static_cast<uint8_t>(i);
      p[i] = {v, v, v};
    }
    return p;
  }();
  return palette;
}

const GifPalette& NetscapeCubePalette() {
  static const GifPalette palette = [] {
    GifPalette p;
    p.reserve(216);
    for (int r = 0; r < 6; ++r)
      for (int g = 0; g < 6; ++g)
        for (int b = 0; b < 6; ++b)
          p.push_back({static_cast<uint8_t>(r * 51), static_cast<uint8_t>(g * 51), static_cast<uint8_t>(b * 51)});
    return p;
  }();
  return palette;
}

}  // namespace kt58
