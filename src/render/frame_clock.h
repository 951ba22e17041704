// SPDX-License-Identifier: GPL-3.0-or-later
// Which stored frame a multi-frame layer (video, animated GIF) shows in a
// composed frame, as a function of the clock alone: no store keeps a read
// position that composition depends on.
#pragma once

#include <cstdint>

namespace kt58 {

struct FrameClock {
  enum class Mode { Stepping, Playing };
  Mode mode = Mode::Stepping;
  // Stepping: the frame index. Playing: the frame shown (by stepping) when
  // playing began; -1 for none.
  int frame = -1;
  // Playing: shown frames since then; 0 is that first frame itself. 64 bits:
  // playback may run for weeks at a thousand frames a second.
  int64_t tick = 0;

  static constexpr FrameClock Stepping(int index) { return {Mode::Stepping, index, 0}; }
  static constexpr FrameClock Playing(int start, int64_t tick) { return {Mode::Playing, start, tick}; }
  friend bool operator==(const FrameClock&, const FrameClock&) = default;
};

// The stored frame shown by reader `reader` (0-based, in composition order:
// bottom layer first) of the `readers` layers that read one store of
// `stored` frames; -1 for none.
//
// Stepping at frame i shows stored frame i, none past the store's end.
// Playing reads sequentially: each reading layer takes the next stored
// frame, so a store shared by two layers advances twice per shown frame,
// and reading wraps after the last stored frame. Tick 0 is the start frame
// shown by stepping, which leaves the reading at the stored frame after it;
// tick k >= 1 shows (start + 1 + (k - 1) * readers + reader) mod stored.
int StoredFrameShown(const FrameClock& clock, int stored, int readers, int reader);

}  // namespace kt58
