// SPDX-License-Identifier: GPL-3.0-or-later
// A part of the animation to export: a run of frames and every how many of
// them. Each chosen frame is composed exactly as in the whole export, so a
// frame looks the same exported alone or with the rest.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kt58 {

struct FrameRange {
  int first = 0;            // 0-based
  std::optional<int> last;  // inclusive; none: to the last frame
  int step = 1;             // every step-th frame from first, at least 1

  // Whether the range lies within frames 0 .. count-1. The default range
  // fits any count, none included, so that the exports keep their own
  // answer to an animation without frames.
  bool FitsIn(int count) const;
  // The chosen indices of frames 0 .. count-1, in order; every frame for the
  // default range. A range that does not fit raises Kt58Error.
  std::vector<int> Indices(int count) const;
  // "A-B", or "A-" open to the end.
  std::string Text() const;
};

}  // namespace kt58
