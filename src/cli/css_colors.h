// SPDX-License-Identifier: GPL-3.0-or-later
// The colour names of CSS (which the X11 names mostly share), for colour
// options written as a web designer would: --tint navy.
#pragma once

#include <optional>
#include <string_view>

#include "engine/colors.h"

namespace kt58::cli {

// The colour of a CSS name in any letter case ("Navy", "rebeccapurple"),
// red in the low byte; nothing for another word.
std::optional<Color> CssColor(std::string_view name);

}  // namespace kt58::cli
