// SPDX-License-Identifier: GPL-3.0-or-later
// The size an export writes its frames at. Every export passes each composed
// frame through a FrameScaler, once, before it is reduced to a palette or
// encoded; without a size asked for, the frame goes out as composed.
#pragma once

#include <optional>
#include <utility>

#include "engine/picture.h"
#include "platform/picture_scaler.h"

namespace kt58 {

struct OutputSize {
  // Pixels; 0 leaves the side to follow the other by the frame's aspect,
  // both 0: the composed size.
  int width = 0;
  int height = 0;

  bool Requested() const { return width > 0 || height > 0; }
  // The size a composed frame of width x height is written at; a side
  // worked out from the aspect is rounded to the nearest pixel, at least 1.
  std::pair<int, int> For(int frame_width, int frame_height) const;
};

class FrameScaler {
 public:
  explicit FrameScaler(OutputSize size) : size_(size) {}

  // Replaces the composed picture with its scaled copy; nothing for an
  // empty picture or without a size asked for. The two buffers swap, so a
  // run of frames of one size allocates nothing after the first. A size
  // beyond the picture limits raises EngineError (PictureSize).
  void Apply(Picture& picture);

 private:
  OutputSize size_;
  PictureScaler scaler_;
  Picture scaled_;
};

}  // namespace kt58
