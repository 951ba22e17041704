// SPDX-License-Identifier: GPL-3.0-or-later
// The colour look-ups: each maps a red, green, blue triple to a palette index
// and gives the colour that index stands for. They are small classes with an
// inline Lookup so that the pixel loops of the ditherers inline them.
#pragma once

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <limits>
#include <cstdint>
#include <memory>
#include <vector>

#include "export/gif/color_reduction.h"

namespace kt58 {

// The nearest palette entry under a distance that adds one term per
// component. Entries are ordered by the sum of their components, and the
// search walks outward from the colour's sum until the sum's difference
// alone rules out beating the best distance found (for absolute differences
// it is a lower bound of the distance itself, for squared ones its square
// over three is), so a few dozen of 256 entries are looked at. On equal
// distances the lowest index wins, as a full scan in palette order gives.
// Metric::Term(d) is the term of one component difference d;
// Metric::Bound(s) a lower bound of the distance when the sums differ by s.
template <class Metric>
class OrderedNearestSearch {
 public:
  explicit OrderedNearestSearch(const GifPalette& palette) {
    entries_.reserve(palette.size());
    for (size_t i = 0; i < palette.size(); ++i) {
      const GifColor c = palette[i];
      entries_.push_back({c.r + c.g + c.b, c.r, c.g, c.b, static_cast<int>(i)});
    }
    std::sort(entries_.begin(), entries_.end(),
              [](const Entry& a, const Entry& b) { return a.sum != b.sum ? a.sum < b.sum : a.index < b.index; });
    place_.resize(entries_.size());
    for (size_t e = 0; e < entries_.size(); ++e) place_[static_cast<size_t>(entries_[e].index)] = static_cast<uint16_t>(e);
    // first_[s]: the first entry whose sum is s or more.
    size_t e = 0;
    for (int s = 0; s <= kMaxSum; ++s) {
      while (e < entries_.size() && entries_[e].sum < s) ++e;
      first_[static_cast<size_t>(s)] = static_cast<uint16_t>(e);
    }
  }

  // r, g, b: 0..255. hint: an entry likely to be the answer (the one of the
  // last round, say), or -1; it only lets the walk stop sooner, the answer is
  // the same.
  int Find(int r, int g, int b, int hint = -1) const { return Walk<false>(r, g, b, hint, nullptr); }

  // As Find; *others receives a lower bound of the distance of every other
  // entry (the largest int when there is none), so that a caller can tell
  // when the answer cannot change while the entries move only a little.
  int Find(int r, int g, int b, int hint, int* others) const { return Walk<true>(r, g, b, hint, others); }

 private:
  static constexpr int kMaxSum = 3 * 255;
  struct Entry {
    int sum, r, g, b, index;
  };
  std::vector<Entry> entries_;           // by sum, then index
  std::vector<uint16_t> place_;          // entry index -> place in entries_
  std::array<uint16_t, kMaxSum + 1> first_;

  template <bool kOthers>
  int Walk(int r, int g, int b, int hint, int* others) const {
    const int sum = r + g + b;
    const Entry* begin = entries_.data();
    const Entry* end = begin + entries_.size();
    const Entry* up = begin + first_[static_cast<size_t>(sum)];
    const Entry* down = up;
    int best = std::numeric_limits<int>::max(), best_index = 0;
    // The nearest of the entries looked at besides the best, and the bound
    // of the entries the walk left out.
    int second = std::numeric_limits<int>::max();
    auto consider = [&](const Entry& e) {
      const int d = Metric::Term(r - e.r) + Metric::Term(g - e.g) + Metric::Term(b - e.b);
      if (d < best || (d == best && e.index < best_index)) {
        if constexpr (kOthers) second = std::min(second, best);
        best = d, best_index = e.index;
      } else if constexpr (kOthers) {
        if (e.index != best_index) second = std::min(second, d);
      }
    };
    if (hint >= 0) consider(entries_[place_[static_cast<size_t>(hint)]]);
    bool going_up = up != end, going_down = down != begin;
    while (going_up || going_down) {
      if (going_up) {
        const int bound = Metric::Bound(up->sum - sum);
        if (bound > (kOthers ? second : best)) {
          going_up = false;
          if constexpr (kOthers) second = std::min(second, bound);
        } else {
          consider(*up);
          going_up = ++up != end;
        }
      }
      if (going_down) {
        const int bound = Metric::Bound(sum - (down - 1)->sum);
        if (bound > (kOthers ? second : best)) {
          going_down = false;
          if constexpr (kOthers) second = std::min(second, bound);
        } else {
          consider(*(down - 1));
          going_down = --down != begin;
        }
      }
    }
    if constexpr (kOthers) *others = second;
    return best_index;
  }
};

// Each metric also names a norm in which the triangle inequality holds, for
// bounds that must survive entries moving: Norm(distance), the rounding
// margin its comparisons keep, and the move beyond which an entry counts as
// having jumped (see TrackedNearest).
struct AbsoluteDifference {
  static int Term(int d) { return d < 0 ? -d : d; }
  static int Bound(int sum_difference) { return sum_difference; }
  using NormType = int;
  static int Norm(int distance) { return distance; }
  static constexpr int kMargin = 0;
  static constexpr int kLargestStep = 8;
};
struct SquaredDifference {
  static int Term(int d) { return d * d; }
  // (dr + dg + db)^2 <= 3 (dr^2 + dg^2 + db^2)
  static int Bound(int sum_difference) { return sum_difference * sum_difference / 3; }
  // Euclidean distance; the margin is far above the rounding of square
  // roots and of the differences taken from them.
  using NormType = double;
  static double Norm(int distance) { return std::sqrt(static_cast<double>(distance)); }
  static constexpr double kMargin = 1e-6;
  static constexpr double kLargestStep = 4;
};

// The nearest entries of a fixed list of colours over rounds in which the
// palette's entries move (a refinement). Each colour keeps its entry and a
// lower bound of its distance to every other entry. Between rounds most
// entries move a little and a few jump far (the idle ones, placed anew): a
// colour keeps its entry without a search while that entry is nearer than
// both its bound less the largest small move and the exact distance to
// every entry that jumped, since no other entry can then have come as near.
// The answers are those of OrderedNearestSearch.
template <class Metric>
class TrackedNearest {
 public:
  using Norm = typename Metric::NormType;

