// SPDX-License-Identifier: GPL-3.0-or-later
#include <QAbstractItemView>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <QWindow>

#include "gui/dialogs/about_dialog.h"
#include "app_test.h"
#include "gui/panels/control_events.h"
#include "engine/bmp_codec.h"
#include "engine/picture.h"
#include "support/gif_builder.h"
#include "support/test_support.h"
#include "gui/window_placement.h"
#include "main_window_fixture.h"
#include "modal_helper.h"

using namespace kt58::apptest;

namespace {

// Every visible widget of the window at least as large as it needs and
// inside the window; the first one that is not, or empty.
QString FirstCutWidget(QWidget* window) {
  const QRect inside = window->rect();
  for (QWidget* w : window->findChildren<QWidget*>()) {
    // The parts of a list and a tab bar's tabs scroll, and the parts of a
    // control placed by the control itself are its own business: only the
    // list, the bar and the control have to fit.
    if (!w->isVisible() || w->isWindow() || qobject_cast<QTabBar*>(w) || !w->parentWidget()->layout() ||
        qobject_cast<QAbstractItemView*>(w->parentWidget()) ||
        (w->parentWidget() && qobject_cast<QAbstractItemView*>(w->parentWidget()->parentWidget())))
      continue;
    const QRect at(w->mapTo(window, QPoint(0, 0)), w->size());
    // What a widget needs: its smallest size, or the size it asks for when
    // that is smaller still.
    const QSize need = w->minimumSizeHint().boundedTo(w->sizeHint());
    const QString name = QStringLiteral("%1 \"%2\" in %3")
                             .arg(QString::fromLatin1(w->metaObject()->className()), w->objectName(),
                                  QString::fromLatin1(w->parentWidget()->metaObject()->className()));
    if (!inside.contains(at)) return name + QStringLiteral(" lies outside the window");
    if (need.isValid() && (w->width() < need.width() || w->height() < need.height()))
      return name + QStringLiteral(" is %1 x %2, needs %3 x %4")
                        .arg(w->width()).arg(w->height()).arg(need.width()).arg(need.height());
  }
  return {};
}

}  // namespace

class MainFormTest : public QObject {
  Q_OBJECT

