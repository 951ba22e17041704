// SPDX-License-Identifier: GPL-3.0-or-later
// Starting the desktop app where there may be no display to show it on.
// Without one Qt ends the process with an abort and a page about plugins;
// the app says in one line that it needs a display and exits with status 1.
#pragma once

#include <QtGlobal>
#include <string>
#include <vector>

namespace kt58::app {

// The line to print when no window system can be reached for certain: no
// platform was chosen (QT_QPA_PLATFORM, -platform NAME; offscreen needs no
// display) and neither DISPLAY nor WAYLAND_DISPLAY is set. Empty when Qt may
// try.
std::string MissingDisplayLine(int argc, const char* const* argv);

// Held around the construction of the QApplication. A fatal message meanwhile
// (the display named cannot be reached) ends the process with one line on
// stderr and status 1; what else Qt says meanwhile is held back, and passed
// on by Started() once the application stands.
class WindowSystemStart {
 public:
  WindowSystemStart();
  ~WindowSystemStart();
  WindowSystemStart(const WindowSystemStart&) = delete;
  WindowSystemStart& operator=(const WindowSystemStart&) = delete;

  void Started();

 private:
  QtMessageHandler previous_ = nullptr;
  bool active_ = false;
};

}  // namespace kt58::app
