#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <QTest>
#include <QToolButton>

#include "app_test.h"
#include "support/gif_builder.h"
#include "main_form_fixture.h"

using namespace kt58::apptest;

namespace {

// Opens the layer menu with its button and clicks the entry.
void ClickLayerCommand(TMainForm& w, QAction* entry) {
  QTest::mouseClick(w.LayerCommandsButton, Qt::LeftButton);
  QTRY_VERIFY(w.LayerPopup->isVisible());
  QVERIFY(entry->isEnabled());
  QTest::qWait(50);
  QTest::mouseClick(w.LayerPopup, Qt::LeftButton, Qt::NoModifier, w.LayerPopup->actionGeometry(entry).center());
  QTRY_VERIFY(!w.LayerPopup->isVisible());
}

}  // namespace

class LayerListTest : public QObject {
  Q_OBJECT

 private slots:
  void copiesAreNamedOnFromTheSharedCounterAndStartAtTheOrigin() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    TMainForm& w = *f.form;
    const auto logo = f.WriteBmp("my.logo.bmp", 24, 16, 1);
    w.AddLayerFromFile(logo);
    w.AddLayerFromFile(logo);
    QCOMPARE(f.RowNames(), QStringList({"my.logo_2", "my.logo_1"}));
    w.Animation->SetLayerPosition(7, 8);
    w.SetModified(false);
    ClickLayerCommand(w, w.CopyLayer1);
    if (QTest::currentTestFailed()) return;
    QCOMPARE(f.RowNames(), QStringList({"my.logo_3", "my.logo_2", "my.logo_1"}));
    QCOMPARE(f.LayerNames(), f.RowNames());
    kt58::TFrameLayer* copy = w.RowLayer(0);
    QCOMPARE(w.Animation->SelectedLayer, copy);
    QCOMPARE(copy->OffsetX, 0);
    QCOMPARE(copy->OffsetY, 0);
    QCOMPARE(w.RowLayer(1)->OffsetX, 7);
    QCOMPARE(copy->ImageRef, w.RowLayer(1)->ImageRef);
    QVERIFY(w.Modified);
    QVERIFY(w.FocusRectShown);
    QCOMPARE(w.SelectionRect, QRect(w.DrawOrigin, QSize(24, 16)));
  }

  void animatedGifShowsItsType() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    TMainForm& w = *f.form;
    const std::vector<kt58::GifRgb> palette = {{0, 0, 0}, {255, 0, 0}};
    kt58::test::WriteFileBytes(
        f.dir / "spin.gif",
        kt58::test::BuildGif(6, 4, palette, 0, {kt58::test::SolidGifImage(0, 0, 6, 4, 0), kt58::test::SolidGifImage(0, 0, 6, 4, 1)}));
    w.AddLayerFromFile(f.dir / "spin.gif");
    QCOMPARE(f.RowText(0, 1), QStringLiteral("Gifa "));
    QCOMPARE(f.RowText(0, 2), QStringLiteral("6 x 4"));
  }

  void promoteAndDemoteMoveRowsAndLayersTogether() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    TMainForm& w = *f.form;
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) w.AddLayerFromFile(f.WriteBmp(name, 10, 10, 2));
    QCOMPARE(f.RowNames(), QStringList({"c_1", "b_1", "a_1"}));
    f.ClickRow(2);
    kt58::TFrameLayer* a = w.Animation->SelectedLayer;
    QCOMPARE(QString::fromStdString(a->LayerName), QStringLiteral("a_1"));

    QTest::mouseClick(w.PromoteLayerButton, Qt::LeftButton);
    QCOMPARE(f.RowNames(), QStringList({"c_1", "a_1", "b_1"}));
    QCOMPARE(f.LayerNames(), f.RowNames());
    QVERIFY(w.Modified);
    ClickLayerCommand(w, w.PromoteLayer1);
    QCOMPARE(f.RowNames(), QStringList({"a_1", "c_1", "b_1"}));
    // At the front promoting changes nothing.
    QTest::mouseClick(w.PromoteLayerButton, Qt::LeftButton);
    QCOMPARE(f.RowNames(), QStringList({"a_1", "c_1", "b_1"}));
    QCOMPARE(f.LayerNames(), f.RowNames());
    QCOMPARE(w.Animation->SelectedLayer, a);
    QVERIFY(w.FocusRectShown);

    QTest::mouseClick(w.DemoteLayerButton, Qt::LeftButton);
    QTest::mouseClick(w.DemoteLayerButton, Qt::LeftButton);
    QTest::mouseClick(w.DemoteLayerButton, Qt::LeftButton);
    QCOMPARE(f.RowNames(), QStringList({"c_1", "b_1", "a_1"}));
    QCOMPARE(f.LayerNames(), f.RowNames());
    QCOMPARE(w.RowLayer(2), a);
  }

  void removingSelectsTheRowAboveAndTheLastRemovalLeavesNoSelection() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    TMainForm& w = *f.form;
    w.AddLayerFromFile(f.WriteBmp("small.bmp", 10, 10, 3));
    w.AddLayerFromFile(f.WriteBmp("big.bmp", 30, 20, 4));
    QCOMPARE(w.Animation->GetFrameSize(), (kt58::TFrameSize{30, 20}));
    ClickLayerCommand(w, w.RemoveLayer1);
    if (QTest::currentTestFailed()) return;
    QCOMPARE(f.RowNames(), QStringList({"small_1"}));
    QCOMPARE(f.LayerNames(), f.RowNames());
    QCOMPARE(w.Animation->SelectedLayer, w.RowLayer(0));
    QCOMPARE(w.Animation->GetFrameSize(), (kt58::TFrameSize{10, 10}));
    QVERIFY(w.Modified);
    QCOMPARE(w.DataPanel->text(), QStringLiteral("Size : [10 x 10]  Max : 0.00"));

    // The last row goes with Delete.
    f.ClickRow(0);
    QTest::keyClick(w.lvLayers, Qt::Key_Delete);
    QCOMPARE(w.Animation->LayerCount(), 0);
    QCOMPARE(w.lvLayers->topLevelItemCount(), 0);
    QVERIFY(!w.Animation->SelectedLayer);
    QVERIFY(!w.FocusRectShown);
    QVERIFY(!w.CopyLayer1->isEnabled());
    QCOMPARE(w.Animation->References->Count(), 0);
  }

  void removingTheLastOfThreeRowsSelectsTheOneAbove() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    TMainForm& w = *f.form;
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) w.AddLayerFromFile(f.WriteBmp(name, 10, 10, 5));
    f.ClickRow(2);
    QTest::keyClick(w.lvLayers, Qt::Key_Delete);
    QCOMPARE(f.RowNames(), QStringList({"c_1", "b_1"}));
    QCOMPARE(w.Animation->SelectedLayer, w.RowLayer(1));
  }

  void deleteWithoutASelectedLayerAndPlainArrowsChangeNothing() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    TMainForm& w = *f.form;
    w.AddLayerFromFile(f.WriteBmp("a.bmp", 10, 10, 6));
    w.AddLayerFromFile(f.WriteBmp("b.bmp", 10, 10, 7));
    kt58::TFrameLayer* b = w.RowLayer(0);
    QCOMPARE(w.Animation->SelectedLayer, b);
    // Moving through the list with the keyboard alone does not select.
    w.lvLayers->setFocus();
    QTest::keyClick(w.lvLayers, Qt::Key_Down);
    QCOMPARE(w.lvLayers->currentItem(), w.lvLayers->topLevelItem(1));
    QCOMPARE(w.Animation->SelectedLayer, b);

    w.Animation->SelectedLayer = nullptr;
    QTest::keyClick(w.lvLayers, Qt::Key_Delete);
    QCOMPARE(w.Animation->LayerCount(), 2);
  }

  void resetAllLayersPutsThemBackAtTheOrigin() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    TMainForm& w = *f.form;
    w.AddLayerFromFile(f.WriteBmp("a.bmp", 10, 10, 8));
    w.AddLayerFromFile(f.WriteBmp("b.bmp", 12, 12, 9));
    w.RowLayer(1)->OffsetX = 5;
    w.RowLayer(0)->OffsetY = -4;
    w.RowLayer(0)->Mirror = true;
    w.SetModified(false);
    ClickLayerCommand(w, w.ResetAllLayers1);
    if (QTest::currentTestFailed()) return;
    for (int row = 0; row < 2; ++row) {
      QCOMPARE(w.RowLayer(row)->OffsetX, 0);
      QCOMPARE(w.RowLayer(row)->OffsetY, 0);
    }
    QVERIFY(!w.RowLayer(0)->Mirror);
    QVERIFY(w.Modified);
    QCOMPARE(w.SelectionRect, QRect(w.DrawOrigin, QSize(12, 12)));
  }
};

KT58_APP_TEST(LayerListTest);

#include "layer_list_test.moc"
