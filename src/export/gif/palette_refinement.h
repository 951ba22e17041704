// SPDX-License-Identifier: GPL-3.0-or-later
// Moving a quantiser's palette toward the colours it ends up serving.
//
// The nearest-entry look-up decides once per 5-bit cell (by the first colour
// looked up there), so the picture's colour histogram is gathered per cell:
// pixel count, component sums and the first colour met in walking order
// (rows top-down, left to right), which is the histogram's order. A pass gives every occupied cell to the entry that the
// look-up would give that first colour, then moves each movable entry a
// quarter of the way toward the mean of all pixels of its cells. The full
// step to the mean would lower the squared error of the assignment made, but
// the next assignment (by absolute differences to first colours) undoes much
// of it; small steps over several passes settle better.
// Movable entries that serve no cell, or repeat an earlier entry, are moved
// to the means of the cells served worst (pixel count times squared
// distance), so no slot of the colour table is wasted. Every palette met
// is scored by the squared error the look-up will really give it, and the
// best one is kept: refining never makes an undithered frame worse.
#pragma once

#include <cstddef>

#include "export/gif/color_histogram.h"
#include "export/gif/color_reduction.h"

namespace kt58 {

// Entries [movable_begin, movable_end) may move; the others (fixed system
// colours) only take part in the assignment. passes: 0 leaves the palette
// as it is. The result depends only on the histogram and the palette given.
void RefinePalette(const ColorHistogram& histogram, GifPalette& palette, size_t movable_begin, size_t movable_end,
                   int passes);

}  // namespace kt58
