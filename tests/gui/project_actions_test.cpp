// SPDX-License-Identifier: GPL-3.0-or-later
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDropEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QUrl>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <filesystem>
#include <sstream>

#include "gui/dialogs/startup_dialog.h"
#include "app_test.h"
#include "main_window_fixture.h"
#include "modal_helper.h"
#include "platform/profile_file.h"

using namespace kt58;
using namespace kt58::apptest;
namespace fs = std::filesystem;

namespace {

// Answers the "Save current project?" question with button; then, when
// given, the file dialog that follows with next.
std::shared_ptr<bool> AnswerQuestion(QMessageBox::StandardButton button, QString* text = nullptr,
                                     std::function<void(QWidget*)> next = {}) {
  return AnswerNextModal([=](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    QVERIFY(box);
    if (text) *text = box->text();
    if (next) AnswerNextModal(next);
    box->button(button)->click();
  });
}

void Reject(QWidget* w) { qobject_cast<QDialog*>(w)->reject(); }

// The model as the project file holds it.
std::string Stored(Project& a) {
  std::ostringstream out;
  a.SaveToStream(out);
  return out.str();
}

std::string FileText(const fs::path& path) {
  const auto bytes = test::ReadFileBytes(path);
  return {bytes.begin(), bytes.end()};
}

QString Str(const fs::path& p) { return QString::fromStdString(p.string()); }

// A project file of one picture layer in home.
fs::path WriteProjectWithALayer(const test::TempDir& home, const std::string& name) {
  Project a;
  a.AddLayerFromFile(test::WriteBmpFile(home, name + ".bmp", test::MakeRandomPicture(6, 4, 3)));
  a.SaveToFile(home / name);
  return home / name;
}

}  // namespace

class ProjectCommandsTest : public QObject {
  Q_OBJECT

