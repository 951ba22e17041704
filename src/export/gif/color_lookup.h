// The colour look-ups: each maps a red, green, blue triple to a palette index
// and gives the colour that index stands for. They are small classes with an
// inline Lookup so that the pixel loops of the ditherers inline them.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "export/gif/color_reduction.h"

namespace kt58 {

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
  int Search(int r, int g, int b) const;

 private:
  GifPalette palette_;
  // Components as ints, padded to a multiple of 8 entries with a colour no
  // pixel can be near, so the distance loop runs over whole blocks.
  std::vector<int32_t> pr_, pg_, pb_;
  std::vector<int16_t> cache_;  // 32768 slots, -1 = not looked up yet
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
