// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/frame_range.h"

#include "engine/errors.h"

namespace kt58 {

bool FrameRange::FitsIn(int count) const {
  if (step < 1 || first < 0) return false;
  if (last && (*last < first || *last >= count)) return false;
  return first == 0 || first < count;
}

std::vector<int> FrameRange::Indices(int count) const {
  if (!FitsIn(count))
    throw Kt58Error("frames " + Text() + " every " + std::to_string(step) + " are outside the animation's " +
                    std::to_string(count) + " frames");
  const int end = last ? *last + 1 : count;
  std::vector<int> indices;
  for (int i = first; i < end; i += step) {
    indices.push_back(i);
    if (end - i <= step) break;  // i + step would pass end, or overflow near INT_MAX
  }
  return indices;
}

std::string FrameRange::Text() const {
  return std::to_string(first) + "-" + (last ? std::to_string(*last) : std::string());
}

}  // namespace kt58
