// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/widgets/user_feedback.h"

#include <QApplication>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>

#include "gui/widgets/progress_dialog.h"

QString MessageText(const std::string& text) {
  QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return s;
}

namespace {

// The window a message belongs to: the modal or active window, else the
// main window. Progress windows are transient and never own a message.
QWidget* MessageOwner() {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  QWidget* active = QApplication::activeWindow();
  if (active && !qobject_cast<ProgressDialog*>(active)) return active;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && qobject_cast<QMainWindow*>(w)) return w;
  return nullptr;
}

bool quitRequested = false;

}  // namespace

void showMessage(const std::string& text) {
  // On the heap and watched: an owner deleted while the box runs its loop
  // takes the box along.
  QPointer<QMessageBox> box = new QMessageBox(QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(),
                                              MessageText(text), QMessageBox::Ok, MessageOwner());
  box->setTextFormat(Qt::PlainText);
  box->exec();
  delete box.data();
}

BusyCursor::BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }

BusyCursor::~BusyCursor() { QApplication::restoreOverrideCursor(); }

void watchForQuit() {
  QObject::connect(qApp, &QCoreApplication::aboutToQuit, [] { quitRequested = true; });
}

bool appTerminating() { return quitRequested || QCoreApplication::closingDown(); }

void processPendingEvents() {
  if (!appTerminating()) QCoreApplication::processEvents(QEventLoop::AllEvents);
}
