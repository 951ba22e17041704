// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "app_test.h"
#include "gui/widgets/integer_edit.h"
#include "main_window_fixture.h"
#include "widget_helpers.h"

using namespace kt58::apptest;

namespace {

DropResult DropFiles(QWidget* target, const QList<QUrl>& urls, QPoint at) {
  QMimeData mime;
  mime.setUrls(urls);
  return Drop(target, mime, at);
}

QUrl FileUrl(const std::filesystem::path& path) { return QUrl::fromLocalFile(QString::fromStdString(path.string())); }

// Ctrl held while the arrows go down and up, sent to whichever widget has
// the keyboard.
void NudgeKeys(QWidget* target, std::initializer_list<int> keys) {
  for (int key : keys) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::ControlModifier);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::ControlModifier);
    QApplication::sendEvent(target, &release);
  }
}

}  // namespace

class ConstructionViewTest : public QObject {
  Q_OBJECT

 private slots:
  void addedLayerIsListedSelectedAndOutlined() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    CanvasView& view = f.canvasView();
    const auto logo = f.WriteBmp("logo.bmp", 40, 30, 3);
    f.Add(logo);
    QCOMPARE(f.Anim().LayerCount(), 1);
    QCOMPARE(f.RowText(0, 0), QStringLiteral("logo_1"));
    QCOMPARE(f.RowText(0, 1), QStringLiteral("BMP picture"));
    QCOMPARE(f.RowText(0, 2), QStringLiteral("40 x 30"));
    kt58::Layer* first = f.Doc().SelectedLayer();
    QVERIFY(first);
    QCOMPARE(f.List().rowLayer(0), first);
    QVERIFY(view.focusRectShown_);
    QVERIFY(view.paintAttached_);
    const QPoint origin(f.Box()->width() / 2 - 20, f.Box()->height() / 2 - 15);
    QCOMPARE(view.drawOrigin_, origin);
    QCOMPARE(view.selectionRect_, QRect(origin, QSize(40, 30)));
    QCOMPARE(f.Box()->focusOutline(), view.selectionRect_);

