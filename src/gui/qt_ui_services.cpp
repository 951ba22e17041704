// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/qt_ui_services.h"

#include <QApplication>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>

#include "gui/dialogs/progress_dialog.h"

QtUiServices::QtUiServices() {
  connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { terminating_ = true; });
  kt58::InstallUiServices(this);
}

QtUiServices::~QtUiServices() {
  if (&kt58::Ui() == this) kt58::InstallUiServices(nullptr);
  while (busy_depth_ > 0) SetBusyCursor(false);
}

void QtUiServices::ProcessMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

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

}  // namespace

void QtUiServices::ShowMessage(const std::string& text) {
  // On the heap and watched: an owner deleted while the box runs its loop
  // takes the box along.
  QPointer<QMessageBox> box = new QMessageBox(QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(),
                                              MessageText(text), QMessageBox::Ok, MessageOwner());
  box->setTextFormat(Qt::PlainText);
  box->exec();
  delete box.data();
}

void QtUiServices::SetBusyCursor(bool on) {
  if (on) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ++busy_depth_;
  } else if (busy_depth_ > 0) {
    QApplication::restoreOverrideCursor();
    --busy_depth_;
  }
}

std::unique_ptr<kt58::ProgressDialog> QtUiServices::CreateProgressDialog() { return CreateProgressDialogHandle(); }
