// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/gif/octree_quantizer.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <queue>
#include <utility>

namespace kt58 {

OctreeQuantizer::OctreeQuantizer(int max_colors)
    : max_colors_(std::clamp(max_colors, 8, 256)),
      budget_(std::max(max_colors_, kLeafBudget)) {
  std::fill(std::begin(reducible_), std::end(reducible_), -1);
  nodes_.reserve(4096);
  root_ = NewNode(0, -1);
}

int32_t OctreeQuantizer::NewNode(int level, int32_t parent) {
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

int32_t OctreeQuantizer::Insert(uint8_t r, uint8_t g, uint8_t b, uint64_t count) {
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

void OctreeQuantizer::AddHistogram(const ColorHistogram& histogram) {
  for (const ColorCount& c : histogram) Insert(c.color.r, c.color.g, c.color.b, c.count);
}

void OctreeQuantizer::AddColor(uint8_t r, uint8_t g, uint8_t b) { Insert(r, g, b, 1); }

void OctreeQuantizer::AddPicture(const Picture& picture) {
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

void OctreeQuantizer::ReduceTree() {
  int level = kDepth - 1;
  while (level > 0 && reducible_[level] < 0) --level;
  const int32_t id = reducible_[level];
  if (id < 0) return;  // a bare root: nothing to merge
  reducible_[level] = nodes_[static_cast<size_t>(id)].next_reducible;
  MergeChildren(id);
}

void OctreeQuantizer::MergeChildren(int32_t id) {
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

void OctreeQuantizer::CollectLeaves(int32_t id, std::vector<Cluster>& out) const {
  const Node& n = nodes_[static_cast<size_t>(id)];
  if (n.leaf) {
    if (n.count == 0) return;  // only a root that never saw a pixel
    out.push_back({n.sum_r, n.sum_g, n.sum_b, n.count});
    return;
  }
  for (int32_t c : n.child)
    if (c >= 0) CollectLeaves(c, out);
}

double OctreeQuantizer::MergeCost(int32_t id) const {
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

bool OctreeQuantizer::ChildrenAreLeaves(int32_t id) const {
  const Node& n = nodes_[static_cast<size_t>(id)];
  if (n.leaf) return false;
  for (int32_t c : n.child)
    if (c >= 0 && !nodes_[static_cast<size_t>(c)].leaf) return false;
  return true;
}

void OctreeQuantizer::ReduceToTarget(int target) {
  if (leaf_count_ <= target) return;
  // Cheapest merge first; equal costs by node id, so runs agree.
  using Candidate = std::pair<double, int32_t>;
  std::priority_queue<Candidate, std::vector<Candidate>, std::greater<Candidate>> heap;
  for (size_t id = 0; id < nodes_.size(); ++id) {
    const Node& n = nodes_[id];
    if (n.leaf) continue;  // also every freed node: only leaves are freed
    if (ChildrenAreLeaves(static_cast<int32_t>(id))) heap.emplace(MergeCost(static_cast<int32_t>(id)), static_cast<int32_t>(id));
  }
  while (leaf_count_ > target && !heap.empty()) {
    const int32_t id = heap.top().second;
    heap.pop();
    MergeChildren(id);
    const int32_t parent = nodes_[static_cast<size_t>(id)].parent;
    if (parent >= 0 && ChildrenAreLeaves(parent)) heap.emplace(MergeCost(parent), parent);
  }
}

namespace {

// Joins the cheapest pair, any two clusters, until target remain; the cost
// is the growth of the summed squared error (Ward's criterion). Each cluster
// keeps its cheapest partner, so a join costs one scan plus rescans for the
// few clusters whose partner it took.
void JoinCheapestPairs(std::vector<OctreeQuantizer::Cluster>& clusters, size_t target) {
  const size_t n = clusters.size();
  if (n <= target) return;
  // Means and weights as doubles, one array each, for the scans.
  std::vector<double> mr(n), mg(n), mb(n), w(n);
  auto refresh = [&](size_t i) {
    const OctreeQuantizer::Cluster& c = clusters[i];
    w[i] = static_cast<double>(c.count);
    mr[i] = static_cast<double>(c.sum_r) / w[i];
    mg[i] = static_cast<double>(c.sum_g) / w[i];
    mb[i] = static_cast<double>(c.sum_b) / w[i];
  };
  auto join_cost = [&](size_t i, size_t j) {
    const double dr = mr[i] - mr[j], dg = mg[i] - mg[j], db = mb[i] - mb[j];
    return w[i] * w[j] / (w[i] + w[j]) * (dr * dr + dg * dg + db * db);
  };
  // The cost of joining i with every cluster, the dead ones too, in one
  // branch-free pass the compiler vectorises; the same sums as join_cost
  // (which gives the same value either way round).
  std::vector<double> row(n);
  auto costs_from = [&](size_t i) {
    const double ri = mr[i], gi = mg[i], bi = mb[i], wi = w[i];
    double* out = row.data();
    const double *r = mr.data(), *g = mg.data(), *b = mb.data(), *wj = w.data();
    for (size_t j = 0; j < n; ++j) {
      const double dr = ri - r[j], dg = gi - g[j], db = bi - b[j];
      out[j] = wi * wj[j] / (wi + wj[j]) * (dr * dr + dg * dg + db * db);
    }
  };
  for (size_t i = 0; i < n; ++i) refresh(i);
  std::vector<char> alive(n, 1);
  std::vector<size_t> partner(n, 0);
  std::vector<double> cost(n, std::numeric_limits<double>::infinity());
  for (size_t i = 0; i < n; ++i)
    for (size_t j = i + 1; j < n; ++j) {
      const double c = join_cost(i, j);
      if (c < cost[i]) cost[i] = c, partner[i] = j;
      if (c < cost[j]) cost[j] = c, partner[j] = i;
    }
  // i's cheapest partner from row (the costs from i), lowest index on ties.
  auto cheapest_in_row = [&](size_t i) {
    cost[i] = std::numeric_limits<double>::infinity();
    for (size_t j = 0; j < n; ++j) {
      if (j == i || !alive[j]) continue;
      if (row[j] < cost[i]) cost[i] = row[j], partner[i] = j;
    }
  };
  std::vector<size_t> lost;
  for (size_t left = n; left > target; --left) {
    size_t best = n;
    for (size_t i = 0; i < n; ++i)
      if (alive[i] && (best == n || cost[i] < cost[best])) best = i;
    // The lower index survives, so the palette keeps the tree's order.
    const size_t a = std::min(best, partner[best]), b = std::max(best, partner[best]);
    clusters[a].sum_r += clusters[b].sum_r;
    clusters[a].sum_g += clusters[b].sum_g;
    clusters[a].sum_b += clusters[b].sum_b;
    clusters[a].count += clusters[b].count;
    refresh(a);
    alive[b] = 0;
    // Clusters that were paired with a or b look again; the rest only
    // compare their pair with the new a.
    lost.clear();
    costs_from(a);
    for (size_t i = 0; i < n; ++i) {
      if (!alive[i] || i == a) continue;
      if (partner[i] == a || partner[i] == b) {
        lost.push_back(i);
      } else if (row[i] < cost[i]) {
        cost[i] = row[i], partner[i] = a;
      }
    }
    cheapest_in_row(a);
    for (const size_t i : lost) {
      costs_from(i);
      cheapest_in_row(i);
    }
  }
  size_t kept = 0;
  for (size_t i = 0; i < n; ++i)
    if (alive[i]) clusters[kept++] = clusters[i];
  clusters.resize(kept);
}

}  // namespace

GifPalette OctreeQuantizer::Palette() {
  // The tree's own merges may only join siblings, so they stop short of the
  // target; the last steps may join any two leaves.
  ReduceToTarget(kJoinStage * max_colors_);
  std::vector<Cluster> clusters;
  clusters.reserve(static_cast<size_t>(leaf_count_));
  CollectLeaves(root_, clusters);
  if (clusters.size() > static_cast<size_t>(max_colors_)) {
    JoinCheapestPairs(clusters, static_cast<size_t>(max_colors_));
    merged_ = true;
  }
  GifPalette out;
  out.reserve(clusters.size());
  for (const Cluster& c : clusters) {
    // Rounded to nearest: truncating would pull every merged colour darker.
    const uint64_t half = c.count / 2;
    out.push_back({static_cast<uint8_t>((c.sum_r + half) / c.count), static_cast<uint8_t>((c.sum_g + half) / c.count),
                   static_cast<uint8_t>((c.sum_b + half) / c.count)});
  }
  return out;
}

}  // namespace kt58
