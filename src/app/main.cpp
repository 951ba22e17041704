// kt58 Animator: the desktop app. For now the shell only: the services the
// core needs, the desktop's colours, and the (still empty) main window.
#include <QApplication>
#include <QMainWindow>

#include "app/qt_ui_services.h"
#include "app/system_colors.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("kt58-animator"));
  QApplication::setApplicationDisplayName(QStringLiteral("kt58 Animator"));
  QtUiServices services;
  RefillSystemColors(QApplication::palette());

  QMainWindow window;
  window.setWindowTitle(QStringLiteral("kt58 Animator"));
  window.resize(800, 600);
  window.show();
  return QApplication::exec();
}
