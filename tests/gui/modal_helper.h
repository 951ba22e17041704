// SPDX-License-Identifier: GPL-3.0-or-later
// Modal windows (message boxes, the colour dialog) run their own event loop;
// a test answers them from a timer inside that loop.
#pragma once

#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <QTest>
#include <filesystem>
#include <functional>

namespace kt58::apptest {

// Calls answer with the next modal widget that appears within timeout_ms.
// When answer leaves the dialog open it is rejected, so a test never hangs
// on a modal loop. Returns a flag that tells whether a modal was seen.
inline std::shared_ptr<bool> AnswerNextModal(std::function<void(QWidget*)> answer, int timeout_ms = 5000) {
  auto seen = std::make_shared<bool>(false);
  auto* timer = new QTimer(qApp);
  auto clock = std::make_shared<QElapsedTimer>();
  clock->start();
  QObject::connect(timer, &QTimer::timeout, timer, [timer, seen, clock, answer = std::move(answer), timeout_ms] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal->isVisible()) {
      timer->stop();
      timer->deleteLater();
      *seen = true;
      QPointer<QWidget> guard(modal);
      answer(modal);
      if (guard && guard->isVisible())
        if (auto* dialog = qobject_cast<QDialog*>(guard.data())) dialog->reject();
      return;
    }
    if (clock->elapsed() > timeout_ms) {
      timer->stop();
      timer->deleteLater();
    }
  });
  timer->start(10);
  return seen;
}

// What a file dialog showed before it was answered.
struct FileDialogSeen {
  QString title, folder, proposed;
  QStringList filters;
};

// Answers the next file dialog by choosing path, typed into the name box as
// a user types it; seen, when given, gets what the dialog showed.
inline std::shared_ptr<bool> ChooseInFileDialog(const std::filesystem::path& path, FileDialogSeen* seen = nullptr) {
  return AnswerNextModal([path, seen](QWidget* w) {
    auto* dialog = qobject_cast<QFileDialog*>(w);
    QVERIFY(dialog);
    if (seen) {
      seen->title = dialog->windowTitle();
      seen->folder = dialog->directory().absolutePath();
      seen->proposed = QFileInfo(dialog->selectedFiles().value(0)).fileName();
      seen->filters = dialog->nameFilters();
    }
    // A row the dialog selected by itself (its folder loads in the
    // background) would win over the typed name.
    for (auto* view : dialog->findChildren<QAbstractItemView*>()) view->clearSelection();
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(edit);
    edit->setText(QString::fromStdString(path.string()));
    static_cast<QDialog*>(dialog)->accept();  // runs the file dialog's own checks
  });
}

}  // namespace kt58::apptest
