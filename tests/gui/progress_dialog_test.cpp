// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <stdexcept>

#include "gui/widgets/progress_dialog.h"
#include "gui/widgets/user_feedback.h"
#include "app_test.h"

namespace {

// The progress windows that are still alive.
QList<ProgressDialog*> LiveForms() {
  QList<ProgressDialog*> forms;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* form = qobject_cast<ProgressDialog*>(w)) forms << form;
  return forms;
}

void RunDeferredDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

}  // namespace

class ProgressDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() {
    RunDeferredDeletes();
    QVERIFY(LiveForms().isEmpty());
  }

  void formHasTheFixedLayoutAndTexts() {
    ProgressDialog form;
    QCOMPARE(form.windowTitle(), QStringLiteral("Constructing Frame Images"));
    QCOMPARE(form.size(), QSize(366, 47));
    QCOMPARE(form.minimumSize(), form.maximumSize());
    QCOMPARE(form.font().pixelSize(), 13);
    QCOMPARE(form.font().family(), QStringLiteral("Arial"));
    QVERIFY(form.parentWidget() == nullptr);
    QVERIFY(form.isHidden());

    QCOMPARE(form.progressLabel()->text(), QStringLiteral("Progress"));
    QCOMPARE(form.progressLabel()->alignment(), Qt::AlignHCenter | Qt::AlignTop);
    QCOMPARE(form.progressLabel()->geometry().topLeft(), QPoint(0, 0));
    QCOMPARE(form.progressLabel()->width(), 366);
    QCOMPARE(form.progressBar()->geometry(), QRect(6, 28, 353, 13));
    QCOMPARE(form.progressBar()->minimum(), 0);
    QCOMPARE(form.progressBar()->maximum(), 100);
    QCOMPARE(form.cancelButton()->geometry(), QRect(300, 3, 59, 21));
    QCOMPARE(form.cancelButton()->text(), QStringLiteral("Cancel"));
    QVERIFY(form.cancelButton()->isHidden());
  }

  void protocolDrivesTheWindowAndCancelCallsBack() {
    QMainWindow main_window;
    main_window.show();
    int cancels = 0;
    {
      const std::unique_ptr<kt58::ProgressDialog> dialog = CreateProgressDialogHandle();
      dialog->SetCaption("Import AVI...");
      dialog->SetText("Preparing for Import...");
      dialog->SetRange(5, 50);
      dialog->SetPosition(20);
      dialog->ShowCancel([&] { ++cancels; });
      dialog->Show();
      dialog->Repaint();

      QCOMPARE(LiveForms().size(), 1);
      ProgressDialog* form = LiveForms().front();
      QVERIFY(QTest::qWaitForWindowExposed(form));
      QCOMPARE(form->windowTitle(), QStringLiteral("Import AVI..."));
      QCOMPARE(form->progressLabel()->text(), QStringLiteral("Preparing for Import..."));
      QCOMPARE(form->progressBar()->minimum(), 5);
      QCOMPARE(form->progressBar()->maximum(), 50);
      QCOMPARE(form->progressBar()->value(), 20);
      dialog->SetPosition(60);  // past the end: the bar stays full
      QCOMPARE(form->progressBar()->value(), 50);
      // Modeless: the main window stays usable.
      QVERIFY(QApplication::activeModalWidget() == nullptr);
      QVERIFY(main_window.isEnabled());

      QVERIFY(form->cancelButton()->isVisible());
      QTest::mouseClick(form->cancelButton(), Qt::LeftButton);
      QCOMPARE(cancels, 1);
    }
    // Released on leaving the scope: hidden at once, gone once events run.
    QCOMPARE(LiveForms().size(), 1);
    QVERIFY(!LiveForms().front()->isVisible());
    RunDeferredDeletes();
    QVERIFY(LiveForms().isEmpty());
  }

  void cancelHandlerMayReleaseItsOwnDialog() {
    std::unique_ptr<kt58::ProgressDialog> dialog = CreateProgressDialogHandle();
    dialog->ShowCancel([&] {
      dialog->Release();
      dialog.reset();
    });
    dialog->Show();
    QPointer<ProgressDialog> form = LiveForms().front();
    QTest::mouseClick(form->cancelButton(), Qt::LeftButton);
    QVERIFY(!dialog);
    QVERIFY(form);  // still there until the event loop deletes it
    RunDeferredDeletes();
    QVERIFY(!form);
  }

  void callsAfterTheWindowHasGoneDoNothing() {
    std::unique_ptr<kt58::ProgressDialog> dialog = CreateProgressDialogHandle();
    dialog->Show();
    dialog->Release();
    RunDeferredDeletes();
    dialog->SetText("late");
    dialog->SetPosition(3);
    dialog->Show();
    dialog->Release();
    QVERIFY(LiveForms().isEmpty());
  }

  void errorInsideTheOperationStillReleasesTheWindow() {
    try {
      const std::unique_ptr<kt58::ProgressDialog> dialog = CreateProgressDialogHandle();
      dialog->Show();
      throw std::runtime_error("broken");
    } catch (const std::runtime_error&) {
    }
    RunDeferredDeletes();
    QVERIFY(LiveForms().isEmpty());
  }
};

KT58_APP_TEST(ProgressDialogTest);

#include "progress_dialog_test.moc"
