#include <QApplication>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include "app_test.h"
#include "controls/kesh_integer_edit.h"
#include "main_form_fixture.h"
#include "widget_helpers.h"

using namespace kt58::apptest;

namespace {

// Waits for the update timer's repaint of the constructor frame.
bool Repainted(TMainForm& w) {
  w.RequestRepaint();
  return QTest::qWaitFor([&] { return !w.ConstructionDirty; });
}

struct DropResult {
  bool entered = false;
  bool dropped = false;
};

DropResult DropFiles(QWidget* target, const QList<QUrl>& urls, QPoint at) {
  QMimeData mime;
  mime.setUrls(urls);
  DropResult r;
  QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  r.entered = enter.isAccepted();
  QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  r.dropped = drop.isAccepted();
  return r;
}

}  // namespace

class ConstructionViewTest : public QObject {
  Q_OBJECT

 private slots:
  void addedLayerIsListedSelectedAndOutlined() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    TMainForm& w = *f.form;
    const auto logo = f.WriteBmp("logo.bmp", 40, 30, 3);
    w.AddLayerFromFile(logo);
    QCOMPARE(w.Animation->LayerCount(), 1);
    QCOMPARE(f.RowText(0, 0), QStringLiteral("logo_1"));
    QCOMPARE(f.RowText(0, 1), QStringLiteral("Bmp  "));
    QCOMPARE(f.RowText(0, 2), QStringLiteral("40 x 30"));
    kt58::TFrameLayer* first = w.Animation->SelectedLayer;
    QVERIFY(first);
    QCOMPARE(w.RowLayer(0), first);
    QVERIFY(w.FocusRectShown);
    QVERIFY(w.PaintAttached);
    const QPoint origin(w.pbConstr->width() / 2 - 20, w.pbConstr->height() / 2 - 15);
    QCOMPARE(w.DrawOrigin, origin);
    QCOMPARE(w.SelectionRect, QRect(origin, QSize(40, 30)));
    QCOMPARE(w.pbConstr->FocusOutline(), w.SelectionRect);

