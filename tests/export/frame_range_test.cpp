// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/frame_range.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <vector>

#include "engine/errors.h"

namespace kt58 {
namespace {

TEST(FrameRange, ChoosesTheFramesWithinTheCount) {
  const struct {
    FrameRange range;
    int count;
    std::vector<int> indices;
  } cases[] = {
      {{}, 4, {0, 1, 2, 3}},
      {{}, 0, {}},  // the exports answer an empty animation themselves
      {{1, 2, 1}, 4, {1, 2}},
      {{2, std::nullopt, 1}, 4, {2, 3}},
      {{3, 3, 1}, 4, {3}},
      {{0, std::nullopt, 3}, 7, {0, 3, 6}},
      {{1, 5, 2}, 6, {1, 3, 5}},
      {{1, 4, 2}, 6, {1, 3}},
      {{0, 5, 10}, 6, {0}},
      {{0, std::nullopt, INT_MAX}, INT_MAX, {0}},  // no step runs past the end
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.range.Text() + " every " + std::to_string(c.range.step) + " of " + std::to_string(c.count));
    EXPECT_TRUE(c.range.FitsIn(c.count));
    EXPECT_EQ(c.range.Indices(c.count), c.indices);
  }
}

TEST(FrameRange, RefusesRangesOutsideTheFrames) {
  const struct {
    FrameRange range;
    int count;
  } cases[] = {
      {{4, std::nullopt, 1}, 4},  // starts after the last frame
      {{0, 4, 1}, 4},             // ends after it
      {{3, 2, 1}, 4},             // ends before it starts
      {{-1, 2, 1}, 4},
      {{0, 0, 1}, 0},
      {{0, 2, 0}, 4},  // a step that never moves
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.range.Text() + " every " + std::to_string(c.range.step) + " of " + std::to_string(c.count));
    EXPECT_FALSE(c.range.FitsIn(c.count));
    EXPECT_THROW(c.range.Indices(c.count), Kt58Error);
  }
}

}  // namespace
}  // namespace kt58
