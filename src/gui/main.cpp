// SPDX-License-Identifier: GPL-3.0-or-later
// kt58 Animator: the desktop app.
#include <QApplication>
#include <csignal>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>

#include "gui/main_window.h"
#include "gui/dialogs/project_dialogs.h"
#include "gui/widgets/user_feedback.h"
#include "gui/system_colors.h"
#include "gui/window_system.h"
#include "platform/program_info.h"

namespace {

constexpr const char* kUsage =
    "usage: kt58-animator [PROJECT.apf]\n"
    "Composes short layered animations in a window; opens PROJECT.apf when given.\n"
    "\n"
    "  --help     print this text and exit\n"
    "  --version  print the version and exit\n"
    "  --paths    print where the resources, the settings and the frame stores are, and exit\n"
    "\n"
    "Qt's own options (-platform NAME, -style NAME, ...) are accepted too.\n"
    "kt58 does the same work without a window.\n";

}  // namespace

int main(int argc, char** argv) {
  // Answered before Qt starts, so that they work without a display.
  if (const auto text = kt58::InformationOptionText("kt58-animator", kUsage, argc, argv)) {
    std::fputs(text->c_str(), stdout);
    return 0;
  }
  if (const std::string line = kt58::app::MissingDisplayLine(argc, argv); !line.empty()) {
    std::fputs(line.c_str(), stderr);
    return 1;
  }
  // A file-size limit (ulimit -f) then fails the write with EFBIG, which
  // the app reports and cleans up, instead of ending it with the project
  // unsaved.
  std::signal(SIGXFSZ, SIG_IGN);
  kt58::app::WindowSystemStart start;
  QApplication app(argc, argv);
  start.Started();
  QApplication::setApplicationName(QStringLiteral("kt58-animator"));
  QApplication::setApplicationDisplayName(QStringLiteral("kt58 Animator"));
  app.setProperty("helpFile", QStringLiteral("kt58Animator.chm"));
  watchForQuit();
  RefillSystemColors(QApplication::palette());

  // "kt58-animator FILE.apf" (the desktop's file association) opens that
  // project at start-up.
  MainWindowOptions options;
  const QStringList arguments = QApplication::arguments();
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    if (arguments[i].startsWith(QLatin1Char('-'))) continue;
    std::error_code ec;
    const std::filesystem::path given = kt58::app::ToPath(arguments[i]);
    const std::filesystem::path absolute = std::filesystem::absolute(given, ec);
    options.ProjectToOpen = ec ? given : absolute;
    break;
  }
  std::unique_ptr<MainWindow> window;
  try {
    window = std::make_unique<MainWindow>(options);
  } catch (const std::exception& e) {
    // Creating the program's Projects or Output folder failed.
    showMessage(e.what());
    return 1;
  }
  window->show();
  return QApplication::exec();
}
