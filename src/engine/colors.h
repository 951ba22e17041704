// SPDX-License-Identifier: GPL-3.0-or-later
// Colour values: red in the low byte, then green, then blue. A value with the
// top bit set names a system colour (0x80000000 + index).
#pragma once

#include <array>
#include <cstdint>

namespace kt58 {

using Color = uint32_t;

inline constexpr Color kSystemColorFlag = 0x80000000u;
inline constexpr int kSystemColorCount = 31;

struct BGR {
  uint8_t b, g, r;
  friend bool operator==(const BGR&, const BGR&) = default;
};

// The bytes of a colour in pixel order. System colours are not resolved:
// their low three bytes are taken as they stand.
inline BGR ColorToBGR(Color c) {
  return BGR{static_cast<uint8_t>((c >> 16) & 255), static_cast<uint8_t>((c >> 8) & 255),
             static_cast<uint8_t>(c & 255)};
}

inline constexpr Color RGBColor(uint8_t r, uint8_t g, uint8_t b) {
  return static_cast<Color>(r) | (static_cast<Color>(g) << 8) | (static_cast<Color>(b) << 16);
}

inline constexpr bool IsSystemColor(Color c) { return (c & kSystemColorFlag) != 0; }

// The plain colour that a brush fill uses: system colours are looked up in the
// process-wide table (classic desktop defaults until a front end refills it);
// an index outside the table gives black.
Color ResolveColor(Color c);
void SetSystemColor(int index, Color rgb);
Color SystemColor(int index);
// Restores the classic defaults.
void ResetSystemColors();

}  // namespace kt58
