// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QMainWindow>
#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "gui/widgets/user_feedback.h"
#include "app_test.h"
#include "modal_helper.h"

using namespace kt58::apptest;

namespace {

struct ShownBox {
  QString title, text;
  Qt::TextFormat format = Qt::AutoText;
  QList<QAbstractButton*> buttons;
  QWidget* parent = nullptr;
};

// Reads the box the user would see and presses its OK button.
std::shared_ptr<bool> ReadAndConfirmNextBox(ShownBox& shown) {
  return AnswerNextModal([&shown](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    QVERIFY(box);
    shown.title = box->windowTitle();
    shown.text = box->text();
    shown.format = box->textFormat();
    shown.buttons = box->buttons();
    shown.parent = box->parentWidget();
    QVERIFY(box->button(QMessageBox::Ok));
    QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
  });
}

}  // namespace

class UiServicesTest : public QObject {
  Q_OBJECT

 private slots:
  void installsItselfForItsLifetime() {
    {
      QtUiServices services;
      QCOMPARE(&kt58::Ui(), static_cast<kt58::UiServices*>(&services));
    }
    QVERIFY(dynamic_cast<QtUiServices*>(&kt58::Ui()) == nullptr);
  }

  void messageIsAPlainBoxWithOneOkAndLineBreaks() {
    QtUiServices services;
    QMainWindow main_window;
    main_window.show();
    main_window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&main_window));
    const struct {
      const char* text;
      QString shown;
    } cases[] = {
        {"Preview Exception", QStringLiteral("Preview Exception")},
        {"first\rsecond", QStringLiteral("first\nsecond")},
        {"first\r\nsecond\r", QStringLiteral("first\nsecond\n")},
        {"<b>not bold</b> caf\xC3\xA9", QStringLiteral("<b>not bold</b> caf\u00E9")},
    };
    for (const auto& c : cases) {
      ShownBox shown;
      auto seen = ReadAndConfirmNextBox(shown);
      services.ShowMessage(c.text);
      QVERIFY(*seen);
      QCOMPARE(shown.text, c.shown);
      QCOMPARE(shown.title, QStringLiteral("kt58 Animator"));
      QCOMPARE(shown.format, Qt::PlainText);
      QCOMPARE(shown.buttons.size(), 1);
      QCOMPARE(shown.parent, static_cast<QWidget*>(&main_window));
    }
  }

  void pendingEventsRunUnlessTerminating() {
    QtUiServices services;
    int ran = 0;
    QTimer::singleShot(0, qApp, [&] { ++ran; });
    kt58::ProcessPendingMessages();
    QCOMPARE(ran, 1);

    services.SetTerminating(true);
    QVERIFY(kt58::Ui().Terminating());
    QTimer::singleShot(0, qApp, [&] { ++ran; });
    kt58::ProcessPendingMessages();
    QCOMPARE(ran, 1);
    services.SetTerminating(false);
    kt58::ProcessPendingMessages();
    QCOMPARE(ran, 2);
  }

  void busyCursorNestsAndIgnoresUnmatchedOff() {
    QVERIFY(QApplication::overrideCursor() == nullptr);
    {
      QtUiServices services;
      services.SetBusyCursor(false);  // nothing to undo
      QVERIFY(QApplication::overrideCursor() == nullptr);
      services.SetBusyCursor(true);
      services.SetBusyCursor(true);
      QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
      services.SetBusyCursor(false);
      QVERIFY(QApplication::overrideCursor() != nullptr);
      services.SetBusyCursor(false);
      QVERIFY(QApplication::overrideCursor() == nullptr);
      services.SetBusyCursor(true);
    }
    // A job cut short by the end of the program leaves no cursor behind.
    QVERIFY(QApplication::overrideCursor() == nullptr);
  }
};

KT58_APP_TEST(UiServicesTest);

#include "ui_services_test.moc"
