// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/gif/palette_refinement.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "export/gif/color_lookup.h"

namespace kt58 {

namespace {

constexpr size_t kCells = 32768;  // 5 bits per component, as the look-up's cache

struct Cell {
  uint64_t count = 0;
  uint64_t sum_r = 0, sum_g = 0, sum_b = 0;
  GifColor first;  // the colour that decides the cell's index in the look-up
  double mean_r = 0, mean_g = 0, mean_b = 0;  // sums over count, unrounded
};

// The occupied cells, in order of first appearance, side by side: the
// passes walk them in that order many times.
using Cells = std::vector<Cell>;

Cells GatherCells(const ColorHistogram& histogram) {
  Cells cells;
  std::vector<int32_t> place(kCells, -1);
  for (const ColorCount& h : histogram) {
    const uint8_t r = h.color.r, g = h.color.g, b = h.color.b;
    const unsigned slot = (static_cast<unsigned>(r >> 3) << 10) | (static_cast<unsigned>(g >> 3) << 5) |
                          static_cast<unsigned>(b >> 3);
    if (place[slot] < 0) {
      place[slot] = static_cast<int32_t>(cells.size());
      cells.push_back(Cell{});
      cells.back().first = {r, g, b};
    }
    Cell& c = cells[static_cast<size_t>(place[slot])];
    c.count += h.count;
    c.sum_r += uint64_t{r} * h.count;
    c.sum_g += uint64_t{g} * h.count;
    c.sum_b += uint64_t{b} * h.count;
  }
  for (Cell& c : cells) {
    const auto count = static_cast<double>(c.count);
    c.mean_r = static_cast<double>(c.sum_r) / count;
    c.mean_g = static_cast<double>(c.sum_g) / count;
    c.mean_b = static_cast<double>(c.sum_b) / count;
  }
  return cells;
}

uint8_t RoundedMean(uint64_t sum, uint64_t count) { return static_cast<uint8_t>((sum + count / 2) / count); }

GifColor CellMean(const Cell& c) {
  return {RoundedMean(c.sum_r, c.count), RoundedMean(c.sum_g, c.count), RoundedMean(c.sum_b, c.count)};
}

struct Served {
  uint64_t count = 0;
  uint64_t sum_r = 0, sum_g = 0, sum_b = 0;
};

// A quarter of the way from the entry to the mean of the pixels it serves.
// The full step overshoots: the cells it then wins or loses (decided by
// their first colours) undo much of the gain, and passes oscillate.
uint8_t Step(uint8_t from, uint64_t sum, uint64_t count) {
  const double mean = static_cast<double>(sum) / static_cast<double>(count);
  return static_cast<uint8_t>(std::lround((3.0 * from + mean) / 4.0));
}

GifColor StepToward(GifColor from, const Served& s) {
  return {Step(from.r, s.sum_r, s.count), Step(from.g, s.sum_g, s.count), Step(from.b, s.sum_b, s.count)};
}

bool InPalette(const GifPalette& palette, GifColor c) {
  return std::find(palette.begin(), palette.end(), c) != palette.end();
}

}  // namespace

void RefinePalette(const ColorHistogram& histogram, GifPalette& palette, size_t movable_begin, size_t movable_end,
                   int passes) {
  movable_end = std::min(movable_end, palette.size());
  if (passes <= 0 || palette.empty() || movable_begin >= movable_end || histogram.empty()) return;
  const Cells cells = GatherCells(histogram);
  std::vector<Served> served(palette.size());
  // Squared-error weight of each occupied cell against its entry, for
  // choosing where idle entries go.
  std::vector<double> cell_error(cells.size());
  std::vector<size_t> worst(cells.size());
  TrackedNearest<AbsoluteDifference> nearest(cells.size());

  // A pass can also make things worse: the look-up assigns by absolute
  // differences to the cell's first colour, not by squared distance to its
  // mean. So every palette is scored as the look-up will really use it, and
  // the best one seen is kept (the given one included).
  GifPalette best = palette;
  double best_error = std::numeric_limits<double>::infinity();
  for (int pass = 0;; ++pass) {
    std::fill(served.begin(), served.end(), Served{});
    // The look-up's own search, without its cache: each cell asks once.
    nearest.NewRound(palette);
    for (size_t i = 0; i < cells.size(); ++i) {
      const Cell& c = cells[i];
      const auto entry = static_cast<size_t>(nearest.Find(i, c.first));
      Served& s = served[entry];
      s.count += c.count;
      s.sum_r += c.sum_r;
      s.sum_g += c.sum_g;
      s.sum_b += c.sum_b;
      // Pixel count times the squared distance of the cell's mean from the
      // entry: the part of the cell's error that a better entry could remove.
      const GifColor e = palette[entry];
      const double dr = c.mean_r - e.r, dg = c.mean_g - e.g, db = c.mean_b - e.b;
      cell_error[i] = static_cast<double>(c.count) * (dr * dr + dg * dg + db * db);
    }

    double error = 0;
    for (const double e : cell_error) error += e;
    if (error < best_error) best_error = error, best = palette;
    if (pass == passes) break;

    std::vector<size_t> idle;
    for (size_t e = movable_begin; e < movable_end; ++e) {
      const Served& s = served[e];
      if (s.count > 0) palette[e] = StepToward(palette[e], s);
    }
    // An entry that serves nothing, or equals an earlier one (the look-up
    // would never pick it), is idle.
    for (size_t e = movable_begin; e < movable_end; ++e) {
      const bool repeats = std::find(palette.begin(), palette.begin() + static_cast<ptrdiff_t>(e), palette[e]) !=
                           palette.begin() + static_cast<ptrdiff_t>(e);
      if (served[e].count == 0 || repeats) idle.push_back(e);
    }
    if (idle.empty()) continue;

    // Worst-served cells first; ties by order of appearance, so the outcome
    // is the same on every run.
    // Only the few worst are needed; a cell whose mean is already in the
    // palette is passed over, so a margin is sorted too.
    for (size_t i = 0; i < worst.size(); ++i) worst[i] = i;
    const size_t wanted = std::min(worst.size(), 2 * idle.size() + 16);
    std::partial_sort(worst.begin(), worst.begin() + static_cast<ptrdiff_t>(wanted), worst.end(),
                      [&](size_t a, size_t b) {
                        return cell_error[a] != cell_error[b] ? cell_error[a] > cell_error[b] : a < b;
                      });
    size_t next = 0;
    for (size_t e : idle) {
      bool placed = false;
      while (!placed && next < wanted && cell_error[worst[next]] > 0) {
        const GifColor mean = CellMean(cells[worst[next++]]);
        if (!InPalette(palette, mean)) {
          palette[e] = mean;
          placed = true;
        }
      }
      if (!placed) break;
    }
  }
  palette = std::move(best);
}

}  // namespace kt58
