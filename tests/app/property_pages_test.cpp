#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <functional>

#include "app_test.h"
#include "controls/kesh_color_combo.h"
#include "controls/kesh_color_selector.h"
#include "controls/kesh_combo_box.h"
#include "controls/kesh_integer_edit.h"
#include "controls/kesh_track_bar.h"
#include "main_form_fixture.h"
#include "model/image_ref.h"
#include "widget_helpers.h"

using namespace kt58::apptest;
using kt58::TFrameLayer;

namespace {

enum LayerPage { kTranslation, kRotation, kBlending, kFading, kOther };

// Brings a page of the "Layer" page to the front, as clicking its tabs does.
void ShowLayerPage(TMainForm& w, LayerPage page) {
  w.pc1->setCurrentWidget(w.LayerSheet);
  w.pc2->setCurrentIndex(page);
  QVERIFY(QTest::qWaitForWindowExposed(w.window()));
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

void PickColor(TKeshColorSelector* selector, const char* name) {
  PickItem(selector->Combo(), selector->Combo()->findText(QString::fromLatin1(name)));
}

// The main window with one 40 x 30 picture layer, selected, and the project
// not modified.
struct OneLayer {
  OneLayer() {
    if (!f.Ready()) return;
    f.form->AddLayerFromFile(f.WriteBmp("logo.bmp", 40, 30, 11));
    layer = f.form->Animation->SelectedLayer;
    f.form->SetModified(false);
  }
  MainFormFixture f;
  TFrameLayer* layer = nullptr;
};

}  // namespace

class PropertyPagesTest : public QObject {
  Q_OBJECT

 private slots:
  void typedNumbersAreClampedAndStored() {
    struct Case {
      const char* name;
      LayerPage page;
      std::function<QLineEdit*(TMainForm&)> edit;
      const char* typed;
      bool paste;
      const char* shown;
      std::function<double(const TFrameLayer&)> stored;
      double expected;
    };
    auto start_angle = [](TMainForm& w) { return w.cbStartAngle->lineEdit(); };
    auto degrees = [](TMainForm& w) { return w.cbDegreesToRotate->lineEdit(); };
    auto amount = [](TMainForm& w) -> QLineEdit* { return w.eBtnzAmount; };
    auto x_offset = [](TMainForm& w) -> QLineEdit* { return w.eXOffset; };
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
      TMainForm& w = *one.f.form;
      ShowLayerPage(w, c.page);
      // Typed values are stored at once but regenerate nothing.
      const int resequenced = one.f.Count("Resequence Complete");
      QLineEdit* edit = c.edit(w);
      TypeOver(edit, QString::fromLatin1(c.typed), c.paste);
      QVERIFY2(edit->text() == QLatin1String(c.shown), qPrintable(QStringLiteral("%1: %2").arg(c.name, edit->text())));
      QVERIFY2(c.stored(*one.layer) == c.expected, c.name);
      QVERIFY2(w.Modified, c.name);
      QVERIFY2(one.f.Count("Resequence Complete") == resequenced, c.name);
    }
  }