 private slots:
  // A layer that makes the project large says so in the status bar: two
  // one-pixel images on a 4096 x 4096 screen take 100 MB stored; a small
  // picture says nothing.
  void aLargeImportShowsTheProjectsSize() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    QVERIFY(f.Add(f.WriteBmp("small.bmp", 6, 4, 1)));
    for (const std::string& status : f.statuses) QVERIFY2(status.find(" MB") == std::string::npos, status.c_str());
    const std::filesystem::path gif = f.dir / "dots.gif";
    kt58::test::WriteFileBytes(gif, kt58::test::BuildGif(4096, 4096, {{0, 0, 0}, {255, 255, 255}}, 0,
                                                         {kt58::test::SolidGifImage(0, 0, 1, 1, 1),
                                                          kt58::test::SolidGifImage(1, 1, 1, 1, 1)}));
    QVERIFY(f.Add(gif));
    const uint64_t bytes = 2 * (kt58::kBmpHeadersSize + kt58::Picture::RowBytesFor(4096) * uint64_t{4096}) +
                           kt58::kBmpHeadersSize + kt58::Picture::RowBytesFor(6) * 4;
    QCOMPARE(f.Find<QLabel>("StatusPanel0")->text(),
             QStringLiteral("The project takes %1 MB").arg(bytes / 1'000'000));
  }

  void opensWithTheDescribedLayoutAndAFreshStatusLine() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    MainWindow& w = *f.form;
    // The described sizes, unless this platform's fonts need more room.
    QVERIFY(w.width() >= 626 && w.height() >= 560);
    // The first time it opens, the window takes most of the screen.
    QCOMPARE(w.size(),
             kt58::app::FirstPlacement(QGuiApplication::primaryScreen()->availableGeometry(), w.minimumSize()).size());
    QCOMPARE(w.minimumSize(), w.minimumSizeHint().expandedTo(MainWindow::kMinimumSize));
    QCOMPARE(f.Find<QToolButton>("ProjectButton")->size(), QSize(126, 23));
    QCOMPARE(f.Find<QLabel>("StatusPanel0")->width(), 300);
    QVERIFY(f.Find<QLabel>("StatusPanel1")->width() >= 50);
    // Room for the status line's two lines while playing.
    QVERIFY(f.Find<QLabel>("DataPanel")->height() >= 2 * f.Find<QLabel>("DataPanel")->fontMetrics().lineSpacing());
    QVERIFY(f.Find("VideoPanel")->width() >= 328);
    QCOMPARE(f.Find<QTabWidget>("PageControl1")->tabText(0), QStringLiteral("Layers"));
    QTreeWidget* rows = f.Rows();
    QCOMPARE(rows->headerItem()->text(0), QStringLiteral("Name"));
    QCOMPARE(rows->headerItem()->text(1), QStringLiteral("Type"));
    QCOMPARE(rows->headerItem()->text(2), QStringLiteral("Size"));
    QCOMPARE(f.Find<QLabel>("DataPanel")->text(), QStringLiteral("Size : [0 x 0]  Max : 0.00"));
    QCOMPARE(f.Find<QLabel>("StatusPanel0")->text(), QString());
    QCOMPARE(f.animationProperties().controlEvents().Depth(), 0);
    QCOMPARE(f.Pages().controlEvents().Depth(), 0);
    QCOMPARE(f.Find<PlaybackBar>("Panel6")->controlEvents().Depth(), 0);
    // The program folder gets its Projects and Output folders.
    QVERIFY(std::filesystem::is_directory(f.dir / "Projects"));
    QVERIFY(std::filesystem::is_directory(f.dir / "Output"));
    QCOMPARE(w.settings().LastBmpDir, f.dir / "Output");
    // The frame of a project without layers is centred as a point.
    QCOMPARE(f.canvasView().drawOrigin_, QPoint(f.Box()->width() / 2, f.Box()->height() / 2));
  }

  void nothingIsCutAtTheSizeTheWindowOpensAt() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    MainWindow& w = *f.form;
    f.Add(f.WriteBmp("logo.bmp", 40, 30, 1));
    auto* pageTabs = f.Find<QTabWidget>("pc1");
    auto* layerPages = f.Find<QTabWidget>("pc2");
    for (int page = 0; page < pageTabs->count(); ++page) {
      pageTabs->setCurrentIndex(page);
      for (int inner = 0; inner < (pageTabs->currentWidget() == &f.Pages() ? layerPages->count() : 1); ++inner) {
        layerPages->setCurrentIndex(inner);
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QString cut = FirstCutWidget(&w);
        QVERIFY2(cut.isEmpty(), qPrintable(QStringLiteral("page %1/%2: %3").arg(page).arg(inner).arg(cut)));
      }
    }
    // The status line is wide enough for its text.
    QLabel* data = f.Find<QLabel>("DataPanel");
    QVERIFY2(data->fontMetrics().horizontalAdvance(data->text()) <= data->contentsRect().width(),
             qPrintable(data->text()));
    // The window cannot be made smaller than that.
    w.resize(300, 200);
    QCOMPARE(w.size(), w.minimumSize());
    QVERIFY(FirstCutWidget(&w).isEmpty());
  }

  void statusLineShowsFramesSizeFixedAndRates() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    MainWindow& w = *f.form;
    kt58::Project& a = f.Anim();
    f.Add(f.WriteBmp("logo.bmp", 40, 30, 1));
    QCOMPARE(f.Doc().sequence().Count(), 10);
    QCOMPARE(f.Find<QLabel>("DataPanel")->text(), QStringLiteral("Frame : 000 of 010,  Size : [40 x 30]  Max : 0.00"));
    a.FixedFrameSize = true;
    a.FixedWidth = 64;
    a.FixedHeight = 48;
    f.Doc().playback().step(9);
    QVERIFY(f.Find<QLabel>("DataPanel")->text().startsWith(QStringLiteral("Frame : 009 of 010,  Size : [64 x 48] Fixed")));
    // Playing starts again from the first frame.
    f.Doc().playback().play();
    w.showFrameInfo(12.5, 99.126);
    QCOMPARE(f.Find<QLabel>("DataPanel")->text(), QStringLiteral("Frame : 000 of 010,  Size : [64 x 48] Fixed\nFPS : 12.50  Max : 99.13"));
    // Every part shows whole at the window's size, also with the widest
    // frame size and rates, playing and after playing (when the best rate
    // stays on show).
    a.FixedWidth = a.FixedHeight = 16384;
    for (const bool playing : {true, false}) {
      if (!playing) f.Doc().playback().stop();
      w.showFrameInfo(1234.567, 1234.567);
      for (const QString& line : f.Find<QLabel>("DataPanel")->text().split(QLatin1Char('\n')))
        QVERIFY2(f.Find<QLabel>("DataPanel")->fontMetrics().horizontalAdvance(line) <= f.Find<QLabel>("DataPanel")->contentsRect().width(),
                 qPrintable(line));
    }
    QVERIFY(f.Find<QLabel>("DataPanel")->text().endsWith(QStringLiteral("\nMax : 1234.57")));
  }

  void statusLineTellsTheTruthAfterEveryEdit() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    f.Add(f.WriteBmp("a.bmp", 20, 20, 1));
    f.Add(f.WriteBmp("b.bmp", 30, 20, 2));
    QCOMPARE(f.Find<QLabel>("DataPanel")->text(), QStringLiteral("Frame : 000 of 010,  Size : [30 x 20]  Max : 0.00"));
    // A new frame count is shown at once.
    f.animationProperties().frameCountSpin_->setValue(25);
    QCOMPARE(f.Find<QLabel>("DataPanel")->text(), QStringLiteral("Frame : 000 of 025,  Size : [30 x 20]  Max : 0.00"));
    // Removing a layer keeps the frames part.
    f.Action("RemoveLayer1")->trigger();
    QCOMPARE(f.Find<QLabel>("DataPanel")->text(), QStringLiteral("Frame : 000 of 025,  Size : [20 x 20]  Max : 0.00"));
    // Undo and redo too.
    f.Doc().UndoStack().undo();
    QCOMPARE(f.Find<QLabel>("DataPanel")->text(), QStringLiteral("Frame : 000 of 025,  Size : [30 x 20]  Max : 0.00"));
    f.Doc().UndoStack().undo();
    QCOMPARE(f.Find<QLabel>("DataPanel")->text(), QStringLiteral("Frame : 000 of 010,  Size : [30 x 20]  Max : 0.00"));
    f.Doc().UndoStack().undo();
    f.Doc().UndoStack().undo();
    QCOMPARE(f.Find<QLabel>("DataPanel")->text(), QStringLiteral("Size : [0 x 0]  Max : 0.00"));
  }

  void statusPanelsAndTitleFollowModifiedAndProjectName() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    MainWindow& w = *f.form;
    // The project's name with the modified marker; the window system adds
    // the application's name once.
    QCOMPARE(w.windowTitle(), QStringLiteral("Untitled[*]"));
    QCOMPARE(w.windowHandle()->title(), QStringLiteral("Untitled"));
    QVERIFY(!w.isWindowModified());
    f.Doc().SetModified(true);
    QVERIFY(f.Modified());
    QVERIFY(w.isWindowModified());
    QCOMPARE(w.windowHandle()->title(), QStringLiteral("Untitled*"));
    QCOMPARE(f.Find<QLabel>("StatusPanel0")->text(), QStringLiteral("Modified"));
    f.Doc().SetModified(false);
    QCOMPARE(f.Find<QLabel>("StatusPanel0")->text(), QString());
    QVERIFY(!w.isWindowModified());
    // The document's status texts land in panel 0.
    emit f.Doc().statusMessage(QStringLiteral("Resequence Complete"));
    QCOMPARE(f.Find<QLabel>("StatusPanel0")->text(), QStringLiteral("Resequence Complete"));
    const QString file = QString::fromStdString((f.dir / "Projects" / "walk cycle.ka5").string());
    f.Doc().SetFileName(file);
    QCOMPARE(f.Find<QLabel>("StatusPanel1")->text(), QStringLiteral("walk cycle.ka5"));
    // The name is shown whole, not cut at the 50 pixels a panel once had.
    QVERIFY(f.Find<QLabel>("StatusPanel1")->contentsRect().width() >= f.Find<QLabel>("StatusPanel1")->fontMetrics().horizontalAdvance(f.Find<QLabel>("StatusPanel1")->text()));
    QCOMPARE(w.windowTitle(), QStringLiteral("walk cycle.ka5[*]"));
    QCOMPARE(w.windowFilePath(), file);
  }

  void enablingRulesFollowLayerCountAndPlayback() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    MainWindow& w = *f.form;
    const auto bmp = f.WriteBmp("a.bmp", 8, 8, 2);
    struct Case {
      int layers;
      bool playing;
      bool project, commands, promote_buttons, copy_remove_reset, promote_entries;
    };
    const Case cases[] = {
        {0, false, true, true, false, false, false},
        {1, false, true, true, false, true, false},
        {2, false, true, true, true, true, true},
        {2, true, false, false, false, false, false},
    };
    for (const Case& c : cases) {
      while (f.Anim().LayerCount() < c.layers) f.Add(bmp);
      QCOMPARE(f.Anim().LayerCount(), c.layers);
      if (c.playing) f.Doc().playback().play();
      w.updateControlStates();
      QCOMPARE(f.Find("ProjectButton")->isEnabled(), c.project);
      QCOMPARE(f.Find("LayerCommandsButton")->isEnabled(), c.commands);
      QCOMPARE(f.Find("PromoteLayerButton")->isEnabled(), c.promote_buttons);
      QCOMPARE(f.Find("DemoteLayerButton")->isEnabled(), c.promote_buttons);
      QCOMPARE(f.Action("CopyLayer1")->isEnabled(), c.copy_remove_reset);
      QCOMPARE(f.Action("RemoveLayer1")->isEnabled(), c.copy_remove_reset);
      QCOMPARE(f.Action("ResetAllLayers1")->isEnabled(), c.copy_remove_reset);
      QCOMPARE(f.Action("PromoteLayer1")->isEnabled(), c.promote_entries);
      QCOMPARE(f.Action("DemoteLayer1")->isEnabled(), c.promote_entries);
      QCOMPARE(f.Action("AddLayer1")->isEnabled(), c.project);
    }
    f.Doc().playback().stop();
  }

  void controlHandlersReattachOnlyWhenTheOutermostSuspensionEnds() {
    ControlEvents events;
    QSpinBox edit;
    int changes = 0;
    events.Add([&] { return QObject::connect(&edit, &QSpinBox::valueChanged, [&] { ++changes; }); });
    edit.setValue(1);
    QCOMPARE(changes, 1);
    events.Disable();
    events.Disable();
    edit.setValue(2);
    events.Enable();
    edit.setValue(3);
    QCOMPARE(changes, 1);
    events.Enable();
    edit.setValue(4);
    QCOMPARE(changes, 2);
    // An unmatched enable never connects a handler twice.
    events.Enable();
    edit.setValue(5);
    QCOMPARE(changes, 3);
  }

  void everySecondSplitterNotificationRecentresTheFrame() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    f.Add(f.WriteBmp("a.bmp", 20, 20, 1));  // something to play
    MainWindow& w = *f.form;
    CanvasView& view = f.canvasView();
    const QPoint centred = view.drawOrigin_;
    const QPoint off(-50, -50);
    view.drawOrigin_ = off;
    w.onSplitterMoved();
    QCOMPARE(view.drawOrigin_, off);
    w.onSplitterMoved();
    QCOMPARE(view.drawOrigin_, centred);
    view.drawOrigin_ = off;
    w.onSplitterMoved();
    QCOMPARE(view.drawOrigin_, off);
    // While playing a layout change is only remembered.
    f.Doc().playback().play();
    QVERIFY(f.Doc().playback().isPlaying());
    w.onSplitterMoved();
    QCOMPARE(view.drawOrigin_, off);
    QVERIFY(view.resizePending_);
    f.Doc().playback().stop();
  }

  void displayChecks() {
    const struct {
      QSize size;
      bool refused;
    } sizes[] = {{{800, 600}, false}, {{1920, 1080}, false}, {{640, 480}, true}, {{799, 600}, true}, {{800, 599}, true}};
    for (const auto& c : sizes) {
      const QString text = MainWindow::displaySizeMessage(c.size);
      QCOMPARE(text.isEmpty(), !c.refused);
      if (c.refused)
        QCOMPARE(text, QStringLiteral("This application requires your display settings\rto be set to a minimum of "
                                      "800 x 600 resolution."));
    }
    QVERIFY(MainWindow::colorDepthMessage(32).isEmpty());
    QVERIFY(MainWindow::colorDepthMessage(16).isEmpty());
    QVERIFY(MainWindow::colorDepthMessage(8).startsWith(
        QStringLiteral("Your windows display settings are set to a less than optimal\rcolor mode")));
    QVERIFY(MainWindow::colorDepthMessage(8).endsWith(QStringLiteral("24 Bit TrueColor should be used if possible.")));
  }

  void helpDebugAndAbout() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    MainWindow& w = *f.form;
    w.showHelp();
    QCOMPARE(f.ui.messages, std::vector<std::string>{"Help file missing."});

    // No debugging entry is left for users to find.
    QVERIFY(!w.findChild<QAction*>(QStringLiteral("Debug1")));

    QSize size;
    QString link;
    bool version = false, licence_whole = false, closed_by_ok = false;
    auto seen = AnswerNextModal([&](QWidget* dialog) {
      size = dialog->size();
      for (QLabel* label : dialog->findChildren<QLabel*>()) {
        version |= label->text() == QStringLiteral("Version 1.00");
        // The licence is named, and the fixed-size box leaves room for all
        // of its text.
        if (label->text().contains(QStringLiteral("GPL-3.0-or-later")))
          licence_whole = label->height() >= label->heightForWidth(label->width());
        if (label->text().contains(QStringLiteral("href"))) link = label->text();
      }
      // The link and the buttons answer to their names.
      auto* named_link = dialog->findChild<QLabel*>(QStringLiteral("LinkLabel"));
      if (!named_link || named_link->text() != link) link.clear();
      // The box closes with its OK button.
      auto* buttons = dialog->findChild<QDialogButtonBox*>(QStringLiteral("Buttons"));
      QPushButton* ok = buttons ? buttons->button(QDialogButtonBox::Ok) : nullptr;
      if (!ok || !ok->isVisible()) return;
      QTest::mouseClick(ok, Qt::LeftButton);
      closed_by_ok = !dialog->isVisible();
    });
    f.Action("AboutMenuItem")->trigger();
    QVERIFY(*seen);
    QCOMPARE(size, QSize(400, 300));
    QVERIFY(version);
    QVERIFY(licence_whole);
    QVERIFY(link.contains(AboutDialog::webAddress()));
    QVERIFY(closed_by_ok);
  }

  void closeEntryClosesTheWindow() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    f.Action("Close1")->trigger();
    QVERIFY(!f.form->isVisible());
    QVERIFY(!f.canvasView().updateTimer_->isActive());
  }
};

KT58_APP_TEST(MainFormTest);

#include "main_window_test.moc"
