// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QCheckBox>
#include <QSlider>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <functional>

#include "app_test.h"
#include "gui/widgets/color_combo_box.h"
#include "gui/widgets/color_picker.h"
#include "gui/widgets/choice_combo_box.h"
#include "gui/widgets/integer_edit.h"
#include "main_window_fixture.h"
#include "model/image_resource.h"
#include "widget_helpers.h"

using namespace kt58::apptest;
using kt58::Layer;

namespace {

enum LayerPage { kTranslation, kRotation, kBlending, kFading, kOther };

// Brings a page of the "Layer" page to the front, as clicking its tabs does.
void ShowLayerPage(MainFormFixture& f, LayerPage page) {
  f.Find<QTabWidget>("pc1")->setCurrentWidget(&f.Pages());
  f.Find<QTabWidget>("pc2")->setCurrentIndex(page);
  QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
}

// Replaces an edit's whole text by typing (or pasting) new text.
void TypeOver(QLineEdit* edit, const QString& text, bool paste = false) {
  edit->setFocus();
  edit->selectAll();
  if (paste) {
    QGuiApplication::clipboard()->setText(text);
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
  } else {
    QTest::keyClicks(edit, text);
  }
}

// Clicks a check box on its box, as the user does.
void ClickCheckBox(QCheckBox* box) { QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(6, box->height() / 2)); }

// The main window with one 40 x 30 picture layer, selected, and the project
// not modified.
struct OneLayer {
  OneLayer() {
    if (!f.Ready()) return;
    layer = f.Add(f.WriteBmp("logo.bmp", 40, 30, 11));
    f.Doc().SetModified(false);
  }
  MainFormFixture f;
  Layer* layer = nullptr;
};

}  // namespace

class PropertyPagesTest : public QObject {
  Q_OBJECT

 private slots:
  void typedNumbersAreClampedAndStored() {
    struct Case {
      const char* name;
      LayerPage page;
      std::function<QLineEdit*(MainFormFixture&)> edit;
      const char* typed;
      bool paste;
      const char* shown;
      std::function<double(const Layer&)> stored;
      double expected;
    };
    auto start_angle = [](MainFormFixture& f) { return f.Find<NumberComboBox>("cbStartAngle")->lineEdit(); };
    auto degrees = [](MainFormFixture& f) { return f.Find<NumberComboBox>("cbDegreesToRotate")->lineEdit(); };
    auto amount = [](MainFormFixture& f) -> QLineEdit* { return f.Find<IntegerEdit>("eBtnzAmount"); };
    auto x_offset = [](MainFormFixture& f) -> QLineEdit* { return f.Find<IntegerEdit>("eXOffset"); };
    const Case cases[] = {
        {"start angle above 359", kRotation, start_angle, "400", false, "359", [](auto& l) { return l.StartAngle; }, 359},
        {"start angle is also the angle", kRotation, start_angle, "400", false, "359", [](auto& l) { return l.Angle; }, 359},
        {"negative start angle", kRotation, start_angle, "-5", false, "0", [](auto& l) { return l.StartAngle; }, 0},
        {"degrees above 1440", kRotation, degrees, "2000", false, "1440", [](auto& l) { return l.DegreesToRotate; }, 1440},
        {"degrees not a number", kRotation, degrees, "abc", true, "abc", [](auto& l) { return l.DegreesToRotate; }, 0},
        {"degrees typed, not completed", kRotation, degrees, "9", false, "9", [](auto& l) { return l.DegreesToRotate; }, 9},
        {"bevel amount above 100", kOther, amount, "150", false, "100", [](auto& l) { return l.ButtonizeAmount; }, 100},
        {"offsets are not clamped", kTranslation, x_offset, "-25", false, "-25", [](auto& l) { return l.OffsetX; }, -25},
    };
    for (const Case& c : cases) {
      OneLayer one;
      QVERIFY2(one.layer, c.name);
      MainFormFixture& f = one.f;
      ShowLayerPage(f, c.page);
      // Typed values are stored at once but regenerate nothing.
      const int resequenced = f.Count("Resequence Complete");
      const double before = c.stored(*one.layer);
      QLineEdit* edit = c.edit(f);
      TypeOver(edit, QString::fromLatin1(c.typed), c.paste);
      QVERIFY2(edit->text() == QLatin1String(c.shown), qPrintable(QStringLiteral("%1: %2").arg(c.name, edit->text())));
      QVERIFY2(c.stored(*one.layer) == c.expected, c.name);
      // Modified exactly when the value kept differs from the layer's.
      QVERIFY2(f.Modified() == (before != c.expected), c.name);
      QVERIFY2(f.Count("Resequence Complete") == resequenced, c.name);
    }
  }

