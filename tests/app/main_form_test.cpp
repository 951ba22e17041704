#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include "app_test.h"
#include "engine/picture.h"
#include "main_form_fixture.h"
#include "modal_helper.h"

using namespace kt58::apptest;

class MainFormTest : public QObject {
  Q_OBJECT

 private slots:
  void opensWithTheDescribedLayoutAndAFreshStatusLine() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    TMainForm& w = *f.form;
    QCOMPARE(w.size(), QSize(626, 560));
    QCOMPARE(w.minimumSize(), QSize(585, 560));
    QCOMPARE(w.ProjectButton->size(), QSize(126, 23));
    QCOMPARE(w.StatusPanel0->width(), 300);
    QCOMPARE(w.StatusPanel1->width(), 50);
    QCOMPARE(w.DataPanel->height(), 20);
    QCOMPARE(w.VideoPanel->width(), 328);
    QCOMPARE(w.PageControl1->tabText(0), QStringLiteral("Layers"));
    QCOMPARE(w.lvLayers->headerItem()->text(0), QStringLiteral("Name"));
    QCOMPARE(w.lvLayers->headerItem()->text(1), QStringLiteral("Type"));
    QCOMPARE(w.lvLayers->headerItem()->text(2), QStringLiteral("Size"));
    QCOMPARE(w.DataPanel->text(), QStringLiteral("Size : [0 x 0]  Max : 0.00"));
    QCOMPARE(w.StatusPanel0->text(), QString());
    QVERIFY(w.Debug1->isVisible());
    QCOMPARE(w.ControlEventsDisabled, 0);
    // The program folder gets its Projects and Output folders.
    QVERIFY(std::filesystem::is_directory(f.dir / "Projects"));
    QVERIFY(std::filesystem::is_directory(f.dir / "Output"));
    QCOMPARE(w.LastBmpDir, f.dir / "Output");
    // The frame of a project without layers is centred as a point.
    QCOMPARE(w.DrawOrigin, QPoint(w.pbConstr->width() / 2, w.pbConstr->height() / 2));
  }

  void statusLineShowsFramesSizeFixedAndRates() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    TMainForm& w = *f.form;
    w.AddLayerFromFile(f.WriteBmp("logo.bmp", 40, 30, 1));
    QCOMPARE(static_cast<int>(w.Animation->Frames.size()), 10);
    QCOMPARE(w.DataPanel->text(), QStringLiteral("Frame : 000 of 010,  Size : [40 x 30]  Max : 0.00"));
    w.Animation->CurrentFrameIndex = 9;
    w.Animation->FixedFrameSize = true;
    w.Animation->FixedWidth = 64;
    w.Animation->FixedHeight = 48;
    w.Animation->Playing = true;
    w.Fps = 12.5;
    w.MaxFps = 99.126;
    w.UpdateStatusLine();
    QCOMPARE(w.DataPanel->text(), QStringLiteral("Frame : 009 of 010,  Size : [64 x 48] Fixed  FPS : 12.50  Max : 99.13"));
    w.Animation->Playing = false;
  }

  void statusPanelsFollowModifiedStatusAndProjectName() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    TMainForm& w = *f.form;
    w.SetModified(true);
    QVERIFY(w.Modified);
    QCOMPARE(w.StatusPanel0->text(), QStringLiteral("Modified"));
    w.SetModified(false);
    QCOMPARE(w.StatusPanel0->text(), QString());
    // The animation's status texts land in panel 0.
    w.Animation->DoStatus("Resequence Complete");
    QCOMPARE(w.StatusPanel0->text(), QStringLiteral("Resequence Complete"));
    w.Animation->FileName = (f.dir / "Projects" / "walk cycle.ka5").string();
    w.ShowProjectName();
    QCOMPARE(w.StatusPanel1->text(), QStringLiteral("walk cycle.ka5"));
  }

  void enablingRulesFollowLayerCountAndPlayback() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    TMainForm& w = *f.form;
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
      while (w.Animation->LayerCount() < c.layers) w.AddLayerFromFile(bmp);
      QCOMPARE(w.Animation->LayerCount(), c.layers);
      w.Animation->Playing = c.playing;
      w.UpdateControlStates();
      QCOMPARE(w.ProjectButton->isEnabled(), c.project);
      QCOMPARE(w.LayerCommandsButton->isEnabled(), c.commands);
      QCOMPARE(w.PromoteLayerButton->isEnabled(), c.promote_buttons);
      QCOMPARE(w.DemoteLayerButton->isEnabled(), c.promote_buttons);
      QCOMPARE(w.CopyLayer1->isEnabled(), c.copy_remove_reset);
      QCOMPARE(w.RemoveLayer1->isEnabled(), c.copy_remove_reset);
      QCOMPARE(w.ResetAllLayers1->isEnabled(), c.copy_remove_reset);
      QCOMPARE(w.PromoteLayer1->isEnabled(), c.promote_entries);
      QCOMPARE(w.DemoteLayer1->isEnabled(), c.promote_entries);
    }
    w.Animation->Playing = false;
  }

  void controlHandlersReattachOnlyWhenTheOutermostSuspensionEnds() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    TMainForm& w = *f.form;
    QSpinBox edit;
    int changes = 0;
    w.AddControlHandler([&] { return QObject::connect(&edit, &QSpinBox::valueChanged, [&] { ++changes; }); });
    edit.setValue(1);
    QCOMPARE(changes, 1);
    w.DisableControlEvents();
    w.DisableControlEvents();
    edit.setValue(2);
    w.EnableControlEvents();
    edit.setValue(3);
    QCOMPARE(changes, 1);
    w.EnableControlEvents();
    edit.setValue(4);
    QCOMPARE(changes, 2);
    // An unmatched enable never connects a handler twice.
    w.EnableControlEvents();
    edit.setValue(5);
    QCOMPARE(changes, 3);
  }

  void everySecondSplitterNotificationRecentresTheFrame() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    TMainForm& w = *f.form;
    const QPoint centred = w.DrawOrigin;
    const QPoint off(-50, -50);
    w.DrawOrigin = off;
    w.Splitter1Moved();
    QCOMPARE(w.DrawOrigin, off);
    w.Splitter1Moved();
    QCOMPARE(w.DrawOrigin, centred);
    w.DrawOrigin = off;
    w.Splitter1Moved();
    QCOMPARE(w.DrawOrigin, off);
    // While playing a layout change is only remembered.
    w.Animation->Playing = true;
    w.Splitter1Moved();
    QCOMPARE(w.DrawOrigin, off);
    QVERIFY(w.ResizePending);
    w.Animation->Playing = false;
  }

  void displayChecks() {
    const struct {
      QSize size;
      bool refused;
    } sizes[] = {{{800, 600}, false}, {{1920, 1080}, false}, {{640, 480}, true}, {{799, 600}, true}, {{800, 599}, true}};
    for (const auto& c : sizes) {
      const QString text = TMainForm::DisplaySizeMessage(c.size);
      QCOMPARE(text.isEmpty(), !c.refused);
      if (c.refused)
        QCOMPARE(text, QStringLiteral("This application requires your display settings\rto be set to a minimum of "
                                      "800 x 600 resolution."));
    }
    QVERIFY(TMainForm::ColorDepthMessage(32).isEmpty());
    QVERIFY(TMainForm::ColorDepthMessage(16).isEmpty());
    QVERIFY(TMainForm::ColorDepthMessage(8).startsWith(
        QStringLiteral("Your windows display settings are set to a less than optimal\rcolor mode")));
    QVERIFY(TMainForm::ColorDepthMessage(8).endsWith(QStringLiteral("24 Bit TrueColor should be used if possible.")));
  }

  void helpDebugAndAbout() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    TMainForm& w = *f.form;
    w.Help1Click();
    QCOMPARE(f.ui.messages, std::vector<std::string>{"Help file missing."});

    // Ctrl+F10 shows the count of live pictures.
    kt58::WorkPicture held = kt58::CreateSizedPicture24(4, 4);
    const std::string expected = std::to_string(kt58::LivePictureCount());
    w.activateWindow();
    QTest::keyClick(&w, Qt::Key_F10, Qt::ControlModifier);
    kt58::FreeWorkPicture(held);
    QCOMPARE(f.ui.messages.size(), size_t{2});
    QCOMPARE(f.ui.messages.back(), expected);

    QSize size;
    QString link;
    bool version = false;
    auto seen = AnswerNextModal([&](QWidget* dialog) {
      size = dialog->size();
      for (QLabel* label : dialog->findChildren<QLabel*>()) {
        version |= label->text() == QStringLiteral("Version 1.00");
        if (label->text().contains(QStringLiteral("href"))) link = label->text();
      }
    });
    w.AboutMenuItem->trigger();
    QVERIFY(*seen);
    QCOMPARE(size, QSize(400, 300));
    QVERIFY(version);
    QVERIFY(link.contains(TAboutForm::WebAddress()));
  }

  void closeEntryClosesTheWindow() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    f.form->Close1->trigger();
    QVERIFY(!f.form->isVisible());
    QVERIFY(!f.form->UpdateTimer->isActive());
  }
};

KT58_APP_TEST(MainFormTest);

#include "main_form_test.moc"
