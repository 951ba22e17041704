// SPDX-License-Identifier: GPL-3.0-or-later
// The single colour map: every frame's entries are pooled, equal colours
// merged, the most used 256 kept (255 plus a transparent entry when any frame
// is transparent) and every frame re-indexed to that one global table.
#include <algorithm>
#include <array>
#include <cstdlib>

#include "export/gif/gif_frame_optimizer.h"
#include "export/gif/gif_image.h"

namespace kt58 {
namespace {

uint32_t Key(const GifColor& c) { return (uint32_t{c.r} << 16) | (uint32_t{c.g} << 8) | c.b; }

int ColorDistance(const GifColor& a, const GifColor& b) {
  return std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b);
}

}  // namespace

void CountColors(const GifPalette& map, const std::array<uint64_t, 256>& index_counts, int transparent,
                 GifColorCounts& counts) {
  for (size_t i = 0; i < map.size(); ++i) {
    // The transparent entry stands for "no colour"; its pixels must not
    // vote for (or be merged into) the colour that entry happens to hold.
    if (static_cast<int>(i) == transparent || index_counts[i] == 0) continue;
    counts[Key(map[i])] += index_counts[i];
  }
}

GifPalette SingleColorMapOf(const GifColorCounts& counts, bool needs_transparent) {
  // In colour order, then by use: ties stay in colour order.
  std::vector<std::pair<uint32_t, uint64_t>> unique(counts.begin(), counts.end());
  std::stable_sort(unique.begin(), unique.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
  const size_t limit = needs_transparent ? 255 : 256;
  GifPalette kept;
  for (const auto& [key, count] : unique) {
    if (kept.size() == limit) break;
    kept.push_back(GifColor{static_cast<uint8_t>(key >> 16), static_cast<uint8_t>(key >> 8), static_cast<uint8_t>(key)});
  }
  return kept;
}

std::array<uint8_t, 256> SingleColorMapRemap(const GifPalette& map, int transparent, const GifPalette& kept,
                                             int transparent_entry) {
  std::array<uint8_t, 256> remap{};
  for (size_t i = 0; i < map.size(); ++i) {
    if (static_cast<int>(i) == transparent) {
      remap[i] = static_cast<uint8_t>(transparent_entry);
      continue;
    }
    int best = 765 + 1;
    for (size_t k = 0; k < kept.size(); ++k) {
      const int d = ColorDistance(map[i], kept[k]);
      if (d < best) {
        best = d;
        remap[i] = static_cast<uint8_t>(k);
        if (d == 0) break;
      }
    }
  }
  return remap;
}

void GifImage::OptimizeColorMap() {
  const size_t frames = Count();
  if (frames == 0) return;
  bool needs_transparent = false;
  GifColorCounts counts;
  for (size_t f = 0; f < frames; ++f) {
    const GifFrame& frame = Images(f);
    std::array<uint64_t, 256> index_counts{};
    for (uint8_t v : frame.ExpandedCopy()) ++index_counts[v];
    if (frame.TransparentIndex() >= 0) needs_transparent = true;
    CountColors(ActiveColorMap(f), index_counts, frame.TransparentIndex(), counts);
  }
  const GifPalette kept = SingleColorMapOf(counts, needs_transparent);
  const int transparent_entry = needs_transparent ? static_cast<int>(kept.size()) : -1;
  GifPalette table = kept;
  if (needs_transparent) table.push_back(GifColor{0, 0, 0});
  for (size_t f = 0; f < frames; ++f) {
    GifFrame& frame = Images(f);
    const int transparent = frame.TransparentIndex();
    const std::array<uint8_t, 256> remap = SingleColorMapRemap(ActiveColorMap(f), transparent, kept, transparent_entry);
    for (uint8_t& v : frame.Data()) v = remap[v];
    if (transparent >= 0) frame.GraphicControlExtension()->TransparentColorIndex = static_cast<uint8_t>(transparent_entry);
    frame.ColorMap().clear();
    Repack(frame, table);
  }
  global_map_ = std::move(table);
}

}  // namespace kt58
