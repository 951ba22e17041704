// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/colors.h"

#include <mutex>

namespace kt58 {

namespace {

// Classic desktop defaults, by system colour index (scroll bar, background,
// active caption, ..., info background, 25-30 for the later additions).
constexpr std::array<Color, kSystemColorCount> kDefaultSystemColors = {
    RGBColor(0xC8, 0xC8, 0xC8),  // 0 scroll bar
    RGBColor(0x00, 0x00, 0x00),  // 1 background (desktop)
    RGBColor(0x99, 0xB4, 0xD1),  // 2 active caption
    RGBColor(0xBF, 0xCD, 0xDB),  // 3 inactive caption
    RGBColor(0xF0, 0xF0, 0xF0),  // 4 menu
    RGBColor(0xFF, 0xFF, 0xFF),  // 5 window
    RGBColor(0x64, 0x64, 0x64),  // 6 window frame
    RGBColor(0x00, 0x00, 0x00),  // 7 menu text
    RGBColor(0x00, 0x00, 0x00),  // 8 window text
    RGBColor(0x00, 0x00, 0x00),  // 9 caption text
    RGBColor(0xB4, 0xB4, 0xB4),  // 10 active border
    RGBColor(0xF4, 0xF7, 0xFC),  // 11 inactive border
    RGBColor(0xAB, 0xAB, 0xAB),  // 12 application workspace
    RGBColor(0x33, 0x99, 0xFF),  // 13 highlight
    RGBColor(0xFF, 0xFF, 0xFF),  // 14 highlight text
    RGBColor(0xF0, 0xF0, 0xF0),  // 15 button face
    RGBColor(0xA0, 0xA0, 0xA0),  // 16 button shadow
    RGBColor(0x6D, 0x6D, 0x6D),  // 17 grey text
    RGBColor(0x00, 0x00, 0x00),  // 18 button text
    RGBColor(0x43, 0x4E, 0x54),  // 19 inactive caption text
    RGBColor(0xFF, 0xFF, 0xFF),  // 20 button highlight
    RGBColor(0x69, 0x69, 0x69),  // 21 3D dark shadow
    RGBColor(0xE3, 0xE3, 0xE3),  // 22 3D light
    RGBColor(0x00, 0x00, 0x00),  // 23 info text
    RGBColor(0xFF, 0xFF, 0xE1),  // 24 info background
    RGBColor(0x00, 0x00, 0x00),  // 25 (unused)
    RGBColor(0x00, 0x66, 0xCC),  // 26 hot light
    RGBColor(0xB9, 0xD1, 0xEA),  // 27 gradient active caption
    RGBColor(0xD7, 0xE4, 0xF2),  // 28 gradient inactive caption
    RGBColor(0x33, 0x99, 0xFF),  // 29 menu highlight
    RGBColor(0xF0, 0xF0, 0xF0),  // 30 menu bar
};

std::mutex g_mutex;
std::array<Color, kSystemColorCount> g_system_colors = kDefaultSystemColors;

}  // namespace

Color ResolveColor(Color c) {
  if (!IsSystemColor(c)) return c & 0x00FFFFFFu;
  return SystemColor(static_cast<int>(c & ~kSystemColorFlag));
}

void SetSystemColor(int index, Color rgb) {
  if (index < 0 || index >= kSystemColorCount) return;
  std::lock_guard lock(g_mutex);
  g_system_colors[static_cast<size_t>(index)] = rgb & 0x00FFFFFFu;
}

Color SystemColor(int index) {
  if (index < 0 || index >= kSystemColorCount) return 0;
  std::lock_guard lock(g_mutex);
  return g_system_colors[static_cast<size_t>(index)];
}

void ResetSystemColors() {
  std::lock_guard lock(g_mutex);
  g_system_colors = kDefaultSystemColors;
}

}  // namespace kt58
