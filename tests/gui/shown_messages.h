// SPDX-License-Identifier: GPL-3.0-or-later
// What the program showed during a test: every plain message box (one OK
// button) is read as it appears and closed from inside its own loop, so no
// test waits on one, and the title of every progress window is noted.
// Question boxes are left to the test to answer.
#pragma once

#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QPointer>
#include <string>
#include <vector>

#include "gui/widgets/progress_dialog.h"

namespace kt58::apptest {

class ShownMessages final : public QObject {
 public:
  ShownMessages() { qApp->installEventFilter(this); }
  ~ShownMessages() override { qApp->removeEventFilter(this); }
  ShownMessages(const ShownMessages&) = delete;
  ShownMessages& operator=(const ShownMessages&) = delete;

  // The texts as the program gave them: line breaks as carriage returns.
  std::vector<std::string> messages;
  // The titles of the progress windows, in the order they appeared.
  std::vector<std::string> progress_windows;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Show) return false;
    if (auto* progress = qobject_cast<::ProgressDialog*>(watched)) {
      progress_windows.push_back(progress->windowTitle().toStdString());
      return false;
    }
    auto* box = qobject_cast<QMessageBox*>(watched);
    if (!box || box->buttons().size() != 1 || !box->button(QMessageBox::Ok)) return false;
    messages.push_back(box->text().replace(QLatin1Char('\n'), QLatin1Char('\r')).toStdString());
    QMetaObject::invokeMethod(
        box, [box = QPointer<QMessageBox>(box)] {
          if (box) box->done(QMessageBox::Ok);
        },
        Qt::QueuedConnection);
    return false;
  }
};

}  // namespace kt58::apptest
