// SPDX-License-Identifier: GPL-3.0-or-later
// The program's user guide: HTML pages of our own, opened in the desktop's
// browser, or in a window of the program's own where no browser opens them.
#pragma once

#include <filesystem>

class QWidget;

namespace kt58::app {

// The guide's first page (help/index.html below the program folder, else
// below the read-only resources); empty when it is in neither.
std::filesystem::path UserGuidePath();

// Opens the guide with the desktop's browser; "Help file missing." when it
// is not there. Where no browser opens it, the guide shows in a window of
// the program's own ("UserGuideViewer", owned by parent, one at a time),
// whose links lead through the guide's pages.
void OpenUserGuide(QWidget* parent);

}  // namespace kt58::app
