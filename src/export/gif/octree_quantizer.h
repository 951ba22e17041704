// SPDX-License-Identifier: GPL-3.0-or-later
// The octree quantiser: every colour is filed under the tree path of its
// component bits (level k holds bit 7-k of red, green and blue); leaves sit
// at depth 8, one per distinct colour. While colours are added, the tree is
// kept to a budget of leaves (kLeafBudget, well above any target): past it,
// the deepest level that still has an inner node gives up its most recently
// created one, whose children merge into it. When the palette is asked for,
// nodes whose children are all leaves are merged, cheapest first, until
// twice the target is left; the cost is the growth of the summed squared
// error per leaf removed. Then the cheapest pair of any two leaves is joined
// (same cost, Ward's criterion) until the target is met, since siblings in
// the tree are not always the closest colours. The palette is the rounded
// average colour of each remaining leaf, in tree order (child 0 before
// child 7 at every level; a joined pair sits where its first leaf was).
//
// The result depends only on the order in which distinct colours first
// appear, so pictures walked the same way give the same palette. A picture
// of no more colours than the target is never merged and keeps them exactly.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/picture.h"
#include "export/gif/color_histogram.h"
#include "export/gif/color_reduction.h"

namespace kt58 {

class OctreeQuantizer {
 public:
  // max_colors: 8 or more (the root is never merged, so fewer could not be
  // reached); larger values are clamped to 256, the most a frame can hold.
  explicit OctreeQuantizer(int max_colors);

  void AddColor(uint8_t r, uint8_t g, uint8_t b);
  // Every pixel, rows top-down, left to right.
  void AddPicture(const Picture& picture);
  // The same tree as AddPicture of the picture the histogram was made of:
  // the tree changes only when a colour is new.
  void AddHistogram(const ColorHistogram& histogram);

  // True once leaves were merged: the palette then only approximates the
  // colours added; otherwise it holds each of them exactly.
  bool Merged() const { return merged_; }
  // Merges down to max_colors first; add no colours after calling it.
  GifPalette Palette();

 public:
  struct Cluster {  // a leaf's component sums and pixel count
    uint64_t sum_r, sum_g, sum_b, count;
  };

 private:
  static constexpr int kDepth = 8;  // bits per component kept
  struct Node {
    uint64_t sum_r = 0, sum_g = 0, sum_b = 0;
    uint64_t count = 0;
    int32_t child[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
    int32_t next_reducible = -1;
    int32_t parent = -1;
    bool leaf = false;
  };

  // Leaves kept while colours are added; more than max_colors so that the
  // final choice of merges sees the picture's colours in some detail.
  static constexpr int kLeafBudget = 2048;
  // Leaves left by the tree's merges, in multiples of max_colors, for the
  // final joins of any two leaves (quadratic in this count).
  static constexpr int kJoinStage = 2;

  int32_t NewNode(int level, int32_t parent);
  void ReduceTree();
  void MergeChildren(int32_t node);
  bool ChildrenAreLeaves(int32_t node) const;
  double MergeCost(int32_t node) const;
  void ReduceToTarget(int target);
  void CollectLeaves(int32_t node, std::vector<Cluster>& out) const;
  // Files count pixels of the colour; returns the leaf that took them.
  int32_t Insert(uint8_t r, uint8_t g, uint8_t b, uint64_t count);

  int max_colors_;
  int budget_;
  int leaf_count_ = 0;
  bool merged_ = false;
  std::vector<Node> nodes_;
  std::vector<int32_t> free_;
  int32_t reducible_[kDepth];  // per level, the inner nodes newest first
  int32_t root_;
};

}  // namespace kt58
