// SPDX-License-Identifier: GPL-3.0-or-later
// Cyclic row and column shifts, mirror and flip. Whole rows, or the two
// pieces of a row that a cyclic shift makes, move as block copies.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "engine/raster_internal.h"
#include "engine/raster_ops.h"

namespace kt58 {

namespace {

// The amount as a shift in 0..extent-1; negative amounts shift the other way.
int ReduceAmount(int amount, int extent) {
  const int k = amount % extent;
  return k < 0 ? k + extent : k;
}

}  // namespace

void PixelRotateVertical(Picture& picture, int direction, int amount) noexcept {
  try {
    const int w = picture.Width(), h = picture.Height();
    if (w == 0 || h == 0 || (direction != pr_Up && direction != pr_Down)) return;
    const int k = ReduceAmount(amount, h);
    if (k == 0) return;
    Picture& shifted = raster_detail::ScratchPicture();
    shifted.SetSizeForOverwrite(w, h);
    const size_t bytes = static_cast<size_t>(w) * 3;
    for (int i = 0; i < h; ++i) {
      const int moved = i + k < h ? i + k : i + k - h;
      // Down: old row i lands on row i + k; Up: new row i comes from row i + k.
      if (direction == pr_Down)
        std::memcpy(shifted.Row(moved), picture.Row(i), bytes);
      else
        std::memcpy(shifted.Row(i), picture.Row(moved), bytes);
    }
    picture.SwapWith(shifted);
  } catch (...) {
    // The picture stays as it was.
  }
}

void PixelRotateHorizontal(Picture& picture, int direction, int amount) noexcept {
  try {
    const int w = picture.Width(), h = picture.Height();
    if (w == 0 || h == 0 || (direction != pr_Left && direction != pr_Right)) return;
    int k = ReduceAmount(amount, w);
    if (k == 0) return;
    // Left by k moves every column as Right by w - k does.
    if (direction == pr_Left) k = w - k;
    Picture& shifted = raster_detail::ScratchPicture();
    shifted.SetSizeForOverwrite(w, h);
    const size_t head = static_cast<size_t>(w - k) * 3;  // old columns 0..w-k-1 go to k..w-1
    const size_t tail = static_cast<size_t>(k) * 3;      // old columns w-k..w-1 go to 0..k-1
    for (int r = 0; r < h; ++r) {
      const uint8_t* from = picture.Row(r);
      uint8_t* to = shifted.Row(r);
      std::memcpy(to + tail, from, head);
      std::memcpy(to, from + head, tail);
    }
    picture.SwapWith(shifted);
  } catch (...) {
    // The picture stays as it was.
  }
}

void MirrorPicture(Picture& picture) {
  const int w = picture.Width(), h = picture.Height();
  // Swapping pixel pairs from both ends gives what copying the row out and
  // reading it back reversed gives, without a buffer.
  for (int r = 0; r < h; ++r) {
    uint8_t* row = picture.Row(r);
    for (int a = 0, b = w - 1; a < b; ++a, --b) {
      uint8_t* p = row + 3 * a;
      uint8_t* q = row + 3 * b;
      std::swap(p[0], q[0]);
      std::swap(p[1], q[1]);
      std::swap(p[2], q[2]);
    }
  }
}

void FlipPicture(Picture& picture) {
  const int w = picture.Width(), h = picture.Height();
  if (w == 0 || h == 0) return;
  Picture& flipped = raster_detail::ScratchPicture();
  flipped.SetSizeForOverwrite(w, h);
  const size_t bytes = static_cast<size_t>(w) * 3;
  for (int r = 0; r < h; ++r) std::memcpy(flipped.Row(h - 1 - r), picture.Row(r), bytes);
  picture.SwapWith(flipped);
}

}  // namespace kt58
