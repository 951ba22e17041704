// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/color_names.h"

#include <cstdio>

namespace kt58 {

namespace {

constexpr Color Sys(int index) { return kSystemColorFlag + static_cast<Color>(index); }

constexpr std::array<NamedColor, kNamedColorCount> kNamedColors = {{
    {"clBlack", 0x000000},
    {"clMaroon", 0x000080},
    {"clGreen", 0x008000},
    {"clOlive", 0x008080},
    {"clNavy", 0x800000},
    {"clPurple", 0x800080},
    {"clTeal", 0x808000},
    {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},
    {"clLime", 0x00FF00},
    {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},
    {"clFuchsia", 0xFF00FF},
    {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF},
    {"clBtnFace", Sys(15)},
    {"clBtnShadow", Sys(16)},
    {"clBtnHighlight", Sys(20)},
    {"cl3DDkShadow", Sys(21)},
    {"cl3DLight", Sys(22)},
    {"clHighlight", Sys(13)},
    {"clBackground", Sys(1)},
    {"clScrollBar", Sys(0)},
    {"clActiveCaption", Sys(2)},
    {"clInactiveCaption", Sys(3)},
    {"clMenu", Sys(4)},
    {"clWindow", Sys(5)},
    {"clWindowFrame", Sys(6)},
    {"clMenuText", Sys(7)},
    {"clWindowText", Sys(8)},
    {"clCaptionText", Sys(9)},
    {"clActiveBorder", Sys(10)},
    {"clInactiveBorder", Sys(11)},
    {"clAppWorkSpace", Sys(12)},
    {"clHighlightText", Sys(14)},
    {"clGrayText", Sys(17)},
    {"clBtnText", Sys(18)},
    {"clInactiveCaptionText", Sys(19)},
    {"clInfoText", Sys(23)},
    {"clInfoBk", Sys(24)},
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
