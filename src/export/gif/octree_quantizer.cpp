#include "export/gif/octree_quantizer.h"

#include <algorithm>

namespace kt58 {

TColorQuantizer::TColorQuantizer(int max_colors) : max_colors_(std::clamp(max_colors, 8, 256)) {
  std::fill(std::begin(reducible_), std::end(reducible_), -1);
  nodes_.reserve(4096);
  root_ = NewNode(0);
}

int32_t TColorQuantizer::NewNode(int level) {
  int32_t id;
  if (!free_.empty()) {
    id = free_.back();
    free_.pop_back();
    nodes_[static_cast<size_t>(id)] = Node{};
  } else {
    id = static_cast<int32_t>(nodes_.size());
    nodes_.emplace_back();
  }
  Node& n = nodes_[static_cast<size_t>(id)];
  if (level == kDepth) {
    n.leaf = true;
    ++leaf_count_;
  } else {
    n.next_reducible = reducible_[level];
    reducible_[level] = id;
  }
  return id;
}

int32_t TColorQuantizer::Insert(uint8_t r, uint8_t g, uint8_t b, uint64_t count) {
  int32_t id = root_;
  for (int level = 0;; ++level) {
    Node& n = nodes_[static_cast<size_t>(id)];
    if (n.leaf) {
      n.sum_r += uint64_t{r} * count;
      n.sum_g += uint64_t{g} * count;
      n.sum_b += uint64_t{b} * count;
      n.count += count;
      break;
    }
    const int shift = 7 - level;
    const int slot = (((r >> shift) & 1) << 2) | (((g >> shift) & 1) << 1) | ((b >> shift) & 1);
    int32_t child = n.child[slot];
    if (child < 0) {
      child = NewNode(level + 1);  // may move nodes_: n is not used after this
      nodes_[static_cast<size_t>(id)].child[slot] = child;
    }
    id = child;
  }
  while (leaf_count_ > max_colors_) ReduceTree();
  return id;
}

void TColorQuantizer::AddColor(uint8_t r, uint8_t g, uint8_t b) { Insert(r, g, b, 1); }

void TColorQuantizer::AddPicture(const TPicture& picture) {
  const int width = picture.Width(), height = picture.Height();
  if (width == 0 || height == 0) return;
  // A run of one colour is filed once with its length: the tree only changes
  // when a colour is new, so this gives the same tree as pixel by pixel.
  for (int y = 0; y < height; ++y) {
    const uint8_t* p = picture.Row(y);
    int x = 0;
    while (x < width) {
      const uint8_t b = p[0], g = p[1], r = p[2];
      int run = 1;
      while (x + run < width && p[3 * run] == b && p[3 * run + 1] == g && p[3 * run + 2] == r) ++run;
      Insert(r, g, b, static_cast<uint64_t>(run));
      x += run;
      p += 3 * run;
    }
  }
}

void TColorQuantizer::ReduceTree() {
  int level = kDepth - 1;
  while (level > 0 && reducible_[level] < 0) --level;
  const int32_t id = reducible_[level];
  if (id < 0) return;  // a bare root: nothing to merge
  reducible_[level] = nodes_[static_cast<size_t>(id)].next_reducible;
  Node& n = nodes_[static_cast<size_t>(id)];
  int children = 0;
  for (int32_t& c : n.child) {
    if (c < 0) continue;
    // Deeper levels have no inner nodes left, so every child is a leaf.
    const Node& child = nodes_[static_cast<size_t>(c)];
    n.sum_r += child.sum_r;
    n.sum_g += child.sum_g;
    n.sum_b += child.sum_b;
    n.count += child.count;
    free_.push_back(c);
    c = -1;
    ++children;
  }
  n.leaf = true;
  n.next_reducible = -1;
  leaf_count_ -= children - 1;
}

void TColorQuantizer::CollectLeaves(int32_t id, GifPalette& out) const {
  const Node& n = nodes_[static_cast<size_t>(id)];
  if (n.leaf) {
    if (n.count == 0) return;  // only a root that never saw a pixel
    out.push_back({static_cast<uint8_t>(n.sum_r / n.count), static_cast<uint8_t>(n.sum_g / n.count),
                   static_cast<uint8_t>(n.sum_b / n.count)});
    return;
  }
  for (int32_t c : n.child)
    if (c >= 0) CollectLeaves(c, out);
}

GifPalette TColorQuantizer::Palette() const {
  GifPalette out;
  out.reserve(static_cast<size_t>(leaf_count_));
  CollectLeaves(root_, out);
  return out;
}

}  // namespace kt58