 private slots:
  void newAsksNothingWithoutLayersAndClearsTheHistory() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    f.Doc().EditAnimation(kMergeFrameCount, QStringLiteral("Frame Count"), [](Project& a) { a.FrameCount = 20; });
    QVERIFY(f.Modified());
    auto asked = AnswerNextModal(Reject, 300);
    f.Action("NewProject1")->trigger();
    QTest::qWait(400);
    QVERIFY(!*asked);
    QCOMPARE(f.Anim().FrameCount, 10);
    QVERIFY(!f.Modified());
    QCOMPARE(f.Doc().UndoStack().count(), 0);
    QCOMPARE(f.form->windowTitle(), QStringLiteral("Untitled[*]"));
  }

  void yesThenCancellingTheSaveDialogKeepsTheProject() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    QVERIFY(f.Add(f.WriteBmp("a.bmp", 8, 6, 1)));
    QString question;
    auto seen = AnswerQuestion(QMessageBox::Yes, &question, Reject);
    f.Action("NewProject1")->trigger();
    QVERIFY(*seen);
    QCOMPARE(question, QStringLiteral("Save current project?"));
    QCOMPARE(f.LayerNames().size(), 1);
    QVERIFY(f.Modified());
    QVERIFY(f.Doc().UndoStack().count() > 0);
    // Cancel keeps it too; No discards it.
    seen = AnswerQuestion(QMessageBox::Cancel);
    f.Action("NewProject1")->trigger();
    QVERIFY(*seen);
    QCOMPARE(f.LayerNames().size(), 1);
    seen = AnswerQuestion(QMessageBox::No);
    f.Action("NewProject1")->trigger();
    QVERIFY(*seen);
    QVERIFY(f.LayerNames().isEmpty());
    QVERIFY(!f.Modified());
    QCOMPARE(f.Doc().UndoStack().count(), 0);
  }

  void saveOfATitledProjectWhoseFileWasDeletedAsksForAName() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    QVERIFY(f.Add(f.WriteBmp("a.bmp", 8, 6, 1)));
    const fs::path first = f.dir.path() / "Projects" / "first.apf";
    FileDialogSeen shown;
    auto seen = ChooseInFileDialog(first, &shown);
    f.Action("SaveProject1")->trigger();  // untitled: Save asks like Save As
    QVERIFY(*seen);
    QVERIFY(fs::equivalent(shown.folder.toStdString(), f.dir / "Projects"));
    QVERIFY(fs::is_regular_file(first));
    QVERIFY(!f.Modified());
    QCOMPARE(f.Find<QLabel>("StatusPanel0")->text(), QStringLiteral("Saved"));
    QCOMPARE(f.Find<QLabel>("StatusPanel1")->text(), QStringLiteral("first.apf"));
    QCOMPARE(f.form->windowTitle(), QStringLiteral("first.apf[*]"));

    // Saved again while the file is there: no dialog.
    f.Doc().EditSelectedLayer(kMergeLayerPosition, QStringLiteral("Move"),
                              [](Layer& a) { a.SetPosition(3, 4); });
    QVERIFY(f.form->isWindowModified());
    auto asked = AnswerNextModal(Reject, 300);
    f.Action("SaveProject1")->trigger();
    QTest::qWait(400);
    QVERIFY(!*asked);
    QVERIFY(!f.Modified());

    fs::remove(first);
    const fs::path second = f.dir.path() / "Projects" / "second.apf";
    seen = ChooseInFileDialog(second);
    f.Action("SaveProject1")->trigger();
    QVERIFY(*seen);
    QVERIFY(fs::is_regular_file(second));
    QCOMPARE(f.Doc().FileName(), Str(second));
    // Each project saved is a recent one at once, the latest first.
    QCOMPARE(f.form->settings().MruList, (std::vector<fs::path>{second, first}));
    QCOMPARE(f.Find<QMenu>("RecentProjectsMenu")->actions().first()->text(), Str(second));
  }

  void aFailedSaveKeepsTheProjectModifiedAndSaysWhy() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    QVERIFY(f.Add(f.WriteBmp("a.bmp", 8, 6, 1)));
    // A folder that is a file stops the write whoever runs the test.
    const fs::path blocker = f.dir.path() / "blocker";
    test::WriteFileBytes(blocker, {'x'});
    const fs::path target = blocker / "project.apf";
    auto seen = ChooseInFileDialog(target);
    QVERIFY(!f.Projects().saveProject(true));
    QVERIFY(*seen);
    QCOMPARE(f.ui.messages.size(), size_t{1});
    QVERIFY2(f.ui.messages[0].find("Cannot save " + target.string()) == 0, f.ui.messages[0].c_str());
    QVERIFY(f.Modified());
    QCOMPARE(f.Find<QLabel>("StatusPanel0")->text(), QStringLiteral("Modified"));
    QVERIFY(f.Doc().FileName().isEmpty());

    // Asked before New, the failed save keeps the project as well.
    seen = AnswerQuestion(QMessageBox::Yes, nullptr, [target](QWidget* w) {
      auto* edit = w->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      QVERIFY(edit);
      edit->setText(Str(target));
      static_cast<QDialog*>(w)->accept();
    });
    f.Action("NewProject1")->trigger();
    QVERIFY(*seen);
    QCOMPARE(f.LayerNames().size(), 1);
    QVERIFY(f.Modified());
  }

  void openEditSaveOpenGivesTheSameModel() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    QVERIFY(f.Add(f.WriteBmp("a.bmp", 8, 6, 1)));
    QVERIFY(f.Add(f.WriteBmp("b.bmp", 5, 9, 2)));
    f.Doc().EditAnimation(kNoMerge, QStringLiteral("Playback"), [](Project& a) { a.NonRenderedPlayback = false; });
    QVERIFY(!f.Anim().NonRenderedPlayback);
    const fs::path path = f.dir.path() / "Projects" / "demo.apf";
    auto seen = ChooseInFileDialog(path);
    QVERIFY(f.Projects().saveProject(true));
    QVERIFY(*seen);

    f.Action("NewProject1")->trigger();
    FileDialogSeen shown;
    seen = ChooseInFileDialog(path, &shown);
    f.Action("OpenProject1")->trigger();
    QVERIFY(*seen);
    QCOMPARE(f.Doc().FileName(), Str(path));
    QCOMPARE(f.LayerNames().size(), 2);
    // Opened projects play without rendering, whatever they stored.
    QVERIFY(f.Anim().NonRenderedPlayback);
    QVERIFY(f.animationProperties().findChild<QCheckBox*>(QStringLiteral("cbrtPlayback"))->isChecked());
    QVERIFY(f.Doc().sequence().Sequenced());
    QVERIFY(!f.Modified());
    QCOMPARE(f.Doc().UndoStack().count(), 0);
    QCOMPARE(f.form->windowTitle(), QStringLiteral("demo.apf[*]"));
    QCOMPARE(f.form->settings().MruList.front(), path);
    QCOMPARE(f.Find<QMenu>("RecentProjectsMenu")->actions().first()->text(), Str(path));

    f.Doc().EditSelectedLayer(kMergeLayerPosition, QStringLiteral("Move"),
                              [](Layer& a) { a.SetPosition(7, 2); });
    QVERIFY(f.Projects().saveProject(false));
    const std::string saved = Stored(f.Anim());
    QCOMPARE(FileText(path), saved);
    QVERIFY(f.Projects().openProject(path));
    QCOMPARE(Stored(f.Anim()), saved);
    QCOMPARE(f.Doc().SelectedLayer()->OffsetX, 7);

    // On a first run the open dialog starts in the program folder itself;
    // then in the folder of the last opened project.
    QVERIFY(fs::equivalent(shown.folder.toStdString(), f.dir.path()));
    QCOMPARE(f.form->settings().LastProjectDir, path.parent_path());
  }

  void aProjectDroppedOnTheViewOpensInsteadOfBecomingALayer() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    const fs::path path = f.dir / "dropped.apf";
    {
      Project a;
      QVERIFY(a.AddLayerFromFile(f.WriteBmp("e.bmp", 6, 4, 5)));
      QVERIFY(a.AddLayerFromFile(f.WriteBmp("g.bmp", 3, 4, 6)));
      a.SaveToFile(path);
    }
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(Str(path))});
    // As a drag does: the drop goes to the widget that took the drag's entry.
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f.Box(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f.Box(), &drop);
    QVERIFY(drop.isAccepted());
    QVERIFY(QTest::qWaitFor([&f, &path] { return f.Doc().FileName() == Str(path); }));
    QCOMPARE(f.LayerNames().size(), 2);
  }

  void aDamagedProjectLeavesAnEmptyUntitledOne() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    QVERIFY(f.Add(f.WriteBmp("a.bmp", 8, 6, 1)));
    const fs::path damaged = f.dir.path() / "damaged.apf";
    test::WriteFileBytes(damaged, {'n', 'o'});
    QVERIFY(!f.Projects().openProject(damaged));
    QVERIFY(!f.ui.messages.empty());
    QVERIFY(f.LayerNames().isEmpty());
    QVERIFY(f.Doc().FileName().isEmpty());
    QVERIFY(!f.Modified());
    QVERIFY(f.form->settings().MruList.empty() || f.form->settings().MruList.front() != damaged);
  }

  void closingAsksAndCancelKeepsTheWindowAndTheSettings() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    QVERIFY(f.Add(f.WriteBmp("a.bmp", 8, 6, 1)));
    const std::string before = FileText(app::SettingsFilePath());
    auto seen = AnswerQuestion(QMessageBox::Cancel);
    QVERIFY(!f.form->close());
    QVERIFY(*seen);
    QVERIFY(f.form->isVisible());
    QCOMPARE(FileText(app::SettingsFilePath()), before);

    // Ctrl+Q goes through the same question.
    seen = AnswerQuestion(QMessageBox::No);
    f.form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
    QTest::keyClick(f.form.get(), Qt::Key_Q, Qt::ControlModifier);
    QVERIFY(*seen);
    QVERIFY(!f.form->isVisible());
    const ProfileFile saved = ProfileFile::Load(app::SettingsFilePath());
    QCOMPARE(saved.ReadInteger("WINDOW", "Width", -1), f.form->width());
    QCOMPARE(saved.ReadBool("STARTUP", "StartDialogOn", true), false);
  }

  void aMaximisedCloseWritesNoPosition() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    f.form->showMaximized();
    QVERIFY(QTest::qWaitFor([&f] { return f.form->isMaximized(); }));
    QVERIFY(f.form->close());
    const std::string text = FileText(app::SettingsFilePath());
    const ProfileFile saved = ProfileFile::Load(app::SettingsFilePath());
    QCOMPARE(saved.ReadBool("WINDOW", "Maximized", false), true);
    for (const char* key : {"Left", "Top", "Width", "Height"})
      QVERIFY2(saved.ReadInteger("WINDOW", key, -12345) == -12345, key);
    QVERIFY(text.find("Maximized=1") != std::string::npos);
  }

  void theProjectNamedOnTheCommandLineOpensInsteadOfTheStartUpDialog() {
    test::TempDir home;
    const fs::path path = WriteProjectWithALayer(home, "given.apf");
    const MainWindowOptions options{false, 0, path};
    // No settings file: the start-up dialog would be on.
    auto dialog = AnswerNextModal(Reject, 500);
    MainFormFixture f(options, "");
    QVERIFY(f.Ready());
    QTest::qWait(600);  // the watcher is gone before the next test
    QVERIFY(!*dialog);
    QCOMPARE(f.Doc().FileName(), Str(path));
    QCOMPARE(f.LayerNames().size(), 1);
    QCOMPARE(f.form->windowTitle(), QStringLiteral("given.apf[*]"));
  }

  void theStartUpDialogOpensTheChosenRecentProject() {
    test::TempDir home;
    const fs::path path = WriteProjectWithALayer(home, "recent.apf");
    auto seen = AnswerNextModal([](QWidget* w) {
      auto* form = qobject_cast<StartupDialog*>(w);
      QVERIFY(form);
      QVERIFY(form->openRadio_->isChecked());
      QTest::mouseClick(form->okButton_, Qt::LeftButton);
    });
    MainFormFixture f({false, 0, {}}, "[STARTUP]\nStartDialogOn=1\n[MRU]\nMruCount=1\nMru0001=" + path.string() + "\n");
    QVERIFY(f.Ready());
    QVERIFY(*seen);
    QCOMPARE(f.Doc().FileName(), Str(path));
  }
};

KT58_APP_TEST(ProjectCommandsTest);

#include "project_actions_test.moc"
