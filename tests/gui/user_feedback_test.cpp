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

class UserFeedbackTest : public QObject {
  Q_OBJECT

 private slots:
  void messageIsAPlainBoxWithOneOkAndLineBreaks() {
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
      showMessage(c.text);
      QVERIFY(*seen);
      QCOMPARE(shown.text, c.shown);
      QCOMPARE(shown.title, QStringLiteral("kt58 Animator"));
      QCOMPARE(shown.format, Qt::PlainText);
      QCOMPARE(shown.buttons.size(), 1);
      QCOMPARE(shown.parent, static_cast<QWidget*>(&main_window));
    }
  }

  void pendingEventsRun() {
    QVERIFY(!appTerminating());
    int ran = 0;
    QTimer::singleShot(0, qApp, [&] { ++ran; });
    processPendingEvents();
    QCOMPARE(ran, 1);
  }

  void busyCursorNests() {
    QVERIFY(QApplication::overrideCursor() == nullptr);
    {
      const BusyCursor outer;
      {
        const BusyCursor inner;
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
      }
      QVERIFY(QApplication::overrideCursor() != nullptr);
    }
    QVERIFY(QApplication::overrideCursor() == nullptr);
  }
};

KT58_APP_TEST(UserFeedbackTest);
#include "user_feedback_test.moc"
