// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/gif/color_lookup.h"


namespace kt58 {

NearestEntryLookup::NearestEntryLookup(const GifPalette& palette)
    : palette_(palette), search_(palette), cache_(32768, static_cast<int16_t>(-1)) {}

ExactNearestAnswers::ExactNearestAnswers(const GifPalette& palette, size_t searched)
    : palette_(palette),
      search_(searched < palette.size() ? GifPalette(palette.begin(), palette.begin() + static_cast<ptrdiff_t>(searched))
                                        : palette),
      slots_(std::make_unique<std::atomic<uint16_t>[]>(size_t{1} << (24 - kTagBits))) {}  // zeroed: all empty

bool ExactLookup::Build(const uint8_t* first_row, ptrdiff_t stride, int width, int height) {
  palette_.clear();
  keys_.fill(0);
  bool have_last = false;
  uint32_t last = 0;
  for (int y = 0; y < height; ++y) {
    const uint8_t* p = first_row + stride * y;
    for (int x = 0; x < width; ++x, p += 3) {
      const uint32_t key = Key(p[2], p[1], p[0]);
      if (have_last && key == last) continue;
      have_last = true;
      last = key;
      size_t h = Hash(key);
      while (keys_[h] != 0 && keys_[h] != key + 1) h = (h + 1) & 1023;
      if (keys_[h] != 0) continue;
      if (palette_.size() == 256) return false;
      keys_[h] = key + 1;
      values_[h] = static_cast<uint8_t>(palette_.size());
      palette_.push_back({p[2], p[1], p[0]});
    }
  }
  return true;
}

uint8_t ExactLookup::Find(uint8_t r, uint8_t g, uint8_t b) const {
  const uint32_t key = Key(r, g, b);
  size_t h = Hash(key);
  // Every colour of the picture was entered by Build (no diffusion is run
  // with this look-up); a stranger would get entry 0 rather than a hang.
  while (keys_[h] != key + 1) {
    if (keys_[h] == 0) return 0;
    h = (h + 1) & 1023;
  }
  return values_[h];
}

}  // namespace kt58
