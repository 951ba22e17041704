// The single colour map: every frame's entries are pooled, equal colours
// merged, the most used 256 kept (255 plus a transparent entry when any frame
// is transparent) and every frame re-indexed to that one global table.
#include <algorithm>
#include <array>
#include <cstdlib>

#include "export/gif/gif_image.h"

namespace kt58 {
namespace {

struct PooledEntry {
  GifColor color;
  uint64_t count = 0;
  size_t frame = 0;
  int index = 0;
};

uint32_t Key(const GifColor& c) { return (uint32_t{c.r} << 16) | (uint32_t{c.g} << 8) | c.b; }

int ColorDistance(const GifColor& a, const GifColor& b) {
  return std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b);
}

class TColorMapOptimizer {
 public:
  explicit TColorMapOptimizer(TGIFImage& image) : image_(image) {}

  void Run() {
    const size_t frames = image_.Count();
    if (frames == 0) return;
    bool needs_transparent = false;
    std::vector<PooledEntry> pool;
    for (size_t f = 0; f < frames; ++f) {
      const TGIFSubImage& frame = image_.Images(f);
      const GifPalette& map = image_.ActiveColorMap(f);
      std::array<uint64_t, 256> counts{};
      for (uint8_t v : frame.ExpandedCopy()) ++counts[v];
      const int transparent = frame.TransparentIndex();
      if (transparent >= 0) needs_transparent = true;
      for (size_t i = 0; i < map.size(); ++i) {
        // The transparent entry stands for "no colour"; its pixels must not
        // vote for (or be merged into) the colour that entry happens to hold.
        const uint64_t count = static_cast<int>(i) == transparent ? 0 : counts[i];
        pool.push_back({map[i], count, f, static_cast<int>(i)});
      }
    }

    // Merge equal colours (sorted by colour), then order by use.
    std::vector<PooledEntry> merged = pool;
    std::stable_sort(merged.begin(), merged.end(),
                     [](const PooledEntry& a, const PooledEntry& b) { return Key(a.color) < Key(b.color); });
    std::vector<PooledEntry> unique;
    for (const PooledEntry& e : merged) {
      if (!unique.empty() && unique.back().color == e.color)
        unique.back().count += e.count;
      else
        unique.push_back(e);
    }
    std::stable_sort(unique.begin(), unique.end(),
                     [](const PooledEntry& a, const PooledEntry& b) { return a.count > b.count; });
    const size_t limit = needs_transparent ? 255 : 256;
    GifPalette global;
    for (const PooledEntry& e : unique) {
      if (e.count == 0 || global.size() == limit) break;
      global.push_back(e.color);
    }
    const int transparent_entry = needs_transparent ? static_cast<int>(global.size()) : -1;
    GifPalette table = global;
    if (needs_transparent) table.push_back(GifColor{0, 0, 0});

    // Each frame's entry maps to the kept colour with the smallest sum of
    // absolute component differences (an exact match when kept).
    for (size_t f = 0; f < frames; ++f) {
      TGIFSubImage& frame = image_.Images(f);
      const GifPalette map = image_.ActiveColorMap(f);
      const int transparent = frame.TransparentIndex();
      std::array<uint8_t, 256> remap{};
      for (size_t i = 0; i < map.size(); ++i) {
        if (static_cast<int>(i) == transparent) {
          remap[i] = static_cast<uint8_t>(transparent_entry);
          continue;
        }
        int best = 765 + 1;
        for (size_t k = 0; k < global.size(); ++k) {
          const int d = ColorDistance(map[i], global[k]);
          if (d < best) {
            best = d;
            remap[i] = static_cast<uint8_t>(k);
            if (d == 0) break;
          }
        }
      }
      for (uint8_t& v : frame.Data()) v = remap[v];
      if (transparent >= 0) frame.GraphicControlExtension()->TransparentColorIndex = static_cast<uint8_t>(transparent_entry);
      frame.ColorMap().clear();
      image_.Repack(frame, table);
    }
    image_.GlobalColorMap() = std::move(table);
  }

 private:
  TGIFImage& image_;
};

}  // namespace

void TGIFImage::OptimizeColorMap() {
  TColorMapOptimizer(*this).Run();
}

}  // namespace kt58