  void userChangesReachTheSelectedLayer() {
    OneLayer one;
    QVERIFY(one.layer);
    TMainForm& w = *one.f.form;
    TFrameLayer& l = *one.layer;
    const kt58::TColor detected = l.TransparentColor;

    ShowLayerPage(w, kRotation);
    ClickCheckBox(w.cbRotateClockwise);
    QCOMPARE(l.Clockwise, false);
    QVERIFY(w.Modified);

    ShowLayerPage(w, kBlending);
    w.ConstructionDirty = false;
    PickItem(w.cbBlendType, 3);
    QCOMPARE(l.BlendType, 3);
    QVERIFY(w.ConstructionDirty);
    QTest::keyClick(w.tbTrans, Qt::Key_PageUp);
    QCOMPARE(l.Transparency, 5);
    QCOMPARE(w.TransLabel->text(), QStringLiteral("Transparency : 5%"));
    QTest::keyClick(w.tbAltTrans, Qt::Key_End);
    QCOMPARE(l.AltTransparency, 100);
    QCOMPARE(w.AltTransLabel->text(), QStringLiteral("Alternate Transparency : 100%"));
    ClickCheckBox(w.cbEnableTint);
    QCOMPARE(l.TintEnabled, true);
    PickColor(w.TintColorSelector, "clRed");
    QCOMPARE(l.TintColor, kt58::TColor{0x0000FF});

    // The fade transparencies keep the layer's values: their bars are hidden.
    ShowLayerPage(w, kFading);
    QVERIFY(!w.tbFadeShade1->isVisible());
    PickItem(w.cbFadeMode, 2);
    QCOMPARE(l.FadeMode, 2);
    QCOMPARE(l.FadeStart, 0);
    QCOMPARE(l.FadeFinal, 100);

    ShowLayerPage(w, kOther);
    ClickCheckBox(w.cbPixRotate);
    PickItem(w.cbPixRotateDir, 3);
    QCOMPARE(l.PixelRotate, true);
    QCOMPARE(l.PixelRotateDirection, 3);
    ClickCheckBox(w.cbMirror);
    ClickCheckBox(w.cbFlip);
    QCOMPARE(l.Mirror, true);
    QCOMPARE(l.Flip, true);
    ClickCheckBox(w.cbEnableButtonize);
    PickColor(w.BtnzHiColorSelector, "clYellow");
    PickColor(w.btnzLoColorSelector, "clNavy");
    QCOMPARE(l.ButtonizeEnabled, true);
    QCOMPARE(l.ButtonizeHighlight, kt58::TColor{0x00FFFF});
    QCOMPARE(l.ButtonizeShadow, kt58::TColor{0x800000});
    QCOMPARE(l.ButtonizeAmount, 1);

    w.ClearBackgroundPending = false;
    PickColor(w.LayerTransColorSelector, "clLime");
    QCOMPARE(l.TransparentColor, kt58::TColor{0x00FF00});
    QVERIFY(w.ClearBackgroundPending);
    w.ClearBackgroundPending = false;
    QTest::mouseClick(w.AutoTransparentColorButton, Qt::LeftButton);
    QCOMPARE(l.TransparentColor, detected);
    QCOMPARE(w.LayerTransColorSelector->Color(), detected);
    QVERIFY(w.ClearBackgroundPending);

    // Nothing of it changed the other pages' values.
    QCOMPARE(l.StartAngle, 0.0);
    QCOMPARE(l.OffsetX, 0);
  }

  void withoutASelectedLayerChangesAreNotStored() {
    OneLayer one;
    QVERIFY(one.layer);
    TMainForm& w = *one.f.form;
    w.lvLayers->clearSelection();
    w.SyncSelectionFromList();
    QVERIFY(!w.Animation->SelectedLayer);

    ShowLayerPage(w, kFading);
    PickItem(w.cbFadeMode, 1);
    QCOMPARE(one.layer->FadeMode, 0);
    QVERIFY(!w.Modified);

    ShowLayerPage(w, kTranslation);
    TypeOver(w.eXOffset, QStringLiteral("33"));
    QCOMPARE(one.layer->OffsetX, 0);
    QCOMPARE(w.eXOffset->text(), QStringLiteral("33"));  // kept until values are loaded again
    QVERIFY(!w.Modified);

    // The blend type marks the project modified all the same.
    ShowLayerPage(w, kBlending);
    PickItem(w.cbBlendType, 1);
    QCOMPARE(one.layer->BlendType, 0);
    QVERIFY(w.Modified);
  }