  explicit TrackedNearest(size_t colours) : owner_(colours, -1), others_(colours, Norm{0}) {}

  // At the start of every round, with that round's palette (always of the
  // same size).
  void NewRound(const GifPalette& palette) {
    search_ = OrderedNearestSearch<Metric>(palette);
    step_ = Norm{0};
    jumped_.clear();
    if (!before_.empty()) {
      for (size_t e = 0; e < palette.size(); ++e) {
        const Norm moved = Distance(palette[e], before_[e]);
        if (moved > Metric::kLargestStep) jumped_.push_back(e);
        else step_ = std::max(step_, moved);
      }
    }
    before_ = palette;
  }

  // The entry colour i had in the round before, or -1.
  int Owner(size_t i) const { return owner_[i]; }

  // The nearest entry of colour i, c; calls for different i may run on
  // different threads at once.
  int Find(size_t i, GifColor c) {
    int& owner = owner_[i];
    Norm& others = others_[i];
    if (owner >= 0) {
      others -= step_;
      for (const size_t e : jumped_)
        if (e != static_cast<size_t>(owner)) others = std::min(others, Distance(c, before_[e]));
      if (Distance(c, before_[static_cast<size_t>(owner)]) + Metric::kMargin < others) return owner;
    }
    int bound = 0;
    owner = search_.Find(c.r, c.g, c.b, owner, &bound);
    others = Metric::Norm(bound);
    return owner;
  }

 private:
  static Norm Distance(GifColor a, GifColor b) {
    return Metric::Norm(Metric::Term(a.r - b.r) + Metric::Term(a.g - b.g) + Metric::Term(a.b - b.b));
  }

  OrderedNearestSearch<Metric> search_{GifPalette{}};
  GifPalette before_;  // this round's palette
  Norm step_{0};
  std::vector<size_t> jumped_;
  std::vector<int> owner_;
  std::vector<Norm> others_;
};

// Nearest entry by the sum of absolute component differences, lowest index
// on equal sums. Answers are cached per colour cut to 5 bits per component:
// the first colour looked up in a slot decides the index of every later
// colour that shares those 15 bits, even when another entry is nearer to it.
class NearestEntryLookup {
 public:
  // The palette must hold 1 to 256 entries; it is copied.
  explicit NearestEntryLookup(const GifPalette& palette);

  uint8_t Lookup(uint8_t r, uint8_t g, uint8_t b, GifColor& colour) {
    const unsigned slot = (static_cast<unsigned>(r >> 3) << 10) | (static_cast<unsigned>(g >> 3) << 5) |
                          static_cast<unsigned>(b >> 3);
    int16_t index = cache_[slot];
    if (index < 0) {
      index = static_cast<int16_t>(Search(r, g, b));
      cache_[slot] = index;
    }
    colour = palette_[static_cast<size_t>(index)];
    return static_cast<uint8_t>(index);
  }

  // The nearest entry itself, bypassing (and not filling) the cache.
  int Search(int r, int g, int b) const { return search_.Find(r, g, b); }

 private:
  GifPalette palette_;
  OrderedNearestSearch<AbsoluteDifference> search_;
  std::vector<int16_t> cache_;  // 32768 slots, -1 = not looked up yet
};

// Nearest entry by squared distance, exactly for every colour: the look-up
// of the whole-animation palette. Answers are remembered in a table that
// many look-ups of one palette share, also from several threads at once:
// frames of an animation meet mostly the same colours, so each is searched
// for about once per export. The table only remembers answers (a slot holds
// one colour's, or none), so the result never depends on the order in which
// colours are met, and frames can be mapped on any thread in any order.
class ExactNearestAnswers {
 public:
  // The palette must hold 1 to 256 entries; it is copied. Only its first
  // `searched` entries (1 or more) are ever answered: a reserved entry after
  // them keeps its colour for Palette() but is never found.
  explicit ExactNearestAnswers(const GifPalette& palette, size_t searched = 256);

