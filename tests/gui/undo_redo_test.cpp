// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QCheckBox>
#include <QSlider>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <functional>
#include <string>
#include <vector>

#include "app_test.h"
#include "gui/dialogs/project_dialogs.h"
#include "gui/widgets/choice_combo_box.h"
#include "gui/widgets/integer_edit.h"
#include "gui/document/layer_snapshot.h"
#include "main_window_fixture.h"
#include "model/image_resource.h"
#include "support/gif_builder.h"
#include "widget_helpers.h"

using namespace kt58::apptest;

namespace {

// What undo must restore exactly: the layers in order with every setting,
// their names and resources; the resources with ids, counts and pictures;
// the animation's settings and frame size.
struct ModelState {
  struct Layer {
    const kt58::Layer* layer;
    std::string name;
    const kt58::ImageResource* ref;
    LayerSnapshot settings;
    bool operator==(const Layer&) const = default;
  };
  struct Resource {
    const kt58::ImageResource* ref;
    int id, ref_count, name_counter, width, height;
    std::string source;
    bool has_picture;
    bool operator==(const Resource&) const = default;
  };
  std::vector<Layer> layers;
  std::vector<Resource> resources;
  AnimationSettings settings;
  kt58::FrameSize size;
  bool operator==(const ModelState&) const = default;

  static ModelState Of(kt58::Project& a) {
    ModelState s;
    if (a.ConstructorFrame)
      for (const auto& l : a.ConstructorFrame->Layers)
        s.layers.push_back({l.get(), l->LayerName, l->ImageRef, LayerSnapshot::Of(*l)});
    for (int i = 0; i < a.References->Count(); ++i) {
      const kt58::ImageResource* r = a.References->Item(i);
      s.resources.push_back({r, r->Id, r->RefCount, r->NameCounter, r->Width, r->Height, r->SourceFileName.string(),
                             r->HasPicture()});
    }
    s.settings = AnimationSettings::Of(a);
    s.size = a.GetFrameSize();
    return s;
  }
};

// Replaces an edit's whole text by typing.
void TypeOver(QLineEdit* edit, const QString& text) {
  edit->setFocus();
  edit->selectAll();
  QTest::keyClicks(edit, text);
}

void ShowPage(MainFormFixture& f, QWidget* page) {
  f.Find<QTabWidget>("pc1")->setCurrentWidget(page);
}

// Three layers (b in front of a, and a second layer of a's file), with
// settings away from their defaults, the middle one selected, no history.
struct ThreeLayers {
  ThreeLayers() {
    if (!f.Ready()) return;
    const auto a = f.WriteBmp("a.bmp", 30, 20, 1);
    f.Add(a);
    f.Add(f.WriteBmp("b.bmp", 16, 16, 2));
    f.Add(a);
    int n = 0;
    for (const auto& l : f.Anim().ConstructorFrame->Layers) {
      l->OffsetX = 3 + n;
      l->Transparency = 10 * ++n;
      l->Mirror = n == 2;
      l->TransparentColor = 0x123456;
    }
    f.ClickRow(1);
    f.Doc().UndoStack().clear();
    f.Doc().SetModified(false);
  }
  MainFormFixture f;
};

}  // namespace

class UndoRedoTest : public QObject {
  Q_OBJECT