    // The same file again: a second layer in front, sharing the resource.
    f.Add(logo);
    QCOMPARE(f.RowNames(), QStringList({"logo_2", "logo_1"}));
    QCOMPARE(f.LayerNames(), f.RowNames());
    QCOMPARE(f.Doc().SelectedLayer(), f.List().rowLayer(0));
    QCOMPARE(f.Anim().References->Count(), 1);
  }

  void missingAndBrokenFiles() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    f.Add(f.dir / "absent.bmp");
    QCOMPARE(f.Anim().LayerCount(), 0);
    QVERIFY(f.ui.messages.empty());

    // The message says which file failed and why, on the line after the
    // described text.
    kt58::test::WriteFileBytes(f.dir / "broken.bmp", {'B', 'M', 1, 2, 3});
    f.Add(f.dir / "broken.bmp");
    QCOMPARE(f.ui.messages.size(), size_t{1});
    const QStringList lines = QString::fromStdString(f.ui.messages.front()).split(QLatin1Char('\r'));
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[0], QStringLiteral("Unknown error occurred - Layer may not have been correctly added."));
    QVERIFY2(lines[1].startsWith(QStringLiteral("broken.bmp: ")) && lines[1].size() > 14, qPrintable(lines[1]));
    QCOMPARE(f.Anim().LayerCount(), 0);
    QCOMPARE(f.Rows()->topLevelItemCount(), 0);
    QVERIFY(f.canvasView().paintAttached_);
    QVERIFY(!f.Modified());
  }

  void viewShowsTheComposedFrameInsideAWhiteOutline() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    CanvasView& view = f.canvasView();
    f.Add(f.WriteBmp("back.bmp", 50, 40, 4));
    f.Add(f.WriteBmp("front.bmp", 20, 10, 5));
    f.Doc().SelectedLayer()->SetPosition(7, 9);
    view.hideFocusRect();
    QVERIFY(f.Repainted());
    const QImage shown = Grab(f.Box());
    QCOMPARE(f.Anim().GetFrameSize().Width, 50);
    QCOMPARE(f.Anim().GetFrameSize().Height, 40);
    QCOMPARE(f.FrameDifference(shown), QString());
    const QPoint o = view.drawOrigin_;
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
    view.showFocusRect();
    QCOMPARE(view.selectionRect_, QRect(o + QPoint(7, 9), QSize(20, 10)));
    const QImage outlined = Grab(f.Box());
    int changed = 0;
    for (int x = 0; x < 20; ++x) changed += outlined.pixel(o.x() + 7 + x, o.y() + 9) != shown.pixel(o.x() + 7 + x, o.y() + 9);
    QVERIFY(changed >= 5);
    QCOMPARE(outlined.pixel(o.x() + 12, o.y() + 14), shown.pixel(o.x() + 12, o.y() + 14));
  }

  void anEmptyProjectShowsWhatToDo() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    // No outline around a zero-sized frame, and the hint in the middle.
    QVERIFY(f.Repainted());
    QCOMPARE(f.Box()->Hint(), CanvasView::emptyProjectHint());
    QVERIFY(f.Box()->Hint().contains(QStringLiteral("Layer > Add Layer...")));
    const QImage empty = Grab(f.Box());
    QCOMPARE(empty.pixel(2, 2), qRgb(0, 0, 0));
    int lit = 0;
    for (int y = 0; y < empty.height(); ++y)
      for (int x = 0; x < empty.width(); ++x) lit += empty.pixel(x, y) != qRgb(0, 0, 0);
    QVERIFY2(lit > 50, "the hint is drawn");
    // The hint goes with the first layer and comes back with the last one
    // gone.
    f.Add(f.WriteBmp("a.bmp", 10, 10, 1));
    QCOMPARE(f.Box()->Hint(), QString());
    f.Doc().UndoStack().undo();
    QCOMPARE(f.Box()->Hint(), CanvasView::emptyProjectHint());
  }

  void draggingTheSelectedLayerMovesItByTheMouseDistance() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    CanvasView& view = f.canvasView();
    PaintBox* box = f.Box();
    f.Add(f.WriteBmp("logo.bmp", 40, 30, 6));
    kt58::Layer* layer = f.Doc().SelectedLayer();
    const int resequenced = f.Count("Resequence Complete");
    const int steps = f.Doc().UndoStack().count();
    const QPoint grab = view.selectionRect_.topLeft() + QPoint(12, 8);
    QTest::mousePress(box, Qt::LeftButton, Qt::NoModifier, grab);
    QVERIFY(view.dragging_);
    QVERIFY(!view.paintAttached_);
    QTest::mouseMove(box, grab + QPoint(4, 2));
    QTest::mouseMove(box, grab + QPoint(10, 5));
    // The position follows the mouse during the drag, shown in the offset
    // edits.
    QCOMPARE(f.Find<QLineEdit>("eXOffset")->text(), QStringLiteral("10"));
    QCOMPARE(f.Find<QLineEdit>("eYOffset")->text(), QStringLiteral("5"));
    QCOMPARE(layer->OffsetX, 10);
    QCOMPARE(layer->OffsetY, 5);
    QCOMPARE(box->focusOutline().topLeft(), view.drawOrigin_ + QPoint(10, 5));
    QCOMPARE(f.Count("Resequence Complete"), resequenced);
    QTest::mouseRelease(box, Qt::LeftButton, Qt::NoModifier, grab + QPoint(10, 5));
    QVERIFY(!view.dragging_);
    QCOMPARE(layer->OffsetX, 10);
    QCOMPARE(layer->OffsetY, 5);
    QVERIFY(f.Modified());
    QCOMPARE(f.Find<QLabel>("StatusPanel0")->text(), QStringLiteral("Modified"));
    QCOMPARE(f.Count("Resequence Complete"), resequenced + 1);
    QCOMPARE(view.selectionRect_, QRect(view.drawOrigin_ + QPoint(10, 5), QSize(40, 30)));
    QVERIFY(view.paintAttached_);
    QVERIFY(f.Repainted());
    // The whole drag is one undo step.
    QCOMPARE(f.Doc().UndoStack().count(), steps + 1);

    // A press outside the layer starts no drag.
    QTest::mousePress(box, Qt::LeftButton, Qt::NoModifier, view.selectionRect_.bottomRight() + QPoint(3, 3));
    QVERIFY(!view.dragging_);
    QTest::mouseRelease(box, Qt::LeftButton, Qt::NoModifier, view.selectionRect_.bottomRight() + QPoint(3, 3));
    // Without a shown selection a press does nothing at all.
    view.hideFocusRect();
    QTest::mousePress(box, Qt::LeftButton, Qt::NoModifier, view.selectionRect_.center());
    QVERIFY(!view.dragging_);
    QTest::mouseRelease(box, Qt::LeftButton, Qt::NoModifier, view.selectionRect_.center());
    QCOMPARE(layer->OffsetX, 10);
  }

  void ctrlArrowsNudgeWhereverTheKeyboardIsAndReleasingCtrlRegeneratesOnce() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    CanvasView& view = f.canvasView();
    f.Add(f.WriteBmp("a.bmp", 20, 20, 7));
    f.Add(f.WriteBmp("b.bmp", 20, 20, 8));
    f.ClickRow(1);
    kt58::Layer* layer = f.Doc().SelectedLayer();
    QCOMPARE(layer, f.List().rowLayer(1));
    f.Doc().SetModified(false);
    // Whichever control has the keyboard: the list, a page's edit, the
    // view itself.
    struct Case {
      const char* target;
      std::initializer_list<int> keys;
      QPoint moved;
    };
    const Case cases[] = {
        {"lvLayers", {Qt::Key_Left, Qt::Key_Left, Qt::Key_Left, Qt::Key_Down}, {-3, 1}},
        {"eYOffset", {Qt::Key_Right, Qt::Key_Right}, {-1, 1}},
        {"pbConstr", {Qt::Key_Up}, {-1, 0}},
    };
    for (const Case& c : cases) {
      QWidget* target = f.Find(c.target);
      const int resequenced = f.Count("Resequence Complete");
      const int steps = f.Doc().UndoStack().count();
      NudgeKeys(target, c.keys);
      QVERIFY2(view.nudging_, c.target);
      QCOMPARE(QPoint(layer->OffsetX, layer->OffsetY), c.moved);
      QCOMPARE(f.Count("Resequence Complete"), resequenced);
      // Playing waits for the run to end: its frames are not made yet.
      f.Find<PlaybackBar>("Panel6")->play();
      QVERIFY(!f.Doc().playback().isPlaying());
      QTest::keyRelease(target, Qt::Key_Control);
      QVERIFY(!view.nudging_);
      QCOMPARE(f.Count("Resequence Complete"), resequenced + 1);
      QVERIFY(view.paintAttached_);
      QVERIFY(view.updateTimer_->isActive());
      QCOMPARE(view.selectionRect_.topLeft(), view.drawOrigin_ + c.moved);
      // A run of nudges is one undo step, and the project is modified.
      QCOMPARE(f.Doc().UndoStack().count(), steps + 1);
      QCOMPARE(f.Find<QLabel>("StatusPanel0")->text(), QStringLiteral("Modified"));
    }
    // The keys moved the layer, not the list's current row.
    QCOMPARE(f.Rows()->currentItem(), f.Rows()->topLevelItem(1));
    // Releasing Ctrl again is no nudge.
    const int resequenced = f.Count("Resequence Complete");
    QTest::keyRelease(f.Rows(), Qt::Key_Control);
    QCOMPARE(f.Count("Resequence Complete"), resequenced);
    // Without a selected layer the arrows are left to the control.
    f.Doc().SelectLayer(nullptr);
    NudgeKeys(f.Rows(), {Qt::Key_Left});
    QVERIFY(!view.nudging_);
  }

  void rightButtonOpensTheLayerMenu() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    QTest::mouseClick(f.Box(), Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
    auto* menu = f.Find<QMenu>("LayerPopup");
    QTRY_VERIFY(menu->isVisible());
    QVERIFY(!f.Action("CopyLayer1")->isEnabled());
    menu->close();
  }

  void droppedFilesBecomeLayersAtTheDropPoint() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    CanvasView& view = f.canvasView();
    f.Add(f.WriteBmp("back.bmp", 30, 30, 9));
    f.Doc().SetModified(false);
    const QUrl url = FileUrl(f.WriteBmp("dropped.bmp", 16, 12, 10));

    // Refused while playing.
    f.Doc().playback().play();
    QVERIFY(f.Doc().playback().isPlaying());
    DropResult r = DropFiles(f.Box(), {url}, QPoint(40, 40));
    QVERIFY(!r.entered);
    QCOMPARE(f.Anim().LayerCount(), 1);
    f.Doc().playback().stop();

    const QPoint at = view.drawOrigin_ + QPoint(5, 7);
    r = DropFiles(f.Box(), {url}, at);
    QVERIFY(r.entered);
    QVERIFY(r.dropped);
    QCOMPARE(f.Anim().LayerCount(), 2);
    QCOMPARE(f.RowNames(), QStringList({"dropped_1", "back_1"}));
    kt58::Layer* layer = f.Doc().SelectedLayer();
    QCOMPARE(layer, f.List().rowLayer(0));
    // The drop point, in frame coordinates, is the layer's top-left corner.
    QCOMPARE(layer->OffsetX, 5);
    QCOMPARE(layer->OffsetY, 7);
    QCOMPARE(view.selectionRect_.topLeft(), view.drawOrigin_ + QPoint(5, 7));
    QVERIFY(f.Modified());
    QCOMPARE(f.Find<QLabel>("StatusPanel0")->text(), QStringLiteral("Modified"));
  }

  void filesOfOtherTypesAreRefusedWithAReason() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    kt58::test::WriteFileBytes(f.dir / "notes.txt", {'x'});
    kt58::test::WriteFileBytes(f.dir / "photo.png", {'x'});
    const QList<QUrl> urls = {FileUrl(f.dir / "notes.txt"), FileUrl(f.dir / "photo.png")};
    // On the view and on the layer list alike.
    for (QWidget* target : {static_cast<QWidget*>(f.Box()), f.Rows()->viewport()}) {
      f.Find<QLabel>("StatusPanel0")->clear();
      const DropResult r = DropFiles(target, urls, QPoint(10, 10));
      QVERIFY(r.entered);
      QCOMPARE(f.Anim().LayerCount(), 0);
      const QString status = f.Find<QLabel>("StatusPanel0")->text();
      QVERIFY2(status.contains(QStringLiteral("notes.txt")) && status.contains(QStringLiteral("photo.png")) &&
                   status.contains(QStringLiteral("BMP")),
               qPrintable(status));
      QVERIFY(!f.Modified());
    }
    // A picture dropped on the list becomes a layer too.
    const DropResult r = DropFiles(f.Rows()->viewport(), {FileUrl(f.WriteBmp("a.bmp", 8, 8, 1))}, QPoint(5, 5));
    QVERIFY(r.dropped);
    QCOMPARE(f.RowNames(), QStringList({"a_1"}));
  }
};

KT58_APP_TEST(ConstructionViewTest);

#include "canvas_view_test.moc"
