#include "export/gif/color_lookup.h"

#include <cstdlib>

namespace kt58 {

namespace {
// A padding entry sits this far from every real colour on each component,
// so its distance always exceeds the largest real one (765).
constexpr int32_t kFarAway = 100000;
}  // namespace

NearestEntryLookup::NearestEntryLookup(const GifPalette& palette)
    : palette_(palette), cache_(32768, static_cast<int16_t>(-1)) {
  const size_t padded = (palette_.size() + 7) & ~size_t{7};
  pr_.assign(padded, kFarAway);
  pg_.assign(padded, kFarAway);
  pb_.assign(padded, kFarAway);
  for (size_t i = 0; i < palette_.size(); ++i) {
    pr_[i] = palette_[i].r;
    pg_[i] = palette_[i].g;
    pb_[i] = palette_[i].b;
  }
}

int NearestEntryLookup::Search(int r, int g, int b) const {
  // Distances first (a loop the compiler vectorises), then the first minimum.
  std::array<int32_t, 256> dist;
  const size_t n = pr_.size();
  for (size_t i = 0; i < n; ++i) dist[i] = std::abs(r - pr_[i]) + std::abs(g - pg_[i]) + std::abs(b - pb_[i]);
  int best = 0;
  int32_t best_dist = dist[0];
  for (size_t i = 1; i < palette_.size(); ++i) {
    if (dist[i] < best_dist) {
      best_dist = dist[i];
      best = static_cast<int>(i);
    }
  }
  return best;
}

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
