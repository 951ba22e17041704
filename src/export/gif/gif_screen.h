// SPDX-License-Identifier: GPL-3.0-or-later
// What a viewer shows after the frames written so far, next to the colour
// the animation wants there: lossy writing measures a merged frame's
// transparent pixels against it, so that what is shown stays within the
// bound of the composed frame however many frames leave a pixel as it is.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/picture.h"
#include "export/gif/gif_image.h"
#include "export/gif/lzw_encoder.h"

namespace kt58 {

// A frame written with lossy LZW.
struct GifLossyFrame {
  std::vector<uint8_t> data;     // the code stream
  std::vector<uint8_t> wanted;   // per pixel, the index whose colour the frame wants there
  std::vector<uint8_t> written;  // per pixel, the index the decoder reads
};

class GifScreen {
 public:
  // A rectangle of the logical screen (screen coordinates), showing nothing.
  GifScreen(int left, int top, int width, int height);

  // The lossy code stream of frame f (indices: its exact ones, referring to
  // tolerance.colors; every pixel within tolerance.max_error of its wanted
  // colour). Where f's transparency comes from merging, a transparent pixel
  // wants the colour the screen wants there, and may take an opaque colour
  // near it; an opaque pixel may become transparent where what is shown
  // beneath is near its colour (both only in long runs, see the source). A
  // truly transparent pixel, and any pixel over nothing shown, stays as it
  // is. source, when given, is the picture the frame was reduced from (the
  // whole screen): choices are weighed by how far they take a pixel from it.
  GifLossyFrame Encode(const GifFrame& f, const std::vector<uint8_t>& indices, const LzwTolerance& tolerance,
                       int code_size, const Picture* source = nullptr) const;

  // The screen after frame f, written as `lossy` says, has been shown and
  // disposed of.
  void Show(const GifFrame& f, const GifPalette& map, const GifLossyFrame& lossy);

 private:
  static constexpr uint32_t kNothing = 0xFF000000u;  // no colour: nothing drawn, or cleared by disposal

  // Index into shown_ and wanted_ of pixel (x, y) of frame f; -1 off the screen.
  ptrdiff_t At(const GifFrame& f, int x, int y) const;

  int left_, top_, width_, height_;
  std::vector<uint32_t> shown_;   // 0xRRGGBB a viewer shows, or kNothing
  std::vector<uint32_t> wanted_;  // 0xRRGGBB the animation wants, or kNothing
};

}  // namespace kt58
