// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/color_names.h"

#include <cstdio>

namespace kt58 {

namespace {

constexpr Color Sys(int index) { return kSystemColorFlag + static_cast<Color>(index); }

constexpr std::array<NamedColor, kNamedColorCount> kNamedColors = {{
    {"clBlack", "Black", 0x000000},
    {"clMaroon", "Maroon", 0x000080},
    {"clGreen", "Green", 0x008000},
    {"clOlive", "Olive", 0x008080},
    {"clNavy", "Navy", 0x800000},
    {"clPurple", "Purple", 0x800080},
    {"clTeal", "Teal", 0x808000},
    {"clGray", "Grey", 0x808080},
    {"clSilver", "Silver", 0xC0C0C0},
    {"clRed", "Red", 0x0000FF},
    {"clLime", "Lime", 0x00FF00},
    {"clYellow", "Yellow", 0x00FFFF},
    {"clBlue", "Blue", 0xFF0000},
    {"clFuchsia", "Fuchsia", 0xFF00FF},
    {"clAqua", "Aqua", 0xFFFF00},
    {"clWhite", "White", 0xFFFFFF},
    {"clBtnFace", "Button face", Sys(15)},
    {"clBtnShadow", "Button shadow", Sys(16)},
    {"clBtnHighlight", "Button highlight", Sys(20)},
    {"cl3DDkShadow", "Dark shadow", Sys(21)},
    {"cl3DLight", "Light edge", Sys(22)},
    {"clHighlight", "Selection", Sys(13)},
    {"clBackground", "Desktop", Sys(1)},
    {"clScrollBar", "Scroll bar", Sys(0)},
    {"clActiveCaption", "Active title bar", Sys(2)},
    {"clInactiveCaption", "Inactive title bar", Sys(3)},
    {"clMenu", "Menu", Sys(4)},
    {"clWindow", "Window", Sys(5)},
    {"clWindowFrame", "Window frame", Sys(6)},
    {"clMenuText", "Menu text", Sys(7)},
    {"clWindowText", "Window text", Sys(8)},
    {"clCaptionText", "Title bar text", Sys(9)},
    {"clActiveBorder", "Active border", Sys(10)},
    {"clInactiveBorder", "Inactive border", Sys(11)},
    {"clAppWorkSpace", "Workspace", Sys(12)},
    {"clHighlightText", "Selected text", Sys(14)},
    {"clGrayText", "Disabled text", Sys(17)},
    {"clBtnText", "Button text", Sys(18)},
    {"clInactiveCaptionText", "Inactive title bar text", Sys(19)},
    {"clInfoText", "Tooltip text", Sys(23)},
    {"clInfoBk", "Tooltip background", Sys(24)},
}};

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameTextIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = Lower(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

const std::array<NamedColor, kNamedColorCount>& NamedColors() { return kNamedColors; }

std::string ColorLabel(Color c) {
  for (const NamedColor& named : kNamedColors)
    if (named.value == c) return named.label;
  return ColorName(c);
}

std::string ColorName(Color c) {
  for (const NamedColor& named : kNamedColors)
    if (named.value == c) return named.name;
  char text[16];
  std::snprintf(text, sizeof text, "$%.8X", static_cast<unsigned>(c));
  return text;
}

std::optional<Color> ColorFromName(std::string_view name) {
  if (!name.empty() && name.front() == '$') {
    const std::string_view digits = name.substr(1);
    if (digits.empty() || digits.size() > 8) return std::nullopt;
    Color value = 0;
    for (char c : digits) {
      const int d = HexDigit(c);
      if (d < 0) return std::nullopt;
      value = (value << 4) | static_cast<Color>(d);
    }
    return value;
  }
  for (const NamedColor& named : kNamedColors)
    if (SameTextIgnoringCase(named.name, name)) return named.value;
  return std::nullopt;
}

}  // namespace kt58
