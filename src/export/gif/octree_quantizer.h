// The octree quantiser: every colour is filed under the tree path of its
// component bits (level k holds bit 7-k of red, green and blue); leaves sit
// at depth 8, one per distinct colour, until the tree has more leaves than
// wanted. Then the deepest level that still has an inner node gives up its
// most recently created one: its children are merged into it and it becomes
// a leaf. The palette is the average colour of each leaf, leaves in tree
// order (child 0 before child 7 at every level).
//
// The result depends only on the order in which distinct colours first
// appear, so pictures walked the same way give the same palette.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/picture.h"
#include "export/gif/color_reduction.h"

namespace kt58 {

class TColorQuantizer {
 public:
  // max_colors: 8 or more (the root is never merged, so fewer could not be
  // reached); larger values are clamped to 256, the most a frame can hold.
  explicit TColorQuantizer(int max_colors);

  void AddColor(uint8_t r, uint8_t g, uint8_t b);
  // Every pixel, rows top-down, left to right.
  void AddPicture(const TPicture& picture);

  int LeafCount() const { return leaf_count_; }
  GifPalette Palette() const;

 private:
  static constexpr int kDepth = 8;  // bits per component kept
  struct Node {
    uint64_t sum_r = 0, sum_g = 0, sum_b = 0;
    uint64_t count = 0;
    int32_t child[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
    int32_t next_reducible = -1;
    bool leaf = false;
  };

  int32_t NewNode(int level);
  void ReduceTree();
  void CollectLeaves(int32_t node, GifPalette& out) const;
  // Files count pixels of the colour; returns the leaf that took them.
  int32_t Insert(uint8_t r, uint8_t g, uint8_t b, uint64_t count);

  int max_colors_;
  int leaf_count_ = 0;
  std::vector<Node> nodes_;
  std::vector<int32_t> free_;
  int32_t reducible_[kDepth];  // per level, the inner nodes newest first
  int32_t root_;
};

}  // namespace kt58