  void userChangesReachTheSelectedLayer() {
    OneLayer one;
    QVERIFY(one.layer);
    MainFormFixture& f = one.f;
    Layer& l = *one.layer;
    const kt58::Color detected = l.TransparentColor;

    ShowLayerPage(f, kRotation);
    ClickCheckBox(f.Find<QCheckBox>("cbRotateClockwise"));
    QCOMPARE(l.Clockwise, false);
    QVERIFY(f.Modified());

    ShowLayerPage(f, kBlending);
    f.canvasView().constructionDirty_ = false;
    PickItem(f.Find<ChoiceComboBox>("cbBlendType"), 3);
    QCOMPARE(l.BlendType, 3);
    QVERIFY(f.canvasView().constructionDirty_);
    QTest::keyClick(f.Find<QSlider>("tbTrans"), Qt::Key_PageUp);
    QCOMPARE(l.Transparency, 5);
    QCOMPARE(f.Find<QLabel>("TransLabel")->text(), QStringLiteral("Transparency : 5%"));
    QTest::keyClick(f.Find<QSlider>("tbAltTrans"), Qt::Key_End);
    QCOMPARE(l.AltTransparency, 100);
    QCOMPARE(f.Find<QLabel>("AltTransLabel")->text(), QStringLiteral("Alternate Transparency : 100%"));
    ClickCheckBox(f.Find<QCheckBox>("cbEnableTint"));
    QCOMPARE(l.TintEnabled, true);
    PickColor(f.Find<ColorPicker>("TintColorSelector"), "Red");
    QCOMPARE(l.TintColor, kt58::Color{0x0000FF});

    // The fade's start and final transparency are on the page beside its
    // type, and set the layer's.
    ShowLayerPage(f, kFading);
    PickItem(f.Find<ChoiceComboBox>("cbFadeMode"), 2);
    QCOMPARE(l.FadeMode, 2);
    QCOMPARE(l.FadeStart, 0);
    QCOMPARE(l.FadeFinal, 100);
    QVERIFY(f.Find<QSlider>("tbFadeShade1")->isVisible());
    QVERIFY(f.Find<QSlider>("tbFadeShade2")->isVisible());
    QTest::keyClick(f.Find<QSlider>("tbFadeShade1"), Qt::Key_PageUp);
    QCOMPARE(l.FadeStart, 5);
    QCOMPARE(f.Find<QLabel>("FadeLabel1")->text(), QStringLiteral("Start Transparency : 5%"));
    QTest::keyClick(f.Find<QSlider>("tbFadeShade2"), Qt::Key_Home);
    QCOMPARE(l.FadeFinal, 0);

    ShowLayerPage(f, kOther);
    ClickCheckBox(f.Find<QCheckBox>("cbPixRotate"));
    PickItem(f.Find<ChoiceComboBox>("cbPixRotateDir"), 3);
    QCOMPARE(l.PixelRotate, true);
    QCOMPARE(l.PixelRotateDirection, 3);
    ClickCheckBox(f.Find<QCheckBox>("cbMirror"));
    ClickCheckBox(f.Find<QCheckBox>("cbFlip"));
    QCOMPARE(l.Mirror, true);
    QCOMPARE(l.Flip, true);
    ClickCheckBox(f.Find<QCheckBox>("cbEnableButtonize"));
    PickColor(f.Find<ColorPicker>("BtnzHiColorSelector"), "Yellow");
    PickColor(f.Find<ColorPicker>("btnzLoColorSelector"), "Navy");
    QCOMPARE(l.ButtonizeEnabled, true);
    QCOMPARE(l.ButtonizeHighlight, kt58::Color{0x00FFFF});
    QCOMPARE(l.ButtonizeShadow, kt58::Color{0x800000});
    QCOMPARE(l.ButtonizeAmount, 1);

    f.canvasView().clearBackgroundPending_ = false;
    PickColor(f.Find<ColorPicker>("LayerTransColorSelector"), "Lime");
    QCOMPARE(l.TransparentColor, kt58::Color{0x00FF00});
    QVERIFY(f.canvasView().clearBackgroundPending_);
    f.canvasView().clearBackgroundPending_ = false;
    QTest::mouseClick(f.Find<QPushButton>("AutoTransparentColorButton"), Qt::LeftButton);
    QCOMPARE(l.TransparentColor, detected);
    QCOMPARE(f.Find<ColorPicker>("LayerTransColorSelector")->color(), detected);
    QVERIFY(f.canvasView().clearBackgroundPending_);

    // Nothing of it changed the other pages' values.
    QCOMPARE(l.StartAngle, 0.0);
    QCOMPARE(l.OffsetX, 0);
  }

