// SPDX-License-Identifier: GPL-3.0-or-later
// One palette for a whole animation. Every frame's colours go into an octree
// (weighted by how many pixels use each colour, as for a single frame) and
// into a histogram of 6-bit cells holding pixel counts and component sums.
// The octree's palette then seeds a weighted k-means over the cells, with
// squared distance: the error the exact look-up of the frames will give.
#pragma once

#include <cstdint>
#include <vector>

#include "export/gif/color_histogram.h"
#include "export/gif/color_reduction.h"
#include "export/gif/octree_quantizer.h"

namespace kt58 {

class GlobalPaletteBuilder {
 public:
  // colors: the palette's size, 8..256.
  explicit GlobalPaletteBuilder(int colors);

  // Frames (their colour histograms) are added in order; the palette
  // depends on that order only.
  void AddHistogram(const ColorHistogram& histogram);
  // Call once, after the last frame. Entries are distinct.
  GifPalette Palette();

 private:
  struct Cell {
    uint64_t count = 0, sum_r = 0, sum_g = 0, sum_b = 0;
  };
  static constexpr int kCellBits = 6;

  OctreeQuantizer octree_;
  std::vector<Cell> cells_;
  std::vector<uint32_t> occupied_;  // in order of first appearance
};

}  // namespace kt58
