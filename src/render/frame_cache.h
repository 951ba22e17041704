// SPDX-License-Identifier: GPL-3.0-or-later
// Composed frame pictures kept for rendered playback, all of the frame size
// the cache was made for.
#pragma once

#include <vector>

#include "engine/picture.h"
#include "model/project.h"

namespace kt58 {

struct FrameCache {
  // The project's frame size then; 10 x 10 for a project without one.
  explicit FrameCache(FrameSize size = {});

  int Width = 10;
  int Height = 10;
  std::vector<Picture> Images;
  int Count() const { return static_cast<int>(Images.size()); }
  // Stores the picture at the cache's size (cut or padded with black at the
  // right and bottom when the frame size changed since the cache was made).
  void Add(Picture& picture);
};

}  // namespace kt58
