#include "export/gif/color_histogram.h"

#include <algorithm>

namespace kt58 {

ColorHistogram ColorHistogramOf(const TPicture& picture) {
  ColorHistogram histogram;
  const size_t pixels = static_cast<size_t>(picture.Width()) * static_cast<size_t>(picture.Height());
  if (pixels == 0) return histogram;
  // Open addressing, at most half full: slots hold colour + 1 (0 = free)
  // and the colour's place in the histogram.
  int bits = 10;
  while ((size_t{1} << bits) < 2 * std::min<size_t>(pixels, size_t{1} << 24)) ++bits;
  const size_t slots = size_t{1} << bits, mask = slots - 1;
  std::vector<uint32_t> keys(slots, 0), places(slots);
  for (int y = 0; y < picture.Height(); ++y) {
    const uint8_t* p = picture.Row(y);
    const uint8_t* const end = p + 3 * static_cast<size_t>(picture.Width());
    while (p < end) {
      // A run of one colour is counted with one look-up.
      uint32_t run = 1;
      while (p + 3 * run < end && p[3 * run] == p[0] && p[3 * run + 1] == p[1] && p[3 * run + 2] == p[2]) ++run;
      const uint32_t key = (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[1]) << 8) | p[0];
      size_t s = static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> (64 - bits));
      while (keys[s] != 0 && keys[s] != key + 1) s = (s + 1) & mask;
      if (keys[s] == 0) {
        keys[s] = key + 1;
        places[s] = static_cast<uint32_t>(histogram.size());
        histogram.push_back({{p[2], p[1], p[0]}, 0});
      }
      histogram[places[s]].count += run;
      p += 3 * run;
    }
  }
  return histogram;
}

}  // namespace kt58
