// kt58 Animator: the desktop app.
#include <QApplication>
#include <cstdio>
#include <exception>

#include "app/main_form.h"
#include "app/qt_ui_services.h"
#include "app/system_colors.h"
#include "platform/program_info.h"

int main(int argc, char** argv) {
  // Answered before Qt starts, so that they work without a display.
  if (const auto text = kt58::InformationOptionText("kt58-animator", argc, argv)) {
    std::fputs(text->c_str(), stdout);
    return 0;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("kt58-animator"));
  QApplication::setApplicationDisplayName(QStringLiteral("kt58 Animator"));
  app.setProperty("helpFile", QStringLiteral("kt58Animator.chm"));
  QtUiServices services;
  QObject::connect(&app, &QCoreApplication::aboutToQuit, [&services] { services.SetTerminating(true); });
  RefillSystemColors(QApplication::palette());

  std::unique_ptr<TMainForm> window;
  try {
    window = std::make_unique<TMainForm>();
  } catch (const std::exception& e) {
    // Creating the program's Projects or Output folder failed.
    services.ShowMessage(e.what());
    return 1;
  }
  window->show();
  return QApplication::exec();
}
