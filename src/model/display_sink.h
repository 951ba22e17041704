// SPDX-License-Identifier: GPL-3.0-or-later
// Where DrawFrame puts a composed frame: the construction view's canvas in
// the desktop program.
#pragma once

#include "engine/picture.h"

namespace kt58 {

class DisplaySink {
 public:
  virtual ~DisplaySink() = default;
  // Draws the picture with its top-left corner at (x, y) of the sink.
  virtual void DrawPicture(const Picture& picture, int x, int y) = 0;
};

}  // namespace kt58
