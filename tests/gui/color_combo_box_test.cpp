// SPDX-License-Identifier: GPL-3.0-or-later
#include <QPalette>
#include <QSignalSpy>
#include <QTest>

#include "gui/system_colors.h"
#include "app_test.h"
#include "gui/widgets/color_combo_box.h"
#include "gui/widgets/choice_combo_box.h"
#include "gui/widgets/integer_edit.h"
#include "engine/color_names.h"
#include "widget_helpers.h"

using namespace kt58;
using namespace kt58::apptest;

class ColorComboTest : public QObject {
  Q_OBJECT

 private:
  // Every pixel strictly inside the swatch's black frame has the colour.
  static void VerifySwatch(const QImage& image, QPoint item_top_left, int h, Color color) {
    const QRgb want = Rgb(ResolveColor(color));
    for (int y = item_top_left.y() + 3; y <= item_top_left.y() + h - 4; ++y)
      for (int x = item_top_left.x() + 3; x <= item_top_left.x() + h - 4; ++x)
        QCOMPARE(QColor(image.pixel(x, y)), QColor(want));
    // The frame, on all four sides.
    const QRgb black = qRgb(0, 0, 0);
    const int l = item_top_left.x() + 2, t = item_top_left.y() + 2, r = item_top_left.x() + h - 3,
              b = item_top_left.y() + h - 3;
    for (const QPoint p : {QPoint(l, t + 3), QPoint(r, t + 3), QPoint(l + 3, t), QPoint(l + 3, b)})
      QCOMPARE(QColor(image.pixel(p)), QColor(black));
  }

 private slots:
  void init() { ResetSystemColors(); }

  void listHoldsTheNamedColoursInOrderWithFirstSelected() {
    ColorComboBox combo;
    QCOMPARE(combo.count(), 41);
    for (int i = 0; i < combo.count(); ++i) {
      QCOMPARE(combo.itemText(i), QString::fromLatin1(NamedColors()[static_cast<size_t>(i)].label));
      QCOMPARE(combo.itemColor(i), NamedColors()[static_cast<size_t>(i)].value);
    }
    QCOMPARE(combo.currentIndex(), 0);
    QCOMPARE(combo.currentColor(), Color{0});
    QVERIFY(!combo.isEditable());
  }

  void pickingAnItemSetsItsColourAndFiresOnce() {
    ColorComboBox combo;
    combo.resize(150, combo.sizeHint().height());
    combo.show();
    QVERIFY(QTest::qWaitForWindowExposed(&combo));
    QSignalSpy changes(&combo, &ColorComboBox::colorChanged);
    const int btn_face = combo.findText(QStringLiteral("Button face"));
    QCOMPARE(btn_face, 16);
    PickItem(&combo, btn_face);
    QCOMPARE(combo.currentColor(), Color{0x8000000F});
    QCOMPARE(changes.count(), 1);
    // Picking the same item again is still a pick.
    PickItem(&combo, btn_face);
    QCOMPARE(changes.count(), 2);
  }

  void settingCurrentColorFiresNothingAndShowsTheHexForm() {
    ColorComboBox combo;
    QSignalSpy changes(&combo, &ColorComboBox::colorChanged);
    QSignalSpy index_changes(&combo, &QComboBox::currentIndexChanged);
    combo.setCurrentColor(0x00FFEBD7);
    QCOMPARE(combo.currentColor(), Color{0x00FFEBD7});
    QCOMPARE(combo.displayText(), QStringLiteral("$00FFEBD7"));
    QCOMPARE(combo.currentIndex(), -1);
    combo.setCurrentColor(0x0000FF);
    QCOMPARE(combo.displayText(), QStringLiteral("Red"));
    QCOMPARE(combo.currentIndex(), 9);
    QCOMPARE(changes.count(), 0);
    QCOMPARE(index_changes.count(), 0);
  }

  void editPartSwatchHasTheColourEvenOutsideTheList() {
    for (const Color c : {Color{0x00FFEBD7}, Color{0x000080}, Color{0x8000000F}}) {
      ColorComboBox combo;
      combo.resize(160, combo.sizeHint().height());
      combo.setCurrentColor(c);
      combo.show();
      QVERIFY(QTest::qWaitForWindowExposed(&combo));
      VerifySwatch(Grab(&combo), combo.editItemRect().topLeft(), combo.itemHeight(), c);
    }
  }

  void listItemSwatchHasTheItemColour() {
    ColorComboBox combo;
    combo.resize(160, combo.sizeHint().height());
    combo.show();
    QVERIFY(QTest::qWaitForWindowExposed(&combo));
    combo.showPopup();
    QAbstractItemView* view = combo.view();
    QVERIFY(QTest::qWaitForWindowExposed(view->window()));
    const QImage image = Grab(view->viewport());
    for (const char* name : {"Maroon", "Teal", "Yellow"}) {
      const int i = combo.findText(QString::fromLatin1(name));
      const QRect r = view->visualRect(view->model()->index(i, 0));
      QCOMPARE(r.height(), combo.itemHeight());
      VerifySwatch(image, r.topLeft(), combo.itemHeight(), combo.itemColor(i));
    }
    combo.hidePopup();
  }