  void withoutASelectedLayerChangesAreNotStored() {
    OneLayer one;
    QVERIFY(one.layer);
    MainFormFixture& f = one.f;
    f.Rows()->clearSelection();
    f.List().syncSelectionFromList();
    QVERIFY(!f.Doc().SelectedLayer());

    ShowLayerPage(f, kFading);
    PickItem(f.Find<ChoiceComboBox>("cbFadeMode"), 1);
    QCOMPARE(one.layer->FadeMode, 0);
    QVERIFY(!f.Modified());

    ShowLayerPage(f, kTranslation);
    TypeOver(f.Find<IntegerEdit>("eXOffset"), QStringLiteral("33"));
    QCOMPARE(one.layer->OffsetX, 0);
    QCOMPARE(f.Find<IntegerEdit>("eXOffset")->text(), QStringLiteral("33"));  // kept until values are loaded again
    QVERIFY(!f.Modified());

    // The blend type marks the project modified all the same.
    ShowLayerPage(f, kBlending);
    PickItem(f.Find<ChoiceComboBox>("cbBlendType"), 1);
    QCOMPARE(one.layer->BlendType, 0);
    QVERIFY(f.Modified());
  }

  void suspendedControlEventsLeaveTheLayerAlone() {
    OneLayer one;
    QVERIFY(one.layer);
    MainFormFixture& f = one.f;
    MainWindow& w = *f.form;
    Layer& l = *one.layer;
    w.disableControlEvents();
    w.disableControlEvents();
    ShowLayerPage(f, kTranslation);
    TypeOver(f.Find<IntegerEdit>("eXOffset"), QStringLiteral("9"));
    QCOMPARE(l.OffsetX, 0);
    ShowLayerPage(f, kOther);
    ClickCheckBox(f.Find<QCheckBox>("cbMirror"));
    QCOMPARE(l.Mirror, false);
    ShowLayerPage(f, kBlending);
    QTest::keyClick(f.Find<QSlider>("tbTrans"), Qt::Key_PageUp);
    QCOMPARE(l.Transparency, 0);
    // The blend type list is not among the suspended controls.
    PickItem(f.Find<ChoiceComboBox>("cbBlendType"), 1);
    QCOMPARE(l.BlendType, 1);
    QCOMPARE(l.Transparency, 5);  // the group is written together
    // Only the outermost enable attaches the handlers again.
    w.enableControlEvents();
    ShowLayerPage(f, kTranslation);
    TypeOver(f.Find<IntegerEdit>("eXOffset"), QStringLiteral("8"));
    QCOMPARE(l.OffsetX, 0);
    w.enableControlEvents();
    TypeOver(f.Find<IntegerEdit>("eXOffset"), QStringLiteral("7"));
    QCOMPARE(l.OffsetX, 7);
  }

