// SPDX-License-Identifier: GPL-3.0-or-later
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QSpinBox>
#include <QSet>
#include <QTest>
#include <QToolButton>

#include "app_test.h"
#include "main_window_fixture.h"
#include "modal_helper.h"

using namespace kt58::apptest;

namespace {

QStringList Titles(const QList<QAction*>& actions) {
  QStringList titles;
  for (const QAction* a : actions) titles << (a->isSeparator() ? QStringLiteral("-") : a->text());
  return titles;
}

}  // namespace

class MenuBarTest : public QObject {
  Q_OBJECT

 private slots:
  void menusBesideTheProjectButtonWithTheDesktopsShortcuts() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    auto* bar = f.Find<QMenuBar>("MainMenu");
    auto* project = f.Find<QToolButton>("ProjectButton");
    QVERIFY(bar->isVisible());
    QCOMPARE(bar->parentWidget(), project->parentWidget());
    QVERIFY(bar->x() >= project->geometry().right());
    QCOMPARE(Titles(bar->actions()), QStringList({"&File", "&Edit", "&Layer", "&Help"}));
    QCOMPARE(Titles(f.Find<QMenu>("EditMenu")->actions()), QStringList({"Undo", "Redo"}));
    QCOMPARE(Titles(f.Find<QMenu>("LayerMenu")->actions()),
             QStringList({"Add Layer...", "-", "Copy Layer", "Remove layer", "Promote layer", "Demote layer", "-",
                          "Reset all layers"}));
    QCOMPARE(Titles(f.Find<QMenu>("HelpMenu")->actions()), QStringList({"Help", "About kt58 Animator..."}));
    const QStringList file = Titles(f.Find<QMenu>("FileMenu")->actions());
    for (const char* entry : {"New Project", "Open Project", "Save Project", "Save Project As...", "Recent Projects",
                              "Save as Animated Gif...", "Save as Bitmap Sequence...", "Save Single Frame as...",
                              "Save As AVI Video...", "Quit"})
      QVERIFY2(file.contains(QString::fromLatin1(entry)), entry);

    struct Entry {
      const char* action;
      QKeySequence::StandardKey key;
      bool enabled;  // the exports wait for their windows
    };
    for (const Entry& e : {Entry{"NewProject1", QKeySequence::New, true}, Entry{"OpenProject1", QKeySequence::Open, true},
                           Entry{"SaveProject1", QKeySequence::Save, true},
                           Entry{"Undo1", QKeySequence::Undo, false},
                           Entry{"Help1", QKeySequence::HelpContents, true}}) {
      QAction* a = f.Action(e.action);
      QCOMPARE(a->shortcut(), QKeySequence(e.key));
      QVERIFY2(a->isEnabled() == e.enabled, e.action);
    }
    // Keys of their own where a platform theme may have none, and both
    // redo habits.
    const struct {
      const char* action;
      QList<QKeySequence> keys;
    } own_keys[] = {
        {"Quit1", {QKeySequence(Qt::CTRL | Qt::Key_Q)}},
        {"SaveProjectAs1", {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)}},
        {"Redo1", {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}},
        {"CreateGif1", {QKeySequence(Qt::CTRL | Qt::Key_G)}},
        {"CreateBitmapSequence1", {QKeySequence(Qt::CTRL | Qt::Key_B)}},
        {"SaveSingleFrame1", {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F)}},
        {"SaveAsAvi1", {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A)}},
        {"SaveAsVideo1", {QKeySequence(Qt::CTRL | Qt::Key_E)}},
        {"RemoveLayer1", {QKeySequence(Qt::Key_Delete)}},
    };
    for (const auto& k : own_keys) QVERIFY2(f.Action(k.action)->shortcuts() == k.keys, k.action);
    // Every key belongs to one entry.
    QSet<QString> taken;
    for (const QAction* a : f.form->findChildren<QAction*>())
      for (const QKeySequence& key : a->shortcuts()) {
        const QString text = key.toString() + QLatin1Char(' ') + QString::number(a->shortcutContext());
        QVERIFY2(!taken.contains(text), qPrintable(text + " " + a->objectName()));
        taken.insert(text);
      }
    for (const char* exported : {"CreateGif1", "CreateBitmapSequence1", "SaveSingleFrame1", "SaveAsAvi1", "SaveAsVideo1"})
      QVERIFY2(!f.Action(exported)->isEnabled(), exported);
    // The Project button's menu offers the same entries, in its own order.
    QStringList popup;
    for (const QAction* a : f.Find<QMenu>("ProjectPopup")->actions())
      popup << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
    QCOMPARE(popup, QStringList({"NewProject1", "OpenProject1", "SaveProject1", "SaveProjectAs1", "-", "CreateGif1",
                                 "CreateBitmapSequence1", "SaveSingleFrame1", "SaveAsAvi1", "SaveAsVideo1", "-", "Help1",
                                 "Close1", "AboutMenuItem"}));
  }

  void undoAndRedoFromTheKeyboardAndTheMenu() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    f.form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
    f.Add(f.WriteBmp("a.bmp", 10, 10, 1));
    f.Find<QSpinBox>("spFrameCount")->setValue(30);
    QAction* undo = f.Action("Undo1");
    QVERIFY(undo->isEnabled());
    QCOMPARE(undo->text(), QStringLiteral("Undo Total Frames"));
    QTest::keySequence(f.form.get(), QKeySequence::Undo);
    QCOMPARE(f.Anim().FrameCount, 10);
    QTest::keyClick(f.form.get(), Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(f.Anim().FrameCount, 30);
    QTest::keySequence(f.form.get(), QKeySequence::Undo);
    QTest::keyClick(f.form.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(f.Anim().FrameCount, 30);
    undo->trigger();
    undo->trigger();
    QCOMPARE(f.Anim().LayerCount(), 0);
    QVERIFY(!undo->isEnabled());
    QVERIFY(!f.Modified());
    f.Action("Redo1")->trigger();
    QCOMPARE(f.RowNames(), QStringList({"a_1"}));
  }

  void addLayerOffersTheFileTypesLayersAreMadeOf() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    const QString filter = MainWindow::layerFileFilter();
    for (const char* pattern : {"*.bmp", "*.jpg", "*.gif", "*.avi", "*.BMP"})
      QVERIFY2(filter.section(QStringLiteral(";;"), 0, 0).contains(QString::fromLatin1(pattern)), pattern);
    QVERIFY(!filter.contains(QStringLiteral("*.png")));

    const auto picture = f.WriteBmp("logo.bmp", 12, 9, 2);
    FileDialogSeen shown;
    auto seen = ChooseInFileDialog(picture, &shown);
    f.Action("AddLayer1")->trigger();
    QVERIFY(*seen);
    QVERIFY(!shown.filters.isEmpty());
    QCOMPARE(shown.filters.first(), filter.section(QStringLiteral(";;"), 0, 0));
    QCOMPARE(f.RowNames(), QStringList({"logo_1"}));
    QVERIFY(f.Modified());
  }
};

KT58_APP_TEST(MenuBarTest);

#include "menu_bar_test.moc"
