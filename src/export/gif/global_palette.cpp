// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/gif/global_palette.h"

#include <algorithm>
#include <numeric>

#include "export/gif/color_lookup.h"
#include "export/gif/gif_workers.h"

namespace kt58 {

namespace {

// Assignment and update rounds of the k-means; the error levels off well
// before, and a round that moves nothing ends it early.
constexpr int kRounds = 16;

uint8_t RoundedMean(uint64_t sum, uint64_t count) { return static_cast<uint8_t>((sum + count / 2) / count); }

}  // namespace

GlobalPaletteBuilder::GlobalPaletteBuilder(int colors)
    : octree_(colors), cells_(size_t{1} << (3 * kCellBits)) {}

void GlobalPaletteBuilder::AddHistogram(const ColorHistogram& histogram) {
  octree_.AddHistogram(histogram);
  constexpr int shift = 8 - kCellBits;
  for (const ColorCount& h : histogram) {
    const GifColor c = h.color;
    const uint32_t slot = (static_cast<uint32_t>(c.r >> shift) << (2 * kCellBits)) |
                          (static_cast<uint32_t>(c.g >> shift) << kCellBits) | static_cast<uint32_t>(c.b >> shift);
    Cell& cell = cells_[slot];
    if (cell.count == 0) occupied_.push_back(slot);
    cell.count += h.count;
    cell.sum_r += uint64_t{c.r} * h.count;
    cell.sum_g += uint64_t{c.g} * h.count;
    cell.sum_b += uint64_t{c.b} * h.count;
  }
}

GifPalette GlobalPaletteBuilder::Palette() {
  GifPalette palette = octree_.Palette();
  if (palette.empty() || !octree_.Merged()) return palette;  // every colour exactly

  struct Sums {
    uint64_t count = 0, r = 0, g = 0, b = 0;
  };
  std::vector<GifColor> means(occupied_.size());
  for (size_t i = 0; i < occupied_.size(); ++i) {
    const Cell& c = cells_[occupied_[i]];
    means[i] = {RoundedMean(c.sum_r, c.count), RoundedMean(c.sum_g, c.count), RoundedMean(c.sum_b, c.count)};
  }
  TrackedNearest<SquaredDifference> nearest(occupied_.size());
  std::vector<uint64_t> error(occupied_.size());
  // The assignment is split over the worker threads; the sums are whole
  // numbers, so adding the parts in any order gives the same palette.
  constexpr size_t kParts = 16;
  for (int round = 0; round < kRounds; ++round) {
    nearest.NewRound(palette);
    std::vector<std::vector<Sums>> part_sums(kParts, std::vector<Sums>(palette.size()));
    std::vector<char> part_moved(kParts, 0);
    ParallelFor(kParts, [&](size_t part) {
      std::vector<Sums>& sums = part_sums[part];
      const size_t begin = occupied_.size() * part / kParts, end = occupied_.size() * (part + 1) / kParts;
      for (size_t i = begin; i < end; ++i) {
        const GifColor m = means[i];
        const int before = nearest.Owner(i);
        const int e = nearest.Find(i, m);
        if (e != before) part_moved[part] = 1;
        const Cell& c = cells_[occupied_[i]];
        Sums& s = sums[static_cast<size_t>(e)];
        s.count += c.count;
        s.r += c.sum_r;
        s.g += c.sum_g;
        s.b += c.sum_b;
        const GifColor p = palette[static_cast<size_t>(e)];
        const int dr = m.r - p.r, dg = m.g - p.g, db = m.b - p.b;
        error[i] = c.count * static_cast<uint64_t>(dr * dr + dg * dg + db * db);
      }
    });
    std::vector<Sums> sums(palette.size());
    bool moved = false;
    for (size_t part = 0; part < kParts; ++part) {
      moved |= part_moved[part] != 0;
      for (size_t e = 0; e < palette.size(); ++e) {
        sums[e].count += part_sums[part][e].count;
        sums[e].r += part_sums[part][e].r;
        sums[e].g += part_sums[part][e].g;
        sums[e].b += part_sums[part][e].b;
      }
    }
    if (!moved) break;
    std::vector<size_t> idle;
    for (size_t e = 0; e < palette.size(); ++e) {
      const Sums& s = sums[e];
      if (s.count == 0) {
        idle.push_back(e);
        continue;
      }
      palette[e] = {RoundedMean(s.r, s.count), RoundedMean(s.g, s.count), RoundedMean(s.b, s.count)};
    }
    // An entry nobody uses takes the worst-served cell's mean (ties: the
    // cell seen first), so no slot of the table is wasted.
    if (!idle.empty()) {
      std::vector<size_t> worst(occupied_.size());
      std::iota(worst.begin(), worst.end(), size_t{0});
      const size_t wanted = std::min(worst.size(), idle.size());
      std::partial_sort(worst.begin(), worst.begin() + static_cast<ptrdiff_t>(wanted), worst.end(),
                        [&](size_t a, size_t b) { return error[a] != error[b] ? error[a] > error[b] : a < b; });
      for (size_t k = 0; k < wanted; ++k) palette[idle[k]] = means[worst[k]];
    }
  }
  // Rounding may make two entries equal; the exact look-up never picks the
  // later one, so it goes.
  GifPalette distinct;
  for (const GifColor& c : palette)
    if (std::find(distinct.begin(), distinct.end(), c) == distinct.end()) distinct.push_back(c);
  return distinct;
}

}  // namespace kt58
