// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/frame_cache.h"

#include <algorithm>

namespace kt58 {

FrameCache::FrameCache(FrameSize size)
    : Width(size.Width < 1 ? 10 : size.Width), Height(size.Height < 1 ? 10 : size.Height) {}

void FrameCache::Add(Picture& picture) {
  if (picture.Width() == Width && picture.Height() == Height) {
    Images.emplace_back();
    Images.back().TakeFrom(picture);
    return;
  }
  Picture sized(Width, Height);
  const int w = std::min(Width, picture.Width());
  const int h = std::min(Height, picture.Height());
  for (int r = 0; r < h; ++r) std::copy_n(picture.Row(r), static_cast<size_t>(w) * 3, sized.Row(r));
  Images.push_back(std::move(sized));
}

}  // namespace kt58