  void systemColoursFollowThePaletteRefill() {
    QPalette palette;
    palette.setColor(QPalette::Active, QPalette::Button, QColor(1, 2, 3));
    palette.setColor(QPalette::Active, QPalette::Dark, QColor(4, 5, 6));
    palette.setColor(QPalette::Active, QPalette::Light, QColor(7, 8, 9));
    palette.setColor(QPalette::Active, QPalette::Highlight, QColor(10, 11, 12));
    palette.setColor(QPalette::Active, QPalette::ToolTipBase, QColor(13, 14, 15));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(16, 17, 18));
    RefillSystemColors(palette);
    QCOMPARE(SystemColor(15), RGBColor(1, 2, 3));
    QCOMPARE(SystemColor(16), RGBColor(4, 5, 6));
    QCOMPARE(SystemColor(20), RGBColor(7, 8, 9));
    QCOMPARE(SystemColor(13), RGBColor(10, 11, 12));
    QCOMPARE(SystemColor(24), RGBColor(13, 14, 15));
    QCOMPARE(SystemColor(17), RGBColor(16, 17, 18));
    QCOMPARE(SystemColor(1), RGBColor(0, 0, 0));  // the desktop has no palette role

    ColorComboBox combo;
    combo.resize(160, combo.sizeHint().height());
    combo.setCurrentColor(0x8000000F);
    combo.show();
    QVERIFY(QTest::qWaitForWindowExposed(&combo));
    VerifySwatch(Grab(&combo), combo.editItemRect().topLeft(), combo.itemHeight(), RGBColor(1, 2, 3));
  }

  // Button face, shadow and highlight set to colours no style uses, so every
  // checked pixel shows which painting put it there.
  void flatAndEtchedBordersPaintTheirRings() {
    const Color face = RGBColor(10, 200, 30), shadow = RGBColor(200, 10, 10), light = RGBColor(10, 10, 200);
    SetSystemColor(15, face);
    SetSystemColor(16, shadow);
    SetSystemColor(20, light);
    struct Case {
      bool flat, etched;
      // Colours of the pixels on the middle row at x = 0, 1, 2, 3 and at
      // width - 1, - 2, - 3, - 4; 0 means "not one of ours".
      Color edit[8];
      Color combo[8];
    };
    const Case cases[] = {
        {true, false, {face, face, 0, 0, face, face, face, 0}, {face, face, 0, 0, face, face, 0, 0}},
        {false, true, {face, shadow, light, 0, face, face, light, shadow}, {face, shadow, light, 0, face, light, shadow, 0}},
        {true, true, {face, face, 0, 0, face, face, face, 0}, {face, face, 0, 0, face, face, 0, 0}},
        {false, false, {0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
      IntegerEdit edit;
      ChoiceComboBox combo;
      combo.addItem(QStringLiteral("1"));
      for (QWidget* w : {static_cast<QWidget*>(&edit), static_cast<QWidget*>(&combo)}) {
        w->resize(80, 24);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
      }
      edit.setFlat(c.flat);
      edit.setEtchedBorder(c.etched);
      combo.setFlat(c.flat);
      combo.setEtchedBorder(c.etched);
      QCOMPARE(edit.Flat(), c.flat);
      QCOMPARE(combo.etchedBorder(), c.etched);
      const struct {
        QWidget* w;
        const Color* want;
      } targets[] = {{&edit, c.edit}, {&combo, c.combo}};
      for (const auto& t : targets) {
        const QImage image = Grab(t.w);
        const int y = image.height() / 2, w = image.width();
        const int xs[8] = {0, 1, 2, 3, w - 1, w - 2, w - 3, w - 4};
        for (int i = 0; i < 8; ++i) {
          const QRgb got = image.pixel(xs[i], y) & 0xFFFFFF;
          const QString where = QStringLiteral("%1 flat=%2 etched=%3 x=%4")
                                    .arg(QString::fromLatin1(t.w->metaObject()->className()))
                                    .arg(c.flat)
                                    .arg(c.etched)
                                    .arg(xs[i]);
          if (t.want[i] != 0)
            QVERIFY2(got == (Rgb(t.want[i]) & 0xFFFFFF), qPrintable(where));
          else
            QVERIFY2(got != (Rgb(face) & 0xFFFFFF) && got != (Rgb(shadow) & 0xFFFFFF) &&
                         got != (Rgb(light) & 0xFFFFFF),
                     qPrintable(where));
        }
      }
    }
  }
};

KT58_APP_TEST(ColorComboTest);

#include "color_combo_box_test.moc"