 private slots:
  void everyEditIsOneStepThatUndoAndRedoRestoreExactly() {
    struct Case {
      const char* name;
      std::function<void(MainFormFixture&)> edit;
    };
    const Case cases[] = {
        {"add a layer", [](MainFormFixture& f) { f.Add(f.WriteBmp("c.bmp", 12, 40, 3)); }},
        {"add a layer of a file in use", [](MainFormFixture& f) { f.Add(f.dir / "b.bmp"); }},
        {"remove the only layer of its file", [](MainFormFixture& f) {
           f.ClickRow(1);
           f.Action("RemoveLayer1")->trigger();
         }},
        {"remove a layer of a shared file", [](MainFormFixture& f) {
           f.ClickRow(2);
           f.Action("RemoveLayer1")->trigger();
         }},
        {"copy a layer", [](MainFormFixture& f) { f.Action("CopyLayer1")->trigger(); }},
        {"promote", [](MainFormFixture& f) { QTest::mouseClick(f.Find("PromoteLayerButton"), Qt::LeftButton); }},
        {"demote", [](MainFormFixture& f) { f.Action("DemoteLayer1")->trigger(); }},
        {"reset all layers", [](MainFormFixture& f) { f.Action("ResetAllLayers1")->trigger(); }},
        {"typed X offset", [](MainFormFixture& f) {
           ShowPage(f, &f.Pages());
           TypeOver(f.Find<IntegerEdit>("eXOffset"), QStringLiteral("-120"));
         }},
        {"typed start angle", [](MainFormFixture& f) {
           ShowPage(f, &f.Pages());
           TypeOver(f.Find<NumberComboBox>("cbStartAngle")->lineEdit(), QStringLiteral("45"));
         }},
        {"rotate clockwise", [](MainFormFixture& f) { f.Find<QCheckBox>("cbRotateClockwise")->click(); }},
        {"transparency bar", [](MainFormFixture& f) { f.Find<QSlider>("tbTrans")->setValue(65); }},
        {"fade type", [](MainFormFixture& f) { f.Find<ChoiceComboBox>("cbFadeMode")->setCurrentIndex(2); }},
        {"mirror", [](MainFormFixture& f) { f.Find<QCheckBox>("cbMirror")->click(); }},
        {"tint", [](MainFormFixture& f) { f.Find<QCheckBox>("cbEnableTint")->click(); }},
        {"pixel rotate", [](MainFormFixture& f) { f.Find<QCheckBox>("cbPixRotate")->click(); }},
        {"buttonize amount", [](MainFormFixture& f) {
           ShowPage(f, &f.Pages());
           TypeOver(f.Find<IntegerEdit>("eBtnzAmount"), QStringLiteral("250"));
         }},
        {"transparent colour", [](MainFormFixture& f) {
           ShowPage(f, &f.Pages());
           f.Find<QTabWidget>("pc2")->setCurrentIndex(4);
           PickColor(f.Find<ColorPicker>("LayerTransColorSelector"), "Lime");
         }},
        {"auto detect", [](MainFormFixture& f) { f.Find<QPushButton>("AutoTransparentColorButton")->click(); }},
        {"drag", [](MainFormFixture& f) {
           CanvasView& view = f.canvasView();
           const QPoint grab = view.selectionRect_.topLeft() + QPoint(2, 2);
           QTest::mousePress(f.Box(), Qt::LeftButton, Qt::NoModifier, grab);
           for (int i = 1; i <= 5; ++i) QTest::mouseMove(f.Box(), grab + QPoint(3 * i, -i));
           QTest::mouseRelease(f.Box(), Qt::LeftButton, Qt::NoModifier, grab + QPoint(15, -5));
         }},
        {"nudges", [](MainFormFixture& f) {
           for (int key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Up}) {
             QKeyEvent press(QEvent::KeyPress, key, Qt::ControlModifier);
             QApplication::sendEvent(f.Rows(), &press);
           }
           QTest::keyRelease(f.Rows(), Qt::Key_Control);
         }},
        {"fixed frame size", [](MainFormFixture& f) { f.Find<QCheckBox>("cbFixedFrameSize")->click(); }},
        {"typed frame width", [](MainFormFixture& f) {
           ShowPage(f, &f.animationProperties());
           TypeOver(f.Find<IntegerEdit>("eFixedFrameWidth"), QStringLiteral("320"));
         }},
        {"background colour", [](MainFormFixture& f) {
           ShowPage(f, &f.animationProperties());
           PickColor(f.Find<ColorPicker>("bk_Color_Selector"), "Teal");
         }},
        {"frame count", [](MainFormFixture& f) { f.Find<QSpinBox>("spFrameCount")->setValue(40); }},
        {"play speed", [](MainFormFixture& f) { f.Find<QSlider>("tbPlaySpeed")->setValue(30); }},
    };
    for (const Case& c : cases) {
      ThreeLayers three;
      MainFormFixture& f = three.f;
      QVERIFY2(f.Anim().LayerCount() == 3, c.name);
      QUndoStack& undo = f.Doc().UndoStack();
      const ModelState before = ModelState::Of(f.Anim());
      c.edit(f);
      const ModelState after = ModelState::Of(f.Anim());
      QVERIFY2(!(after == before), c.name);
      QVERIFY2(undo.count() == 1, qPrintable(QStringLiteral("%1: %2 steps").arg(c.name).arg(undo.count())));
      QVERIFY2(f.Modified(), c.name);
      undo.undo();
      QVERIFY2(ModelState::Of(f.Anim()) == before, qPrintable(QStringLiteral("%1: undo").arg(c.name)));
      QVERIFY2(!f.Modified(), c.name);
      undo.redo();
      QVERIFY2(ModelState::Of(f.Anim()) == after, qPrintable(QStringLiteral("%1: redo").arg(c.name)));
      undo.undo();
      QVERIFY2(ModelState::Of(f.Anim()) == before, qPrintable(QStringLiteral("%1: undo again").arg(c.name)));
      // The panels show the restored model: the rows, the selected layer's
      // offsets, the frame count.
      QVERIFY2(f.RowNames() == f.LayerNames(), c.name);
      if (kt58::Layer* layer = f.Doc().SelectedLayer())
        QVERIFY2(f.Find<QLineEdit>("eXOffset")->text() == QString::number(layer->OffsetX), c.name);
      QVERIFY2(f.Find<QSpinBox>("spFrameCount")->value() == f.Anim().FrameCount, c.name);
    }
  }

  void aRemovedLayerComesBackWithItsPictures() {
    const std::vector<kt58::GifRgb> palette = {{0, 0, 0}, {255, 0, 0}, {0, 0, 255}};
    struct Case {
      const char* file;
      bool store;  // a frame store with its data file in the program folder
    };
    for (const Case& c : {Case{"still.bmp", false}, Case{"spin.gif", true}}) {
      MainFormFixture f;
      QVERIFY(f.Ready());
      std::filesystem::path path = f.dir / c.file;
      if (c.store)
        kt58::test::WriteFileBytes(path, kt58::test::BuildGif(6, 4, palette, 0,
                                                              {kt58::test::SolidGifImage(0, 0, 6, 4, 1),
                                                               kt58::test::SolidGifImage(0, 0, 6, 4, 2)}));
      else
        path = f.WriteBmp(c.file, 24, 18, 5);
      f.Add(path);
      kt58::ImageResource* ref = f.Anim().References->Item(0);
      const std::filesystem::path data_file = ref->DataFileName;
      const int count = ref->RefCount;  // the layer and its copies in the generated frames
      // A store keeps its frames in a data file of the program folder.
      if (c.store) QVERIFY(ref->Store() && std::filesystem::exists(data_file));
      QVERIFY(f.Repainted());
      const QImage shown = Grab(f.Box());

      f.Action("RemoveLayer1")->trigger();
      // The unused resource is out of the list, as without undo.
      QCOMPARE(f.Anim().LayerCount(), 0);
      QCOMPARE(f.Anim().References->Count(), 0);

      f.Doc().UndoStack().undo();
      QCOMPARE(f.Anim().LayerCount(), 1);
      QCOMPARE(f.Anim().References->Count(), 1);
      QCOMPARE(f.Anim().References->Item(0), ref);
      QCOMPARE(f.Anim().ConstructorFrame->Layers[0]->ImageRef, ref);
      QCOMPARE(ref->RefCount, count);
      QVERIFY(ref->HasPicture());
      if (c.store) QVERIFY(std::filesystem::exists(data_file));
      QVERIFY(f.Repainted());
      QCOMPARE(Grab(f.Box()), shown);

      // Removed again and the history forgotten: the resource and its data
      // file go for good.
      f.Doc().UndoStack().redo();
      QCOMPARE(f.Anim().References->Count(), 0);
      f.Doc().UndoStack().clear();
      if (c.store) QVERIFY(!std::filesystem::exists(data_file));
    }
  }

  void oneControlsRunOfChangesIsOneStep() {
    ThreeLayers three;
    MainFormFixture& f = three.f;
    QVERIFY(f.Anim().LayerCount() == 3);
    QUndoStack& undo = f.Doc().UndoStack();
    kt58::Layer& l = *f.Doc().SelectedLayer();
    const int transparency = l.Transparency;

    // A slider dragged through several values.
    auto* bar = f.Find<QSlider>("tbTrans");
    bar->setSliderDown(true);
    for (int v : {30, 45, 60, 75}) bar->setValue(v);
    bar->setSliderDown(false);
    QCOMPARE(undo.count(), 1);
    // A second drag is a step of its own.
    bar->setSliderDown(true);
    bar->setValue(90);
    bar->setSliderDown(false);
    QCOMPARE(undo.count(), 2);

    // A number typed digit by digit, then another after leaving the edit.
    ShowPage(f, &f.Pages());
    auto* x = f.Find<IntegerEdit>("eXOffset");
    TypeOver(x, QStringLiteral("-123"));
    QCOMPARE(l.OffsetX, -123);
    QCOMPARE(undo.count(), 3);
    QTest::keyClick(x, Qt::Key_Return);
    TypeOver(x, QStringLiteral("77"));
    QCOMPARE(undo.count(), 4);

    // Undo goes back a whole run at a time.
    undo.undo();
    QCOMPARE(l.OffsetX, -123);
    undo.undo();
    QCOMPARE(x->text(), QStringLiteral("4"));
    undo.undo();
    QCOMPARE(l.Transparency, 75);
    QCOMPARE(bar->value(), 75);
    undo.undo();
    QCOMPARE(l.Transparency, transparency);
    // After an undo the same control starts a new step.
    bar->setValue(50);
    QCOMPARE(undo.count(), 1);
    QCOMPARE(undo.index(), 1);
  }

  void newAndOpenReplaceTheProjectAndClearTheHistory() {
    ThreeLayers three;
    MainFormFixture& f = three.f;
    QVERIFY(f.Anim().LayerCount() == 3);
    f.Action("RemoveLayer1")->trigger();
    f.Find<QSpinBox>("spFrameCount")->setValue(33);
    QVERIFY(f.Modified());
    QVERIFY(f.Action("Undo1")->isEnabled());

    auto opened = std::make_unique<kt58::Project>();
    opened->FrameCount = 20;
    opened->BackgroundColor = 0x0000FF;
    f.Doc().ReplaceAnimation(std::move(opened), kt58::app::FromPath(f.dir / "Projects" / "walk.apf"));
    QCOMPARE(f.Doc().UndoStack().count(), 0);
    QVERIFY(!f.Modified());
    QVERIFY(!f.Action("Undo1")->isEnabled());
    QCOMPARE(f.Rows()->topLevelItemCount(), 0);
    QCOMPARE(f.Find<QSpinBox>("spFrameCount")->value(), 20);
    QCOMPARE(f.form->windowTitle(), QStringLiteral("walk.apf[*]"));
    QCOMPARE(f.Find<QLabel>("StatusPanel1")->text(), QStringLiteral("walk.apf"));
    QCOMPARE(f.Box()->Hint(), CanvasView::emptyProjectHint());
    QCOMPARE(f.Find<QWidget>("ConstrPanel")->palette().color(QPalette::Window), QColor(255, 0, 0));
    // The new project is edited as the old one was.
    f.Add(f.WriteBmp("new.bmp", 8, 8, 4));
    QCOMPARE(f.RowNames(), QStringList({"new_1"}));
    QVERIFY(f.Modified());
  }
};

KT58_APP_TEST(UndoRedoTest);

#include "undo_redo_test.moc"