  void selectingALayerShowsItsValuesWithoutModifying() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    f.Add(f.WriteBmp("a.bmp", 20, 20, 1));
    f.Add(f.WriteBmp("b.bmp", 20, 20, 2));
    Layer& b = *f.List().rowLayer(0);
    b.TransparentColor = 0x123456;
    b.OffsetX = -7;
    b.OffsetY = 12;
    b.Clockwise = false;
    b.StartAngle = 44.5;  // halves go to the even neighbour
    b.DegreesToRotate = 720.6;
    b.BlendType = 2;
    b.Transparency = 35;
    b.AltTransparency = 80;
    b.TintEnabled = true;
    b.TintColor = 0x0000FF;
    b.FadeMode = 1;
    b.FadeStart = 20;
    b.FadeFinal = 70;
    b.PixelRotate = true;
    b.PixelRotateDirection = 2;
    b.Mirror = true;
    b.ButtonizeEnabled = true;
    b.ButtonizeAmount = 6;
    b.ButtonizeHighlight = 0x00FFFF;
    b.ButtonizeShadow = 0x800000;
    f.ClickRow(1);
    f.Doc().SetModified(false);
    f.ClickRow(0);
    QCOMPARE(f.Doc().SelectedLayer(), &b);

    QCOMPARE(f.Find<ColorPicker>("LayerTransColorSelector")->color(), kt58::Color{0x123456});
    QCOMPARE(f.Find<IntegerEdit>("eXOffset")->text(), QStringLiteral("-7"));
    QCOMPARE(f.Find<IntegerEdit>("eYOffset")->text(), QStringLiteral("12"));
    QCOMPARE(f.Find<QCheckBox>("cbRotateClockwise")->isChecked(), false);
    QCOMPARE(f.Find<NumberComboBox>("cbStartAngle")->currentText(), QStringLiteral("44"));
    QCOMPARE(f.Find<NumberComboBox>("cbDegreesToRotate")->currentText(), QStringLiteral("721"));
    QCOMPARE(f.Find<ChoiceComboBox>("cbBlendType")->currentIndex(), 2);
    QCOMPARE(f.Find<QSlider>("tbTrans")->value(), 35);
    QCOMPARE(f.Find<QLabel>("TransLabel")->text(), QStringLiteral("Transparency : 35%"));
    QCOMPARE(f.Find<QLabel>("AltTransLabel")->text(), QStringLiteral("Alternate Transparency : 80%"));
    QCOMPARE(f.Find<QCheckBox>("cbEnableTint")->isChecked(), true);
    QCOMPARE(f.Find<ColorPicker>("TintColorSelector")->color(), kt58::Color{0x0000FF});
    QCOMPARE(f.Find<ChoiceComboBox>("cbFadeMode")->currentIndex(), 1);
    QCOMPARE(f.Find<QLabel>("FadeLabel1")->text(), QStringLiteral("Start Transparency : 20%"));
    QCOMPARE(f.Find<QLabel>("FadeLabel2")->text(), QStringLiteral("End Transparency : 70%"));
    QCOMPARE(f.Find<QCheckBox>("cbPixRotate")->isChecked(), true);
    QCOMPARE(f.Find<ChoiceComboBox>("cbPixRotateDir")->currentIndex(), 2);
    QCOMPARE(f.Find<QCheckBox>("cbMirror")->isChecked(), true);
    QCOMPARE(f.Find<QCheckBox>("cbFlip")->isChecked(), false);
    QCOMPARE(f.Find<QCheckBox>("cbEnableButtonize")->isChecked(), true);
    QCOMPARE(f.Find<IntegerEdit>("eBtnzAmount")->text(), QStringLiteral("6"));
    QCOMPARE(f.Find<ColorPicker>("BtnzHiColorSelector")->color(), kt58::Color{0x00FFFF});
    QCOMPARE(f.Find<ColorPicker>("btnzLoColorSelector")->color(), kt58::Color{0x800000});
    // Loading fired no handler: nothing was written back or marked.
    QVERIFY(!f.Modified());
    QCOMPARE(b.StartAngle, 44.5);
    QCOMPARE(b.Angle, 0.0);
    QCOMPARE(b.DegreesToRotate, 720.6);

