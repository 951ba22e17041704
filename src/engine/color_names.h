// SPDX-License-Identifier: GPL-3.0-or-later
// Names of colour values as the program shows and stores them: one of 41
// identifiers ("clBlack", ..., "clInfoBk"), else "$" and eight hex digits.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "engine/colors.h"

namespace kt58 {

struct NamedColor {
  const char* name;   // the identifier
  const char* label;  // what the colour lists show ("Button face")
  Color value;
};

inline constexpr int kNamedColorCount = 41;

// In the order a colour list shows them: the 16 plain colours, then the
// system colours.
const std::array<NamedColor, kNamedColorCount>& NamedColors();

// The identifier of c, else "$" followed by its 32-bit value as eight
// upper-case hexadecimal digits ("$00FFEBD7").
std::string ColorName(Color c);

// What a colour list shows for c: the label of a named colour, else
// ColorName's "$" form.
std::string ColorLabel(Color c);

// The reverse of ColorName: an identifier (any letter case) or "$" with one
// to eight hexadecimal digits. Anything else gives nothing.
std::optional<Color> ColorFromName(std::string_view name);

}  // namespace kt58
