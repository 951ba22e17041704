// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/system_colors.h"

#include <QPalette>

#include "engine/colors.h"

namespace {

struct RoleForIndex {
  int index;
  QPalette::ColorGroup group;
  QPalette::ColorRole role;
};

// Qt's shading roles from light to dark: Light, Midlight, Button, Mid, Dark,
// Shadow; the classic 3D colours follow the same ladder.
constexpr RoleForIndex kRoles[] = {
    {0, QPalette::Active, QPalette::Button},            // scroll bar
    {4, QPalette::Active, QPalette::Window},            // menu
    {5, QPalette::Active, QPalette::Base},              // window
    {6, QPalette::Active, QPalette::Shadow},            // window frame
    {7, QPalette::Active, QPalette::WindowText},        // menu text
    {8, QPalette::Active, QPalette::Text},              // window text
    {12, QPalette::Active, QPalette::Dark},             // application workspace
    {13, QPalette::Active, QPalette::Highlight},        // highlight
    {14, QPalette::Active, QPalette::HighlightedText},  // highlight text
    {15, QPalette::Active, QPalette::Button},           // button face
    {16, QPalette::Active, QPalette::Dark},             // button shadow
    {17, QPalette::Disabled, QPalette::Text},           // grey text
    {18, QPalette::Active, QPalette::ButtonText},       // button text
    {20, QPalette::Active, QPalette::Light},            // button highlight
    {21, QPalette::Active, QPalette::Shadow},           // 3D dark shadow
    {22, QPalette::Active, QPalette::Midlight},         // 3D light
    {23, QPalette::Active, QPalette::ToolTipText},      // info text
    {24, QPalette::Active, QPalette::ToolTipBase},      // info background
    {26, QPalette::Active, QPalette::Link},             // hot light
    {29, QPalette::Active, QPalette::Highlight},        // menu highlight
    {30, QPalette::Active, QPalette::Window},           // menu bar
};

}  // namespace

void RefillSystemColors(const QPalette& palette) {
  for (const RoleForIndex& r : kRoles) {
    const QColor c = palette.color(r.group, r.role);
    kt58::SetSystemColor(r.index, kt58::RGBColor(static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()),
                                                 static_cast<uint8_t>(c.blue())));
  }
}