    // The same file again: a second layer in front, sharing the resource.
    w.AddLayerFromFile(logo);
    QCOMPARE(f.RowNames(), QStringList({"logo_2", "logo_1"}));
    QCOMPARE(f.LayerNames(), f.RowNames());
    QCOMPARE(w.Animation->SelectedLayer, w.RowLayer(0));
    QCOMPARE(w.Animation->References->Count(), 1);
  }

  void missingAndBrokenFiles() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    TMainForm& w = *f.form;
    w.AddLayerFromFile(f.dir / "absent.bmp");
    QCOMPARE(w.Animation->LayerCount(), 0);
    QVERIFY(f.ui.messages.empty());

    kt58::test::WriteFileBytes(f.dir / "broken.bmp", {'B', 'M', 1, 2, 3});
    w.AddLayerFromFile(f.dir / "broken.bmp");
    QCOMPARE(f.ui.messages, std::vector<std::string>{"Unknown error occurred - Layer may not have been correctly added."});
    QCOMPARE(w.Animation->LayerCount(), 0);
    QCOMPARE(w.lvLayers->topLevelItemCount(), 0);
    QVERIFY(w.PaintAttached);
    QVERIFY(w.lvLayers->updatesEnabled());
  }

  void viewShowsTheComposedFrameInsideAWhiteOutline() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    TMainForm& w = *f.form;
    // Nothing to show: no outline around a zero-sized frame.
    QVERIFY(Repainted(w));
    {
      const QImage empty = Grab(w.pbConstr);
      for (int y = 0; y < empty.height(); y += 3)
        for (int x = 0; x < empty.width(); x += 3) QCOMPARE(empty.pixel(x, y), qRgb(0, 0, 0));
    }

    w.AddLayerFromFile(f.WriteBmp("back.bmp", 50, 40, 4));
    w.AddLayerFromFile(f.WriteBmp("front.bmp", 20, 10, 5));
    w.Animation->SetLayerPosition(7, 9);
    w.HideFocusRect();
    QVERIFY(Repainted(w));
    const QImage shown = Grab(w.pbConstr);
    QCOMPARE(w.Animation->GetFrameSize().Width, 50);
    QCOMPARE(w.Animation->GetFrameSize().Height, 40);
    QCOMPARE(f.FrameDifference(shown), QString());
    const QPoint o = w.DrawOrigin;
    const QRgb white = qRgb(255, 255, 255), black = qRgb(0, 0, 0);
    for (int x = -1; x <= 50; ++x) {
      QCOMPARE(shown.pixel(o.x() + x, o.y() - 1), white);
      QCOMPARE(shown.pixel(o.x() + x, o.y() + 40), white);
    }
    for (int y = -1; y <= 40; ++y) {
      QCOMPARE(shown.pixel(o.x() - 1, o.y() + y), white);
      QCOMPARE(shown.pixel(o.x() + 50, o.y() + y), white);
    }
    QCOMPARE(shown.pixel(o.x() - 2, o.y() - 2), black);
    QCOMPARE(shown.pixel(o.x() + 51, o.y() + 41), black);

    // The dotted outline of the selected layer lies over the picture without
    // changing the composed pixels underneath.
    w.ShowFocusRect();
    QCOMPARE(w.SelectionRect, QRect(o + QPoint(7, 9), QSize(20, 10)));
    const QImage outlined = Grab(w.pbConstr);
    int changed = 0;
    for (int x = 0; x < 20; ++x) changed += outlined.pixel(o.x() + 7 + x, o.y() + 9) != shown.pixel(o.x() + 7 + x, o.y() + 9);
    QVERIFY(changed >= 5);
    QCOMPARE(outlined.pixel(o.x() + 12, o.y() + 14), shown.pixel(o.x() + 12, o.y() + 14));
  }

  void draggingTheSelectedLayerMovesItByTheMouseDistance() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    TMainForm& w = *f.form;
    w.AddLayerFromFile(f.WriteBmp("logo.bmp", 40, 30, 6));
    kt58::TFrameLayer* layer = w.Animation->SelectedLayer;
    const int resequenced = f.Count("Resequence Complete");
    const QPoint grab = w.SelectionRect.topLeft() + QPoint(12, 8);
    QTest::mousePress(w.pbConstr, Qt::LeftButton, Qt::NoModifier, grab);
    QVERIFY(w.Dragging);
    QVERIFY(!w.PaintAttached);
    QTest::mouseMove(w.pbConstr, grab + QPoint(4, 2));
    QTest::mouseMove(w.pbConstr, grab + QPoint(10, 5));
    // The position follows the mouse during the drag, shown in the offset
    // edits whose handlers store it.
    QCOMPARE(w.eXOffset->text(), QStringLiteral("10"));
    QCOMPARE(w.eYOffset->text(), QStringLiteral("5"));
    QCOMPARE(layer->OffsetX, 10);
    QCOMPARE(layer->OffsetY, 5);
    QCOMPARE(w.pbConstr->FocusOutline().topLeft(), w.DrawOrigin + QPoint(10, 5));
    QCOMPARE(f.Count("Resequence Complete"), resequenced);
    QTest::mouseRelease(w.pbConstr, Qt::LeftButton, Qt::NoModifier, grab + QPoint(10, 5));
    QVERIFY(!w.Dragging);
    QCOMPARE(layer->OffsetX, 10);
    QCOMPARE(layer->OffsetY, 5);
    QVERIFY(w.Modified);
    QCOMPARE(f.Count("Resequence Complete"), resequenced + 1);
    QCOMPARE(w.SelectionRect, QRect(w.DrawOrigin + QPoint(10, 5), QSize(40, 30)));
    QVERIFY(w.PaintAttached);
    QVERIFY(Repainted(w));

    // A press outside the layer starts no drag.
    QTest::mousePress(w.pbConstr, Qt::LeftButton, Qt::NoModifier, w.SelectionRect.bottomRight() + QPoint(3, 3));
    QVERIFY(!w.Dragging);
    QTest::mouseRelease(w.pbConstr, Qt::LeftButton, Qt::NoModifier, w.SelectionRect.bottomRight() + QPoint(3, 3));
    // Without a shown selection a press does nothing at all.
    w.HideFocusRect();
    QTest::mousePress(w.pbConstr, Qt::LeftButton, Qt::NoModifier, w.SelectionRect.center());
    QVERIFY(!w.Dragging);
    QTest::mouseRelease(w.pbConstr, Qt::LeftButton, Qt::NoModifier, w.SelectionRect.center());
    QCOMPARE(layer->OffsetX, 10);
  }

  void ctrlArrowsNudgeAndReleasingCtrlRegeneratesOnce() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    TMainForm& w = *f.form;
    w.AddLayerFromFile(f.WriteBmp("a.bmp", 20, 20, 7));
    w.AddLayerFromFile(f.WriteBmp("b.bmp", 20, 20, 8));
    f.ClickRow(1);
    kt58::TFrameLayer* layer = w.Animation->SelectedLayer;
    QCOMPARE(layer, w.RowLayer(1));
    const int resequenced = f.Count("Resequence Complete");
    // Ctrl stays down while the arrows go down and up.
    for (int key : {Qt::Key_Left, Qt::Key_Left, Qt::Key_Left, Qt::Key_Down}) {
      QKeyEvent press(QEvent::KeyPress, key, Qt::ControlModifier);
      QApplication::sendEvent(w.lvLayers, &press);
      QKeyEvent release(QEvent::KeyRelease, key, Qt::ControlModifier);
      QApplication::sendEvent(w.lvLayers, &release);
    }
    QVERIFY(w.Nudging);
    QCOMPARE(layer->OffsetX, -3);
    QCOMPARE(layer->OffsetY, 1);
    QCOMPARE(f.Count("Resequence Complete"), resequenced);
    // The keys moved the layer, not the list's current row.
    QCOMPARE(w.lvLayers->currentItem(), w.lvLayers->topLevelItem(1));
    QTest::keyRelease(w.lvLayers, Qt::Key_Control);
    QVERIFY(!w.Nudging);
    QCOMPARE(f.Count("Resequence Complete"), resequenced + 1);
    QVERIFY(w.PaintAttached);
    QVERIFY(w.UpdateTimer->isActive());
    QCOMPARE(w.SelectionRect.topLeft(), w.DrawOrigin + QPoint(-3, 1));
    // Releasing Ctrl again is no nudge.
    QTest::keyRelease(w.lvLayers, Qt::Key_Control);
    QCOMPARE(f.Count("Resequence Complete"), resequenced + 1);
  }

  void rightButtonOpensTheLayerMenu() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    TMainForm& w = *f.form;
    QTest::mouseClick(w.pbConstr, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
    QTRY_VERIFY(w.LayerPopup->isVisible());
    QVERIFY(!w.CopyLayer1->isEnabled());
    w.LayerPopup->close();
  }

  void droppedFilesBecomeLayersAtTheFront() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    TMainForm& w = *f.form;
    w.AddLayerFromFile(f.WriteBmp("back.bmp", 30, 30, 9));
    const auto dropped = f.WriteBmp("dropped.bmp", 16, 12, 10);
    const QUrl url = QUrl::fromLocalFile(QString::fromStdString(dropped.string()));

    // Refused while playing.
    w.Animation->Playing = true;
    DropResult r = DropFiles(w.pbConstr, {url}, QPoint(40, 40));
    QVERIFY(!r.entered);
    QCOMPARE(w.Animation->LayerCount(), 1);
    w.Animation->Playing = false;

    // Files the program cannot make a layer of are refused.
    kt58::test::WriteFileBytes(f.dir / "notes.txt", {'x'});
    r = DropFiles(w.pbConstr, {QUrl::fromLocalFile(QString::fromStdString((f.dir / "notes.txt").string()))}, {});
    QVERIFY(!r.entered);
    QCOMPARE(w.Animation->LayerCount(), 1);

    r = DropFiles(w.pbConstr, {url}, QPoint(40, 40));
    QVERIFY(r.entered);
    QVERIFY(r.dropped);
    QCOMPARE(w.Animation->LayerCount(), 2);
    QCOMPARE(f.RowNames(), QStringList({"dropped_1", "back_1"}));
    kt58::TFrameLayer* layer = w.Animation->SelectedLayer;
    QCOMPARE(layer, w.RowLayer(0));
    QCOMPARE(layer->OffsetX, 0);
    QCOMPARE(layer->OffsetY, 0);
    QVERIFY(w.Modified);
  }
};

KT58_APP_TEST(ConstructionViewTest);

#include "construction_view_test.moc"
