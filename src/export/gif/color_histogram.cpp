// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/gif/color_histogram.h"

#include <algorithm>

namespace kt58 {

ColorHistogram ColorHistogramOf(const Picture& picture) {
  ColorHistogram histogram;
  const size_t pixels = static_cast<size_t>(picture.Width()) * static_cast<size_t>(picture.Height());
  if (pixels == 0) return histogram;
  // Open addressing, at most two thirds full: a slot holds colour + 1
  // (0 = free) beside the colour's place in the histogram, so a look-up
  // touches one cache line.
  struct Slot {
    uint32_t key, place;
  };
  int bits = 10;
  while ((size_t{1} << bits) < std::min<size_t>(pixels, size_t{1} << 24) * 3 / 2) ++bits;
  const size_t mask = (size_t{1} << bits) - 1;
  std::vector<Slot> table(mask + 1, Slot{0, 0});
  for (int y = 0; y < picture.Height(); ++y) {
    const uint8_t* p = picture.Row(y);
    const uint8_t* const end = p + 3 * static_cast<size_t>(picture.Width());
    while (p < end) {
      // A run of one colour is counted with one look-up.
      uint32_t run = 1;
      while (p + 3 * run < end && p[3 * run] == p[0] && p[3 * run + 1] == p[1] && p[3 * run + 2] == p[2]) ++run;
      const uint32_t key = (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[1]) << 8) | p[0];
      size_t s = static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> (64 - bits));
      while (table[s].key != 0 && table[s].key != key + 1) s = (s + 1) & mask;
      if (table[s].key == 0) {
        table[s] = {key + 1, static_cast<uint32_t>(histogram.size())};
        histogram.push_back({{p[2], p[1], p[0]}, 0});
      }
      histogram[table[s].place].count += run;
      p += 3 * run;
    }
  }
  return histogram;
}

}  // namespace kt58
