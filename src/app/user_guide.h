// The program's user guide: HTML pages of our own, opened in the desktop's
// browser.
#pragma once

#include <filesystem>
#include <vector>

class QWidget;

namespace kt58::app {

// Where the guide's first page is looked for, in order: help/ below the
// program folder, help/ beside the executable (the build folder), and
// share/kt58-animator/help/ of the prefix the executable is installed in.
std::vector<std::filesystem::path> UserGuideCandidates();

// The first candidate that is a file; empty when there is none.
std::filesystem::path UserGuidePath();

// Opens the guide with the desktop's browser; "Help file missing." when it
// is not there. A browser that cannot be started is reported by ShellOpen.
void OpenUserGuide(QWidget* parent);

}  // namespace kt58::app
