// SPDX-License-Identifier: GPL-3.0-or-later
#include <QColorDialog>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include "app_test.h"
#include "gui/widgets/color_combo_box.h"
#include "gui/widgets/color_picker.h"
#include "modal_helper.h"
#include "widget_helpers.h"

using namespace kt58;
using namespace kt58::apptest;

class ColorSelectorTest : public QObject {
  Q_OBJECT

 private:
  static void VerifyLayout(const ColorPicker& s) {
    const QRect label = s.Label()->geometry(), combo = s.Combo()->geometry(), button = s.Button()->geometry();
    QCOMPARE(label.topLeft(), QPoint(1, 1));
    QCOMPARE(label.width(), s.width() - 2);
    QCOMPARE(combo.left(), 1);
    QCOMPARE(combo.top(), label.top() + label.height() + 1);
    QCOMPARE(combo.width(), s.width() - combo.height() - 1);
    QCOMPARE(button.top(), combo.top());
    QCOMPARE(button.left(), combo.left() + combo.width() + 1);
    QCOMPARE(button.height(), combo.height() - 2);
    QCOMPARE(button.width(), button.height());
  }

 private slots:
  void init() { ResetSystemColors(); }

  void layoutAtCreationAfterResizeAndFontChange() {
    ColorPicker s;
    QCOMPARE(s.size(), QSize(150, 23));
    s.show();
    QCOMPARE(s.Button()->text(), QStringLiteral("..."));
    VerifyLayout(s);
    s.resize(200, 60);
    QCOMPARE(s.Label()->width(), 198);
    VerifyLayout(s);

    QPalette red = s.palette();
    red.setColor(QPalette::WindowText, Qt::red);
    s.setPalette(red);
    const int old_combo_height = s.Combo()->height();
    QFont big = s.font();
    big.setPixelSize(30);
    s.setFont(big);
    QVERIFY(s.Combo()->height() > old_combo_height);
    VerifyLayout(s);
    QCOMPARE(s.Combo()->palette().color(QPalette::Text), QColor(Qt::black));
    QCOMPARE(s.Button()->palette().color(QPalette::ButtonText), QColor(Qt::black));
    QCOMPARE(s.Label()->palette().color(QPalette::WindowText), QColor(Qt::red));
  }

  void settingColorByProgramFiresNothing() {
    ColorPicker s;
    QSignalSpy changes(&s, &ColorPicker::colorChanged);
    s.setLabelText(QStringLiteral("Background Color"));
    s.setColor(0x00FFEBD7);
    QCOMPARE(s.color(), Color{0x00FFEBD7});
    QCOMPARE(s.Combo()->currentColor(), Color{0x00FFEBD7});
    QCOMPARE(s.Combo()->displayText(), QStringLiteral("$00FFEBD7"));
    QCOMPARE(s.Label()->text(), QStringLiteral("Background Color"));
    QCOMPARE(changes.count(), 0);
  }

  void pickingFromTheListFiresOnceWithTheSelectorAsSender() {
    ColorPicker s;
    s.resize(180, 50);
    s.show();
    QVERIFY(QTest::qWaitForWindowExposed(&s));
    QSignalSpy changes(&s, &ColorPicker::colorChanged);
    PickItem(s.Combo(), s.Combo()->findText(QStringLiteral("Button face")));
    QCOMPARE(s.color(), Color{0x8000000F});
    QCOMPARE(changes.count(), 1);
    QCOMPARE(changes.at(0).at(0).value<ColorPicker*>(), &s);
  }

  void colourDialogStartsAtTheColourAndConfirmingSetsIt() {
    ColorPicker s;
    s.resize(180, 50);
    s.setColor(0x8000000F);  // a system colour starts the dialog at its resolved value
    s.show();
    QVERIFY(QTest::qWaitForWindowExposed(&s));
    QSignalSpy changes(&s, &ColorPicker::colorChanged);
    QColor start;
    auto seen = AnswerNextModal([&](QWidget* w) {
      auto* dialog = qobject_cast<QColorDialog*>(w);
      QVERIFY(dialog);
      start = dialog->currentColor();
      dialog->setCurrentColor(QColor(0xD7, 0xEB, 0xFF));
      dialog->accept();
    });
    QTest::mouseClick(s.Button(), Qt::LeftButton);
    QVERIFY(*seen);
    QCOMPARE(start, QColor(0xF0, 0xF0, 0xF0));
    QCOMPARE(s.color(), Color{0x00FFEBD7});
    QCOMPARE(s.Combo()->currentColor(), Color{0x00FFEBD7});
    QCOMPARE(s.Combo()->displayText(), QStringLiteral("$00FFEBD7"));
    QCOMPARE(changes.count(), 1);
  }

  void cancellingTheColourDialogChangesNothing() {
    ColorPicker s;
    s.resize(180, 50);
    s.setColor(0x000080);
    s.show();
    QVERIFY(QTest::qWaitForWindowExposed(&s));
    QSignalSpy changes(&s, &ColorPicker::colorChanged);
    auto seen = AnswerNextModal([](QWidget* w) {
      auto* dialog = qobject_cast<QColorDialog*>(w);
      QVERIFY(dialog);
      dialog->setCurrentColor(QColor(1, 2, 3));
      dialog->reject();
    });
    QTest::mouseClick(s.Button(), Qt::LeftButton);
    QVERIFY(*seen);
    QCOMPARE(s.color(), Color{0x000080});
    QCOMPARE(s.Combo()->currentColor(), Color{0x000080});
    QCOMPARE(changes.count(), 0);
  }
};

KT58_APP_TEST(ColorSelectorTest);

#include "color_picker_test.moc"