  void suspendedControlEventsLeaveTheLayerAlone() {
    OneLayer one;
    QVERIFY(one.layer);
    TMainForm& w = *one.f.form;
    TFrameLayer& l = *one.layer;
    w.DisableControlEvents();
    w.DisableControlEvents();
    ShowLayerPage(w, kTranslation);
    TypeOver(w.eXOffset, QStringLiteral("9"));
    QCOMPARE(l.OffsetX, 0);
    ShowLayerPage(w, kOther);
    ClickCheckBox(w.cbMirror);
    QCOMPARE(l.Mirror, false);
    ShowLayerPage(w, kBlending);
    QTest::keyClick(w.tbTrans, Qt::Key_PageUp);
    QCOMPARE(l.Transparency, 0);
    // The blend type list is not among the suspended controls.
    PickItem(w.cbBlendType, 1);
    QCOMPARE(l.BlendType, 1);
    QCOMPARE(l.Transparency, 5);  // the group is written together
    // Only the outermost enable attaches the handlers again.
    w.EnableControlEvents();
    ShowLayerPage(w, kTranslation);
    TypeOver(w.eXOffset, QStringLiteral("8"));
    QCOMPARE(l.OffsetX, 0);
    w.EnableControlEvents();
    TypeOver(w.eXOffset, QStringLiteral("7"));
    QCOMPARE(l.OffsetX, 7);
  }

  void selectingALayerShowsItsValuesWithoutModifying() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    TMainForm& w = *f.form;
    w.AddLayerFromFile(f.WriteBmp("a.bmp", 20, 20, 1));
    w.AddLayerFromFile(f.WriteBmp("b.bmp", 20, 20, 2));
    TFrameLayer& b = *w.RowLayer(0);
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
    w.SetModified(false);
    f.ClickRow(0);
    QCOMPARE(w.Animation->SelectedLayer, &b);

    QCOMPARE(w.LayerTransColorSelector->Color(), kt58::TColor{0x123456});
    QCOMPARE(w.eXOffset->text(), QStringLiteral("-7"));
    QCOMPARE(w.eYOffset->text(), QStringLiteral("12"));
    QCOMPARE(w.cbRotateClockwise->isChecked(), false);
    QCOMPARE(w.cbStartAngle->currentText(), QStringLiteral("44"));
    QCOMPARE(w.cbDegreesToRotate->currentText(), QStringLiteral("721"));
    QCOMPARE(w.cbBlendType->currentIndex(), 2);
    QCOMPARE(w.tbTrans->Position(), 35);
    QCOMPARE(w.TransLabel->text(), QStringLiteral("Transparency : 35%"));
    QCOMPARE(w.AltTransLabel->text(), QStringLiteral("Alternate Transparency : 80%"));
    QCOMPARE(w.cbEnableTint->isChecked(), true);
    QCOMPARE(w.TintColorSelector->Color(), kt58::TColor{0x0000FF});
    QCOMPARE(w.cbFadeMode->currentIndex(), 1);
    QCOMPARE(w.FadeLabel1->text(), QStringLiteral("Start Transparency : 20%"));
    QCOMPARE(w.FadeLabel2->text(), QStringLiteral("End Transparency : 70%"));
    QCOMPARE(w.cbPixRotate->isChecked(), true);
    QCOMPARE(w.cbPixRotateDir->currentIndex(), 2);
    QCOMPARE(w.cbMirror->isChecked(), true);
    QCOMPARE(w.cbFlip->isChecked(), false);
    QCOMPARE(w.cbEnableButtonize->isChecked(), true);
    QCOMPARE(w.eBtnzAmount->text(), QStringLiteral("6"));
    QCOMPARE(w.BtnzHiColorSelector->Color(), kt58::TColor{0x00FFFF});
    QCOMPARE(w.btnzLoColorSelector->Color(), kt58::TColor{0x800000});
    // Loading fired no handler: nothing was written back or marked.
    QVERIFY(!w.Modified);
    QCOMPARE(b.StartAngle, 44.5);
    QCOMPARE(b.Angle, 0.0);
    QCOMPARE(b.DegreesToRotate, 720.6);