  const GifPalette& Palette() const { return palette_; }

  uint8_t Find(uint8_t r, uint8_t g, uint8_t b) const {
    // A bijection of the 24-bit colour (odd multiplier modulo 2^24): its high
    // 20 bits choose the slot, its low 4 bits are kept as the slot's tag, so
    // slot and tag name exactly one colour.
    const uint32_t key = (((static_cast<uint32_t>(r) << 16) | (static_cast<uint32_t>(g) << 8) | b) * 0x9E3779B1u) &
                         0xFFFFFFu;
    std::atomic<uint16_t>& slot = slots_[key >> kTagBits];
    const auto tag = static_cast<uint16_t>(kValid | ((key & kTagMask) << 8));
    const uint16_t held = slot.load(std::memory_order_relaxed);
    if ((held & 0xFF00u) == tag) return static_cast<uint8_t>(held);
    const auto index = static_cast<uint8_t>(search_.Find(r, g, b));
    slot.store(static_cast<uint16_t>(tag | index), std::memory_order_relaxed);
    return index;
  }

 private:
  static constexpr int kTagBits = 4;
  static constexpr uint32_t kTagMask = (1u << kTagBits) - 1;
  static constexpr uint16_t kValid = 0x1000;  // 0 = empty slot
  GifPalette palette_;
  OrderedNearestSearch<SquaredDifference> search_;
  std::unique_ptr<std::atomic<uint16_t>[]> slots_;  // 2^20: bit 12 valid, 8..11 tag, 0..7 index
};

class ExactNearestLookup {
 public:
  explicit ExactNearestLookup(const ExactNearestAnswers& answers) : answers_(answers) {}

  uint8_t Lookup(uint8_t r, uint8_t g, uint8_t b, GifColor& colour) const {
    const uint8_t index = answers_.Find(r, g, b);
    colour = answers_.Palette()[index];
    return index;
  }
  const GifColor& Entry(uint8_t index) const { return answers_.Palette()[index]; }

 private:
  const ExactNearestAnswers& answers_;
};

// Two entries: black (0) and white (1).
class MonochromeLookup {
 public:
  uint8_t Lookup(uint8_t r, uint8_t g, uint8_t b, GifColor& colour) const {
    // 32512 is 127 * 256: the weights sum to 256, so this is "luma above 127".
    const bool white = 77 * r + 150 * g + 29 * b > 32512;
    const uint8_t v = white ? 255 : 0;
    colour = {v, v, v};
    return white ? 1 : 0;
  }
};

// 256 greys: entry i is (i, i, i).
class GreyLevelLookup {
 public:
  uint8_t Lookup(uint8_t r, uint8_t g, uint8_t b, GifColor& colour) const {
    const auto v = static_cast<uint8_t>((77 * r + 150 * g + 29 * b) >> 8);
    colour = {v, v, v};
    return v;
  }
};

// The 216-colour cube, index 36 r + 6 g + b over levels 0..5 (level * 51).
class CubeLookup {
 public:
  uint8_t Lookup(uint8_t r, uint8_t g, uint8_t b, GifColor& colour) const {
    const int lr = (r + 3) / 51, lg = (g + 3) / 51, lb = (b + 3) / 51;
    colour = {static_cast<uint8_t>(lr * 51), static_cast<uint8_t>(lg * 51), static_cast<uint8_t>(lb * 51)};
    return static_cast<uint8_t>(36 * lr + 6 * lg + lb);
  }
};

// The exact palette of a picture with at most 256 distinct colours (no
// reduction): entries in order of first appearance, top row first.
class ExactLookup {
 public:
  // Returns false (and leaves a partial table) when the picture holds more
  // than 256 distinct colours.
  bool Build(const uint8_t* first_row, ptrdiff_t stride, int width, int height);
  const GifPalette& Palette() const { return palette_; }

  uint8_t Lookup(uint8_t r, uint8_t g, uint8_t b, GifColor& colour) const {
    const uint8_t index = Find(r, g, b);
    colour = palette_[index];
    return index;
  }

 private:
  static uint32_t Key(uint8_t r, uint8_t g, uint8_t b) {
    return (static_cast<uint32_t>(r) << 16) | (static_cast<uint32_t>(g) << 8) | b;
  }
  static size_t Hash(uint32_t key) { return (key * 2654435761u) >> 22; }  // 1024 slots
  uint8_t Find(uint8_t r, uint8_t g, uint8_t b) const;

  GifPalette palette_;
  // Open addressing over 1024 slots (at most 256 used): key + 1, 0 = free.
  std::array<uint32_t, 1024> keys_{};
  std::array<uint8_t, 1024> values_{};
};

}  // namespace kt58
