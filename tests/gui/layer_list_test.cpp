// SPDX-License-Identifier: GPL-3.0-or-later
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <QTest>
#include <QToolButton>

#include "app_test.h"
#include "support/gif_builder.h"
#include "main_window_fixture.h"

using namespace kt58::apptest;

namespace {

// Opens the layer menu with its button and clicks the entry.
void ClickLayerCommand(MainFormFixture& f, const char* name) {
  QAction* entry = f.Action(name);
  auto* menu = f.Find<QMenu>("LayerPopup");
  QTest::mouseClick(f.Find("LayerCommandsButton"), Qt::LeftButton);
  QTRY_VERIFY(menu->isVisible());
  QVERIFY(entry->isEnabled());
  QTest::qWait(50);
  QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(entry).center());
  QTRY_VERIFY(!menu->isVisible());
}

}  // namespace

class LayerListTest : public QObject {
  Q_OBJECT

 private slots:
  void copiesAreNamedOnFromTheSharedCounterAndStartAtTheOrigin() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    LayerList& w = f.List();
    const auto logo = f.WriteBmp("my.logo.bmp", 24, 16, 1);
    f.Add(logo);
    f.Add(logo);
    QCOMPARE(f.RowNames(), QStringList({"my.logo_2", "my.logo_1"}));
    f.Doc().SelectedLayer()->SetPosition(7, 8);
    f.Doc().SetModified(false);
    ClickLayerCommand(f, "CopyLayer1");
    if (QTest::currentTestFailed()) return;
    QCOMPARE(f.RowNames(), QStringList({"my.logo_3", "my.logo_2", "my.logo_1"}));
    QCOMPARE(f.LayerNames(), f.RowNames());
    kt58::Layer* copy = w.rowLayer(0);
    QCOMPARE(f.Doc().SelectedLayer(), copy);
    QCOMPARE(copy->OffsetX, 0);
    QCOMPARE(copy->OffsetY, 0);
    QCOMPARE(w.rowLayer(1)->OffsetX, 7);
    QCOMPARE(copy->ImageRef, w.rowLayer(1)->ImageRef);
    QVERIFY(f.Modified());
    QVERIFY(f.canvasView().focusRectShown_);
    QCOMPARE(f.canvasView().selectionRect_, QRect(f.canvasView().drawOrigin_, QSize(24, 16)));
  }

  void animatedGifShowsItsType() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    const std::vector<kt58::GifRgb> palette = {{0, 0, 0}, {255, 0, 0}};
    kt58::test::WriteFileBytes(
        f.dir / "spin.gif",
        kt58::test::BuildGif(6, 4, palette, 0, {kt58::test::SolidGifImage(0, 0, 6, 4, 0), kt58::test::SolidGifImage(0, 0, 6, 4, 1)}));
    f.Add(f.dir / "spin.gif");
    QCOMPARE(f.RowText(0, 1), QStringLiteral("Animated GIF"));
    QCOMPARE(f.RowText(0, 2), QStringLiteral("6 x 4"));
  }

  void promoteAndDemoteMoveRowsAndLayersTogether() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    LayerList& w = f.List();
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) f.Add(f.WriteBmp(name, 10, 10, 2));
    QCOMPARE(f.RowNames(), QStringList({"c_1", "b_1", "a_1"}));
    f.ClickRow(2);
    kt58::Layer* a = f.Doc().SelectedLayer();
    QCOMPARE(QString::fromStdString(a->LayerName), QStringLiteral("a_1"));

    QTest::mouseClick(f.Find("PromoteLayerButton"), Qt::LeftButton);
    QCOMPARE(f.RowNames(), QStringList({"c_1", "a_1", "b_1"}));
    QCOMPARE(f.LayerNames(), f.RowNames());
    QVERIFY(f.Modified());
    ClickLayerCommand(f, "PromoteLayer1");
    QCOMPARE(f.RowNames(), QStringList({"a_1", "c_1", "b_1"}));
    // At the front promoting changes nothing.
    QTest::mouseClick(f.Find("PromoteLayerButton"), Qt::LeftButton);
    QCOMPARE(f.RowNames(), QStringList({"a_1", "c_1", "b_1"}));
    QCOMPARE(f.LayerNames(), f.RowNames());
    QCOMPARE(f.Doc().SelectedLayer(), a);
    QVERIFY(f.canvasView().focusRectShown_);

    QTest::mouseClick(f.Find("DemoteLayerButton"), Qt::LeftButton);
    QTest::mouseClick(f.Find("DemoteLayerButton"), Qt::LeftButton);
    QTest::mouseClick(f.Find("DemoteLayerButton"), Qt::LeftButton);
    QCOMPARE(f.RowNames(), QStringList({"c_1", "b_1", "a_1"}));
    QCOMPARE(f.LayerNames(), f.RowNames());
    QCOMPARE(w.rowLayer(2), a);
  }

  void removingSelectsTheRowAboveAndTheLastRemovalLeavesNoSelection() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    LayerList& w = f.List();
    f.Add(f.WriteBmp("small.bmp", 10, 10, 3));
    f.Add(f.WriteBmp("big.bmp", 30, 20, 4));
    QCOMPARE(f.Anim().GetFrameSize(), (kt58::FrameSize{30, 20}));
    ClickLayerCommand(f, "RemoveLayer1");
    if (QTest::currentTestFailed()) return;
    QCOMPARE(f.RowNames(), QStringList({"small_1"}));
    QCOMPARE(f.LayerNames(), f.RowNames());
    QCOMPARE(f.Doc().SelectedLayer(), w.rowLayer(0));
    QCOMPARE(f.Anim().GetFrameSize(), (kt58::FrameSize{10, 10}));
    QVERIFY(f.Modified());
    // The frames are made anew from the layers left.
    QCOMPARE(f.Find<QLabel>("DataPanel")->text(), QStringLiteral("Frame : 000 of 010,  Size : [10 x 10]  Max : 0.00"));

    // The last row goes with Delete.
    f.ClickRow(0);
    QTest::keyClick(f.Rows(), Qt::Key_Delete);
    QCOMPARE(f.Anim().LayerCount(), 0);
    QCOMPARE(f.Rows()->topLevelItemCount(), 0);
    QVERIFY(!f.Doc().SelectedLayer());
    QVERIFY(!f.canvasView().focusRectShown_);
    QVERIFY(!f.Action("CopyLayer1")->isEnabled());
    QCOMPARE(f.Anim().References->Count(), 0);
  }

  void removingTheLastOfThreeRowsSelectsTheOneAbove() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    LayerList& w = f.List();
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) f.Add(f.WriteBmp(name, 10, 10, 5));
    f.ClickRow(2);
    QTest::keyClick(f.Rows(), Qt::Key_Delete);
    QCOMPARE(f.RowNames(), QStringList({"c_1", "b_1"}));
    QCOMPARE(f.Doc().SelectedLayer(), w.rowLayer(1));
  }

  void deleteWithoutASelectedLayerAndPlainArrowsChangeNothing() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    LayerList& w = f.List();
    f.Add(f.WriteBmp("a.bmp", 10, 10, 6));
    f.Add(f.WriteBmp("b.bmp", 10, 10, 7));
    kt58::Layer* b = w.rowLayer(0);
    QCOMPARE(f.Doc().SelectedLayer(), b);
    // Moving through the list with the keyboard alone does not select.
    f.Rows()->setFocus();
    QTest::keyClick(f.Rows(), Qt::Key_Down);
    QCOMPARE(f.Rows()->currentItem(), f.Rows()->topLevelItem(1));
    QCOMPARE(f.Doc().SelectedLayer(), b);

    f.Doc().SelectLayer(nullptr);
    QTest::keyClick(f.Rows(), Qt::Key_Delete);
    QCOMPARE(f.Anim().LayerCount(), 2);
  }

  void resetAllLayersPutsThemBackAtTheOrigin() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    LayerList& w = f.List();
    f.Add(f.WriteBmp("a.bmp", 10, 10, 8));
    f.Add(f.WriteBmp("b.bmp", 12, 12, 9));
    w.rowLayer(1)->OffsetX = 5;
    w.rowLayer(0)->OffsetY = -4;
    w.rowLayer(0)->Mirror = true;
    f.Doc().SetModified(false);
    ClickLayerCommand(f, "ResetAllLayers1");
    if (QTest::currentTestFailed()) return;
    for (int row = 0; row < 2; ++row) {
      QCOMPARE(w.rowLayer(row)->OffsetX, 0);
      QCOMPARE(w.rowLayer(row)->OffsetY, 0);
    }
    QVERIFY(!w.rowLayer(0)->Mirror);
    QVERIFY(f.Modified());
    QCOMPARE(f.canvasView().selectionRect_, QRect(f.canvasView().drawOrigin_, QSize(12, 12)));
  }
};

KT58_APP_TEST(LayerListTest);

#include "layer_list_test.moc"