    // Without a layer the controls show a new layer's defaults.
    w.LoadLayerControls(nullptr);
    QCOMPARE(w.eXOffset->text(), QStringLiteral("0"));
    QCOMPARE(w.cbRotateClockwise->isChecked(), true);
    QCOMPARE(w.cbStartAngle->currentText(), QStringLiteral("0"));
    QCOMPARE(w.cbBlendType->currentIndex(), 0);
    QCOMPARE(w.TransLabel->text(), QStringLiteral("Transparency : 0%"));
    QCOMPARE(w.FadeLabel2->text(), QStringLiteral("End Transparency : 100%"));
    QCOMPARE(w.eBtnzAmount->text(), QStringLiteral("1"));
    QCOMPARE(w.BtnzHiColorSelector->Color(), kt58::TColor{0xFFFFFF});
    QVERIFY(!w.Modified);
    QCOMPARE(b.OffsetX, -7);
  }

  void typedOffsetsMoveTheLayerButNotTheOutline() {
    OneLayer one;
    QVERIFY(one.layer);
    TMainForm& w = *one.f.form;
    ShowLayerPage(w, kTranslation);
    const QRect outline = w.SelectionRect;
    TypeOver(w.eXOffset, QStringLiteral("25"));
    TypeOver(w.eYOffset, QStringLiteral("-4"));
    QCOMPARE(one.layer->OffsetX, 25);
    QCOMPARE(one.layer->OffsetY, -4);
    QCOMPARE(w.SelectionRect, outline);
    QCOMPARE(w.pbConstr->FocusOutline(), outline);
    // The repaint shows the layer at its new place (the frame keeps its size,
    // so the layer's left part is background now).
    QVERIFY(w.ConstructionDirty);
    QTRY_VERIFY(!w.ConstructionDirty);
    QCOMPARE(one.f.FrameDifference(w.pbConstr->Canvas().convertToFormat(QImage::Format_RGB32)), QString());
  }

  void fixedFrameSizeRecentresTheFrame() {
    OneLayer one;
    QVERIFY(one.layer);
    TMainForm& w = *one.f.form;
    w.pc1->setCurrentWidget(w.AnimationSheet);
    ClickCheckBox(w.cbFixedFrameSize);
    QVERIFY(w.Animation->FixedFrameSize);
    QCOMPARE(w.Animation->FixedWidth, 10);
    TypeOver(w.eFixedFrameWidth, QStringLiteral("64"));
    TypeOver(w.eFixedFrameHeight, QStringLiteral("48"));
    QCOMPARE(w.Animation->FixedWidth, 64);
    QCOMPARE(w.Animation->FixedHeight, 48);
    QVERIFY(w.Modified);
    QVERIFY(w.DataPanel->text().contains(QStringLiteral("Size : [64 x 48] Fixed")));
    const QPoint origin(w.pbConstr->width() / 2 - 32, w.pbConstr->height() / 2 - 24);
    QCOMPARE(w.DrawOrigin, origin);
    QCOMPARE(w.SelectionRect, QRect(origin, QSize(40, 30)));
    QTRY_VERIFY(!w.ConstructionDirty);
    const QImage canvas = w.pbConstr->Canvas();
    QCOMPARE(canvas.pixel(origin + QPoint(-1, -1)), qRgb(255, 255, 255));
    QCOMPARE(canvas.pixel(origin + QPoint(64, 48)), qRgb(255, 255, 255));

    // Sizes nobody can render are refused by the renderer, not by a crash.
    for (const char* width : {"-5", "99999"}) {
      TypeOver(w.eFixedFrameWidth, QString::fromLatin1(width));
      w.Regenerate(false);
      QTRY_VERIFY(!w.ConstructionDirty);
    }
    ClickCheckBox(w.cbFixedFrameSize);
    QVERIFY(!w.Animation->FixedFrameSize);
    QVERIFY(w.DataPanel->text().endsWith(QStringLiteral("Size : [40 x 30]  Max : 0.00")));
  }

  void backgroundColourFillsTheViewAroundTheFrame() {
    OneLayer one;
    QVERIFY(one.layer);
    TMainForm& w = *one.f.form;
    w.pc1->setCurrentWidget(w.AnimationSheet);
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    PickColor(w.bk_Color_Selector, "clTeal");
    QCOMPARE(w.Animation->BackgroundColor, kt58::TColor{0x808000});
    QCOMPARE(w.ConstrPanel->palette().color(QPalette::Window), QColor(0, 0x80, 0x80));
    QVERIFY(w.Modified);
    QTRY_VERIFY(!w.ConstructionDirty);
    const QImage view = Grab(w.pbConstr);
    for (QPoint corner : {QPoint(0, 0), QPoint(view.width() - 1, view.height() - 1), w.DrawOrigin - QPoint(3, 3)})
      QCOMPARE(QColor(view.pixel(corner)), QColor(0, 0x80, 0x80));
    QCOMPARE(view.pixel(w.DrawOrigin - QPoint(1, 1)), qRgb(255, 255, 255));
  }

  void frameCountAndPlaySpeed() {
    OneLayer one;
    QVERIFY(one.layer);
    TMainForm& w = *one.f.form;
    w.pc1->setCurrentWidget(w.AnimationSheet);
    QLineEdit* count_text = w.spFrameCount->findChild<QLineEdit*>();
    QVERIFY(count_text);
    TypeOver(count_text, QStringLiteral("1500"));
    QCOMPARE(w.spFrameCount->value(), 1000);
    QCOMPARE(w.Animation->FrameCount, 1000);
    QTest::keyClick(w.spFrameCount, Qt::Key_Up);
    QCOMPARE(w.Animation->FrameCount, 1000);
    TypeOver(count_text, QStringLiteral("25"));
    QCOMPARE(w.Animation->FrameCount, 25);
    QVERIFY(w.Modified);

    QCOMPARE(w.tbPlaySpeed->Position(), 100);
    QTest::keyClick(w.tbPlaySpeed, Qt::Key_Home);
    QCOMPARE(w.Animation->FrameDelay, 200);
    QTest::keyClick(w.tbPlaySpeed, Qt::Key_PageUp);
    QCOMPARE(w.Animation->FrameDelay, 2 * (100 - w.tbPlaySpeed->Position()));
  }

  void animationValuesLoadWithoutFiringHandlers() {
    OneLayer one;
    QVERIFY(one.layer);
    TMainForm& w = *one.f.form;
    kt58::TAnimation& a = *w.Animation;
    a.FixedFrameSize = true;
    a.FixedWidth = 30;
    a.FixedHeight = 20;
    a.BackgroundColor = 0xFF0000;
    a.FrameCount = 50;
    a.FrameDelay = 40;
    a.NonRenderedPlayback = false;
    w.LoadAnimationControls();
    QVERIFY(w.cbFixedFrameSize->isChecked());
    QCOMPARE(w.eFixedFrameWidth->text(), QStringLiteral("30"));
    QCOMPARE(w.eFixedFrameHeight->text(), QStringLiteral("20"));
    QCOMPARE(w.bk_Color_Selector->Color(), kt58::TColor{0xFF0000});
    QCOMPARE(w.ConstrPanel->palette().color(QPalette::Window), QColor(0, 0, 255));
    QCOMPARE(w.spFrameCount->value(), 50);
    QCOMPARE(w.tbPlaySpeed->Position(), 60);
    QVERIFY(!w.cbrtPlayback->isChecked());
    QVERIFY(w.DataPanel->text().contains(QStringLiteral("Size : [30 x 20] Fixed")));
    // The delay stays as stored until the bar is moved.
    QCOMPARE(a.FrameDelay, 40);
    QCOMPARE(a.FrameCount, 50);
    QVERIFY(!w.Modified);
  }

  void pagesFollowTheEnablingRules() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    TMainForm& w = *f.form;
    auto shown = [&](QWidget* page) { return w.pc1->isTabVisible(w.pc1->indexOf(page)); };
    QVERIFY(w.pc1->isVisible());
    QVERIFY(shown(w.AnimationSheet));
    QVERIFY(!shown(w.LayerSheet));
    w.AddLayerFromFile(f.WriteBmp("a.bmp", 20, 20, 1));
    QVERIFY(shown(w.LayerSheet));
    QVERIFY(w.spFrameCount->isEnabled());
    w.Animation->Playing = true;
    w.UpdateControlStates();
    QVERIFY(!shown(w.AnimationSheet));
    QVERIFY(!shown(w.LayerSheet));
    QVERIFY(!w.spFrameCount->isEnabled());
    w.Animation->Playing = false;
    w.UpdateControlStates();
    QVERIFY(shown(w.AnimationSheet));
    QVERIFY(shown(w.LayerSheet));
  }
};

KT58_APP_TEST(PropertyPagesTest);

#include "property_pages_test.moc"
