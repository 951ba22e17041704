// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/frame_clock.h"

#include <cstdint>

namespace kt58 {

int StoredFrameShown(const FrameClock& clock, int stored, int readers, int reader) {
  if (stored <= 0) return -1;
  if (clock.mode == FrameClock::Mode::Stepping || clock.tick <= 0)
    return clock.frame >= 0 && clock.frame < stored ? clock.frame : -1;
  // The tick's position within the store's frames first, so that a long
  // playback times many readers cannot overflow.
  const int64_t tick = (clock.tick - 1) % stored;
  const int64_t read = static_cast<int64_t>(clock.frame) + 1 + tick * readers + reader;
  const int64_t shown = read % stored;
  return static_cast<int>(shown < 0 ? shown + stored : shown);
}

}  // namespace kt58
