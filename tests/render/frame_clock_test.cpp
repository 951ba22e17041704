// SPDX-License-Identifier: GPL-3.0-or-later
// The stored frame a multi-frame layer shows, as the reading rules give it.
#include <gtest/gtest.h>

#include "render/frame_clock.h"

namespace kt58 {
namespace {

struct Case {
  const char* what;
  FrameClock clock;
  int stored, readers, reader;
  int shown;
};

TEST(FrameClock, StoredFrameShownFollowsTheReadingRules) {
  using C = FrameClock;
  const Case cases[] = {
      {"stepping shows the frame's own index", C::Stepping(3), 5, 1, 0, 3},
      {"stepping: readers do not matter", C::Stepping(3), 5, 2, 1, 3},
      {"stepping past the store's end: none", C::Stepping(5), 5, 1, 0, -1},
      {"stepping at no frame: none", C::Stepping(-1), 5, 1, 0, -1},
      {"an empty store shows nothing", C::Playing(0, 4), 0, 1, 0, -1},
      {"tick 0 is the start frame, stepping", C::Playing(2, 0), 5, 2, 1, 2},
      {"tick 0 past the store's end: none", C::Playing(7, 0), 5, 1, 0, -1},
      // An export: frame 0 stepping, then sequential reading from stored 1.
      {"export tick 1", C::Playing(0, 1), 5, 1, 0, 1},
      {"export tick 4 is the last stored frame", C::Playing(0, 4), 5, 1, 0, 4},
      {"export tick 5 wraps to the first", C::Playing(0, 5), 5, 1, 0, 0},
      {"a shared store advances once per reader: bottom", C::Playing(0, 1), 5, 2, 0, 1},
      {"a shared store advances once per reader: top", C::Playing(0, 1), 5, 2, 1, 2},
      {"a shared store at tick 3, top reader", C::Playing(0, 3), 5, 2, 1, 1},
      {"three readers wrap within a tick", C::Playing(0, 2), 4, 3, 2, 2},
      {"a one-frame store always shows it", C::Playing(0, 7), 1, 2, 1, 0},
      {"playing from frame 6 of a longer store", C::Playing(6, 1), 10, 1, 0, 7},
      {"playing from frame 6, tick 3, two readers", C::Playing(6, 3), 10, 2, 1, 2},
      {"playing from no frame starts at stored 0", C::Playing(-1, 1), 3, 2, 0, 0},
      // (999 + 1 + 999999 * 3 + 2) mod 7
      {"a long play stays in range", C::Playing(999, 1'000'000), 7, 3, 2, 1},
      // Past 2^31 ticks, many readers: (0 + 1 + 4'000'000'000 * 1000 + 999) mod 7
      {"weeks of playing do not overflow", C::Playing(0, 4'000'000'001), 7, 1000, 999, 3},
  };
  for (const Case& c : cases)
    EXPECT_EQ(StoredFrameShown(c.clock, c.stored, c.readers, c.reader), c.shown) << c.what;
}

}  // namespace
}  // namespace kt58