    // Without a layer the controls show a new layer's defaults.
    f.Pages().loadLayerControls(nullptr);
    QCOMPARE(f.Find<IntegerEdit>("eXOffset")->text(), QStringLiteral("0"));
    QCOMPARE(f.Find<QCheckBox>("cbRotateClockwise")->isChecked(), true);
    QCOMPARE(f.Find<NumberComboBox>("cbStartAngle")->currentText(), QStringLiteral("0"));
    QCOMPARE(f.Find<ChoiceComboBox>("cbBlendType")->currentIndex(), 0);
    QCOMPARE(f.Find<QLabel>("TransLabel")->text(), QStringLiteral("Transparency : 0%"));
    QCOMPARE(f.Find<QLabel>("FadeLabel2")->text(), QStringLiteral("End Transparency : 100%"));
    QCOMPARE(f.Find<IntegerEdit>("eBtnzAmount")->text(), QStringLiteral("1"));
    QCOMPARE(f.Find<ColorPicker>("BtnzHiColorSelector")->color(), kt58::Color{0xFFFFFF});
    QVERIFY(!f.Modified());
    QCOMPARE(b.OffsetX, -7);
  }

  void typedOffsetsMoveTheLayerAndItsOutline() {
    OneLayer one;
    QVERIFY(one.layer);
    MainFormFixture& f = one.f;
    ShowLayerPage(f, kTranslation);
    const QRect outline = f.canvasView().selectionRect_;
    TypeOver(f.Find<IntegerEdit>("eXOffset"), QStringLiteral("25"));
    TypeOver(f.Find<IntegerEdit>("eYOffset"), QStringLiteral("-4"));
    QCOMPARE(one.layer->OffsetX, 25);
    QCOMPARE(one.layer->OffsetY, -4);
    QCOMPARE(f.canvasView().selectionRect_, outline.translated(25, -4));
    QCOMPARE(f.Box()->focusOutline(), f.canvasView().selectionRect_);
    // The repaint shows the layer at its new place (the frame keeps its size,
    // so the layer's left part is background now).
    QVERIFY(f.canvasView().constructionDirty_);
    QTRY_VERIFY(!f.canvasView().constructionDirty_);
    QCOMPARE(f.FrameDifference(f.Box()->Canvas().convertToFormat(QImage::Format_RGB32)), QString());
    // Undo puts layer, edits and outline back.
    f.Doc().UndoStack().undo();
    QCOMPARE(one.layer->OffsetY, 0);
    QCOMPARE(f.Find<IntegerEdit>("eYOffset")->text(), QStringLiteral("0"));
    QCOMPARE(f.Box()->focusOutline(), outline.translated(25, 0));
  }

  void fixedFrameSizeRecentresTheFrame() {
    OneLayer one;
    QVERIFY(one.layer);
    MainFormFixture& f = one.f;
    f.Find<QTabWidget>("pc1")->setCurrentWidget(&f.animationProperties());
    ClickCheckBox(f.Find<QCheckBox>("cbFixedFrameSize"));
    QVERIFY(f.Anim().FixedFrameSize);
    // Fixing the size starts from the frame as it is (the 40 x 30 layer's).
    QCOMPARE(f.Anim().FixedWidth, 40);
    QCOMPARE(f.Anim().FixedHeight, 30);
    QCOMPARE(f.Find<IntegerEdit>("eFixedFrameWidth")->text(), QStringLiteral("40"));
    QVERIFY(f.Find<QLabel>("DataPanel")->text().contains(QStringLiteral("Size : [40 x 30] Fixed")));
    TypeOver(f.Find<IntegerEdit>("eFixedFrameWidth"), QStringLiteral("64"));
    TypeOver(f.Find<IntegerEdit>("eFixedFrameHeight"), QStringLiteral("48"));
    QCOMPARE(f.Anim().FixedWidth, 64);
    QCOMPARE(f.Anim().FixedHeight, 48);
    QVERIFY(f.Modified());
    QVERIFY(f.Find<QLabel>("DataPanel")->text().contains(QStringLiteral("Size : [64 x 48] Fixed")));
    const QPoint origin(f.Box()->width() / 2 - 32, f.Box()->height() / 2 - 24);
    QCOMPARE(f.canvasView().drawOrigin_, origin);
    QCOMPARE(f.canvasView().selectionRect_, QRect(origin, QSize(40, 30)));
    QTRY_VERIFY(!f.canvasView().constructionDirty_);
    const QImage canvas = f.Box()->Canvas();
    QCOMPARE(canvas.pixel(origin + QPoint(-1, -1)), qRgb(255, 255, 255));
    QCOMPARE(canvas.pixel(origin + QPoint(64, 48)), qRgb(255, 255, 255));

    // Sizes are kept to 1..8192, and the edit shows the size kept once the
    // user leaves it (a size too large at once).
    struct Size {
      const char* typed;
      const char* shown_while_typing;
      int kept;
    };
    for (const Size& c : {Size{"-50", "-50", 1}, Size{"0", "0", 1}, Size{"99999", "8192", 8192}, Size{"640", "640", 640}}) {
      auto* edit = f.Find<IntegerEdit>("eFixedFrameWidth");
      TypeOver(edit, QString::fromLatin1(c.typed));
      QCOMPARE(edit->text(), QString::fromLatin1(c.shown_while_typing));
      QCOMPARE(f.Anim().FixedWidth, c.kept);
      QTest::keyClick(edit, Qt::Key_Return);
      QCOMPARE(edit->text(), QString::number(c.kept));
      QCOMPARE(f.Anim().FixedWidth, c.kept);
      f.Doc().Regenerate();
      QTRY_VERIFY(!f.canvasView().constructionDirty_);
    }
    ClickCheckBox(f.Find<QCheckBox>("cbFixedFrameSize"));
    QVERIFY(!f.Anim().FixedFrameSize);
    QVERIFY(f.Find<QLabel>("DataPanel")->text().endsWith(QStringLiteral("Size : [40 x 30]  Max : 0.00")));
  }

  void backgroundColourFillsTheViewAroundTheFrame() {
    OneLayer one;
    QVERIFY(one.layer);
    MainFormFixture& f = one.f;
    MainWindow& w = *f.form;
    f.Find<QTabWidget>("pc1")->setCurrentWidget(&f.animationProperties());
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    PickColor(f.Find<ColorPicker>("bk_Color_Selector"), "Teal");
    QCOMPARE(f.Anim().BackgroundColor, kt58::Color{0x808000});
    QCOMPARE(f.Find<QWidget>("ConstrPanel")->palette().color(QPalette::Window), QColor(0, 0x80, 0x80));
    QVERIFY(f.Modified());
    QTRY_VERIFY(!f.canvasView().constructionDirty_);
    const QImage view = Grab(f.Box());
    for (QPoint corner : {QPoint(0, 0), QPoint(view.width() - 1, view.height() - 1), f.canvasView().drawOrigin_ - QPoint(3, 3)})
      QCOMPARE(QColor(view.pixel(corner)), QColor(0, 0x80, 0x80));
    QCOMPARE(view.pixel(f.canvasView().drawOrigin_ - QPoint(1, 1)), qRgb(255, 255, 255));
  }

  void frameCountAndPlaySpeed() {
    OneLayer one;
    QVERIFY(one.layer);
    MainFormFixture& f = one.f;
    f.Find<QTabWidget>("pc1")->setCurrentWidget(&f.animationProperties());
    QLineEdit* count_text = f.Find<QSpinBox>("spFrameCount")->findChild<QLineEdit*>();
    QVERIFY(count_text);
    TypeOver(count_text, QStringLiteral("1500"));
    QCOMPARE(f.Find<QSpinBox>("spFrameCount")->value(), 1000);
    QCOMPARE(f.Anim().FrameCount, 1000);
    QTest::keyClick(f.Find<QSpinBox>("spFrameCount"), Qt::Key_Up);
    QCOMPARE(f.Anim().FrameCount, 1000);
    TypeOver(count_text, QStringLiteral("25"));
    QCOMPARE(f.Anim().FrameCount, 25);
    QVERIFY(f.Modified());

    // A new project plays at the exports' 100 ms a frame.
    QCOMPARE(f.Find<QSlider>("tbPlaySpeed")->value(), 50);
    QCOMPARE(f.Anim().FrameDelay, 100);
    QTest::keyClick(f.Find<QSlider>("tbPlaySpeed"), Qt::Key_Home);
    QCOMPARE(f.Anim().FrameDelay, 200);
    QTest::keyClick(f.Find<QSlider>("tbPlaySpeed"), Qt::Key_PageUp);
    QCOMPARE(f.Anim().FrameDelay, 2 * (100 - f.Find<QSlider>("tbPlaySpeed")->value()));
  }

  void animationValuesLoadWithoutFiringHandlers() {
    OneLayer one;
    QVERIFY(one.layer);
    MainFormFixture& f = one.f;
    MainWindow& w = *f.form;
    kt58::Project& a = f.Anim();
    a.FixedFrameSize = true;
    a.FixedWidth = 30;
    a.FixedHeight = 20;
    a.BackgroundColor = 0xFF0000;
    a.FrameCount = 50;
    a.FrameDelay = 40;
    a.NonRenderedPlayback = false;
    w.loadAnimationControls();
    QVERIFY(f.Find<QCheckBox>("cbFixedFrameSize")->isChecked());
    QCOMPARE(f.Find<IntegerEdit>("eFixedFrameWidth")->text(), QStringLiteral("30"));
    QCOMPARE(f.Find<IntegerEdit>("eFixedFrameHeight")->text(), QStringLiteral("20"));
    QCOMPARE(f.Find<ColorPicker>("bk_Color_Selector")->color(), kt58::Color{0xFF0000});
    QCOMPARE(f.Find<QWidget>("ConstrPanel")->palette().color(QPalette::Window), QColor(0, 0, 255));
    QCOMPARE(f.Find<QSpinBox>("spFrameCount")->value(), 50);
    QCOMPARE(f.Find<QSlider>("tbPlaySpeed")->value(), 80);
    QVERIFY(!f.Find<QCheckBox>("cbrtPlayback")->isChecked());
    QVERIFY(f.Find<QLabel>("DataPanel")->text().contains(QStringLiteral("Size : [30 x 20] Fixed")));
    // The delay stays as stored until the bar is moved.
    QCOMPARE(a.FrameDelay, 40);
    QCOMPARE(a.FrameCount, 50);
    QVERIFY(!f.Modified());
  }

  void pagesFollowTheEnablingRules() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    MainWindow& w = *f.form;
    auto shown = [&](QWidget* page) { return f.Find<QTabWidget>("pc1")->isTabVisible(f.Find<QTabWidget>("pc1")->indexOf(page)); };
    QVERIFY(f.Find<QTabWidget>("pc1")->isVisible());
    QVERIFY(shown(&f.animationProperties()));
    QVERIFY(!shown(&f.Pages()));
    f.Add(f.WriteBmp("a.bmp", 20, 20, 1));
    QVERIFY(shown(&f.Pages()));
    QVERIFY(f.Find<QSpinBox>("spFrameCount")->isEnabled());
    f.Doc().playback().play();
    QVERIFY(f.Doc().playback().isPlaying());
    w.updateControlStates();
    QVERIFY(!shown(&f.animationProperties()));
    QVERIFY(!shown(&f.Pages()));
    QVERIFY(!f.Find<QSpinBox>("spFrameCount")->isEnabled());
    f.Doc().playback().stop();
    w.updateControlStates();
    QVERIFY(shown(&f.animationProperties()));
    QVERIFY(shown(&f.Pages()));
  }
};

KT58_APP_TEST(PropertyPagesTest);

#include "property_pages_test.moc"
