// Modal windows (message boxes, the colour dialog) run their own event loop;
// a test answers them from a timer inside that loop.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
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

// Answers the next file dialog by choosing path; folder, when given, gets
// the folder the dialog started in.
inline std::shared_ptr<bool> ChooseInFileDialog(const std::filesystem::path& path, QString* folder = nullptr) {
  return AnswerNextModal([path, folder](QWidget* w) {
    auto* dialog = qobject_cast<QFileDialog*>(w);
    QVERIFY(dialog);
    if (folder) *folder = dialog->directory().absolutePath();
    // Typed into the name box as a user would: selectFile leaves that box
    // alone while it has the focus, which the dialog gives it once shown.
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(edit);
    edit->setText(QString::fromStdString(path.string()));
    static_cast<QDialog*>(dialog)->accept();  // runs the file dialog's own checks
  });
}

}  // namespace kt58::apptest
