#include "export/gif/octree_quantizer.h"

#include <algorithm>
#include <functional>
#include <queue>
#include <utility>

namespace kt58 {

TColorQuantizer::TColorQuantizer(int max_colors)
    : max_colors_(std::clamp(max_colors, 8, 256)),
      budget_(std::max(max_colors_, kLeafBudget)) {
  std::fill(std::begin(reducible_), std::end(reducible_), -1);
  nodes_.reserve(4096);
  root_ = NewNode(0, -1);
}

int32_t TColorQuantizer::NewNode(int level, int32_t parent) {
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
  n.parent = parent;
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
      child = NewNode(level + 1, id);  // may move nodes_: n is not used after this
      nodes_[static_cast<size_t>(id)].child[slot] = child;
    }
    id = child;
  }
  while (leaf_count_ > budget_) ReduceTree();
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
  MergeChildren(id);
}

void TColorQuantizer::MergeChildren(int32_t id) {
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
  merged_ = true;
  leaf_count_ -= children - 1;
}

void TColorQuantizer::CollectLeaves(int32_t id, GifPalette& out) const {
  const Node& n = nodes_[static_cast<size_t>(id)];
  if (n.leaf) {
    if (n.count == 0) return;  // only a root that never saw a pixel
    // Rounded to nearest: truncating would pull every merged colour darker.
    const uint64_t half = n.count / 2;
    out.push_back({static_cast<uint8_t>((n.sum_r + half) / n.count), static_cast<uint8_t>((n.sum_g + half) / n.count),
                   static_cast<uint8_t>((n.sum_b + half) / n.count)});
    return;
  }
  for (int32_t c : n.child)
    if (c >= 0) CollectLeaves(c, out);
}

double TColorQuantizer::MergeCost(int32_t id) const {
  // Growth of the summed squared error when the children become one leaf
  // (sum over children of |S_i|^2 / n_i minus |S|^2 / n, S the component
  // sums), per leaf it removes: a node of many children costs more slots.
  const Node& n = nodes_[static_cast<size_t>(id)];
  double sr = 0, sg = 0, sb = 0, count = 0, spread = 0, kids = 0;
  for (int32_t c : n.child) {
    if (c < 0) continue;
    const Node& child = nodes_[static_cast<size_t>(c)];
    const double r = static_cast<double>(child.sum_r), g = static_cast<double>(child.sum_g),
                 b = static_cast<double>(child.sum_b), k = static_cast<double>(child.count);
    spread += (r * r + g * g + b * b) / k;
    sr += r, sg += g, sb += b, count += k, kids += 1;
  }
  // A lone child removes no leaf but frees the way up for its parent.
  if (kids < 2) return 0;
  return (spread - (sr * sr + sg * sg + sb * sb) / count) / (kids - 1);
}

bool TColorQuantizer::ChildrenAreLeaves(int32_t id) const {
  const Node& n = nodes_[static_cast<size_t>(id)];
  if (n.leaf) return false;
  for (int32_t c : n.child)
    if (c >= 0 && !nodes_[static_cast<size_t>(c)].leaf) return false;
  return true;
}

void TColorQuantizer::ReduceToTarget() {
  if (leaf_count_ <= max_colors_) return;
  // Cheapest merge first; equal costs by node id, so runs agree.
  using Candidate = std::pair<double, int32_t>;
  std::priority_queue<Candidate, std::vector<Candidate>, std::greater<Candidate>> heap;
  for (size_t id = 0; id < nodes_.size(); ++id) {
    const Node& n = nodes_[id];
    if (n.leaf) continue;  // also every freed node: only leaves are freed
    if (ChildrenAreLeaves(static_cast<int32_t>(id))) heap.emplace(MergeCost(static_cast<int32_t>(id)), static_cast<int32_t>(id));
  }
  while (leaf_count_ > max_colors_ && !heap.empty()) {
    const int32_t id = heap.top().second;
    heap.pop();
    MergeChildren(id);
    const int32_t parent = nodes_[static_cast<size_t>(id)].parent;
    if (parent >= 0 && ChildrenAreLeaves(parent)) heap.emplace(MergeCost(parent), parent);
  }
}

GifPalette TColorQuantizer::Palette() {
  ReduceToTarget();
  GifPalette out;
  out.reserve(static_cast<size_t>(leaf_count_));
  CollectLeaves(root_, out);
  return out;
}

}  // namespace kt58
