// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/frame_scale.h"

#include <algorithm>
#include <cstdint>

namespace kt58 {

namespace {

// other * wanted / given to the nearest whole pixel, halves up, at least 1.
int Proportional(int other, int wanted, int given) {
  const int64_t scaled = (int64_t{2} * other * wanted + given) / (int64_t{2} * given);
  return static_cast<int>(std::clamp<int64_t>(scaled, 1, INT32_MAX));
}

}  // namespace

std::pair<int, int> OutputSize::For(int frame_width, int frame_height) const {
  if (width > 0 && height > 0) return {width, height};
  if (width > 0) return {width, Proportional(frame_height, width, frame_width)};
  if (height > 0) return {Proportional(frame_width, height, frame_height), height};
  return {frame_width, frame_height};
}

void FrameScaler::Apply(Picture& picture) {
  if (!size_.Requested() || picture.Empty()) return;
  const auto [width, height] = size_.For(picture.Width(), picture.Height());
  if (width == picture.Width() && height == picture.Height()) return;
  scaled_.SetSizeForOverwrite(width, height);
  scaler_.Scale(picture.Bits(), picture.Width(), picture.Height(), scaled_.Bits(), width, height);
  std::swap(picture, scaled_);
}

}  // namespace kt58
