// SPDX-License-Identifier: GPL-3.0-or-later
#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <filesystem>
#include <iterator>

#include "gui/dialogs/startup_dialog.h"
#include "app_test.h"
#include "modal_helper.h"
#include "platform/program_folder.h"
#include "shown_messages.h"
#include "support/test_support.h"

using namespace kt58;
using namespace kt58::apptest;
namespace fs = std::filesystem;

namespace {

const char kSelectFirst[] = "Please select a file to open or\rclick the Browse button to locate a file.";

app::RecentList TwoProjects() { return {"/work/Projects/first.apf", "/work/second.apf"}; }

// Shows the form (as exec would) and waits until it is on screen.
bool Shown(StartupDialog& form) {
  form.show();
  return QTest::qWaitForWindowExposed(&form);
}

fs::path WriteProject(const fs::path& path) {
  fs::create_directories(path.parent_path());
  test::WriteFileBytes(path, {'a', 'p', 'f'});
  return path;
}

}  // namespace

class StartUpMruFormTest : public QObject {
  Q_OBJECT

 private slots:
  void controlsAndTexts() {
    StartupDialog form(TwoProjects());
    QCOMPARE(form.windowTitle(), QStringLiteral("kt58 Animator"));
    QCOMPARE(form.createRadio_->text(), QStringLiteral("Create a new animation project."));
    QCOMPARE(form.openRadio_->text(), QStringLiteral("Open an existing animation project"));
    QCOMPARE(form.okButton_->text(), QStringLiteral("Ok"));
    QCOMPARE(form.browseButton_->text(), QStringLiteral("Browse..."));
    QCOMPARE(form.keepOnCheck_->text(), QStringLiteral("Do not show this dialog on start up."));
    QVERIFY(!form.keepOnCheck_->isChecked());
    QVERIFY(form.createRadio_->isChecked());
    QCOMPARE(form.recentList_->count(), 2);
    QCOMPARE(form.recentList_->item(1)->text(), QStringLiteral("/work/second.apf"));
    QVERIFY(Shown(form));
    QCOMPARE(form.recentList_->visualItemRect(form.recentList_->item(0)).height(), 16);
    QCOMPARE(form.minimumSize(), form.maximumSize());  // a fixed dialog
  }

  // Scripts and accessibility tools know the controls by these names: each
  // control has its own, and none is left without one.
  void everyControlAnswersToItsName() {
    StartupDialog form(TwoProjects());
    const struct {
      const char* name;
      const char* kind;
      const char* text;
    } controls[] = {
        {"rbCreate", "QRadioButton", "Create a new animation project."},
        {"rbOpen", "QRadioButton", "Open an existing animation project"},
        {"lbFiles", "QListWidget", nullptr},
        {"OkButton", "QPushButton", "Ok"},
        {"BrowseButton", "QPushButton", "Browse..."},
        {"cbKeepOn", "QCheckBox", "Do not show this dialog on start up."},
    };
    for (const auto& c : controls) {
      const QList<QWidget*> named = form.findChildren<QWidget*>(QString::fromLatin1(c.name));
      QVERIFY2(named.size() == 1, c.name);
      QCOMPARE(named.first()->metaObject()->className(), c.kind);
      if (c.text) QCOMPARE(named.first()->property("text").toString(), QString::fromLatin1(c.text));
    }
    const QList<QWidget*> all = form.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    QCOMPARE(all.size(), static_cast<qsizetype>(std::size(controls)));
    for (const QWidget* w : all) QVERIFY2(!w->objectName().isEmpty(), w->metaObject()->className());
  }

  void openingChoosesTheFirstRecentProjectWhenThereIsOne() {
    {
      StartupDialog form(TwoProjects());
      QVERIFY(Shown(form));
      QVERIFY(form.openRadio_->isChecked());
      QCOMPARE(form.recentList_->currentRow(), 0);
      QCOMPARE(form.recentList_->selectedItems().size(), 1);
    }
    {
      StartupDialog form(app::RecentList{});
      QVERIFY(Shown(form));
      QVERIFY(form.createRadio_->isChecked());
      QVERIFY(form.recentList_->selectedItems().isEmpty());
    }
  }

  void okNeedsASelectedRowOnlyWhenOpening() {
    ShownMessages ui;
    {
      StartupDialog form(TwoProjects());
      QVERIFY(Shown(form));
      form.recentList_->clearSelection();
      QTest::mouseClick(form.okButton_, Qt::LeftButton);
      QCOMPARE(ui.messages, std::vector<std::string>{kSelectFirst});
      QVERIFY(form.isVisible());
      QCOMPARE(form.result(), int(QDialog::Rejected));

      form.createRadio_->setChecked(true);  // creating needs no row
      QTest::mouseClick(form.okButton_, Qt::LeftButton);
      QCOMPARE(form.result(), int(QDialog::Accepted));
      QVERIFY(form.ProjectToOpen().empty());
    }
    {
      StartupDialog form(TwoProjects());
      QVERIFY(Shown(form));
      form.recentList_->setCurrentRow(1);
      QTest::mouseClick(form.okButton_, Qt::LeftButton);
      QCOMPARE(form.result(), int(QDialog::Accepted));
      QCOMPARE(QString::fromStdString(form.ProjectToOpen().string()), QStringLiteral("/work/second.apf"));
    }
    QCOMPARE(ui.messages.size(), size_t{1});
  }

  void doubleClickOnARowOpensIt() {
    StartupDialog form(TwoProjects());
    QVERIFY(Shown(form));
    const QRect row = form.recentList_->visualItemRect(form.recentList_->item(1));
    QTest::mouseClick(form.recentList_->viewport(), Qt::LeftButton, Qt::NoModifier, row.center());
    QTest::mouseDClick(form.recentList_->viewport(), Qt::LeftButton, Qt::NoModifier, row.center());
    QCOMPARE(form.result(), int(QDialog::Accepted));
    QCOMPARE(QString::fromStdString(form.ProjectToOpen().string()), QStringLiteral("/work/second.apf"));
  }

  void browsingStartsInProjectsAndTheChosenFileWinsWhenOpening() {
    test::TempDir home;
    const fs::path chosen = WriteProject(ProgramFolder() / "Projects" / "picked.apf");
    StartupDialog form(TwoProjects());
    QVERIFY(Shown(form));
    FileDialogSeen shown;
    auto seen = ChooseInFileDialog(chosen, &shown);
    QTest::mouseClick(form.browseButton_, Qt::LeftButton);
    QVERIFY(*seen);
    QCOMPARE(shown.folder, QString::fromStdString((ProgramFolder() / "Projects").string()));
    QCOMPARE(form.result(), int(QDialog::Accepted));
    QCOMPARE(QString::fromStdString(form.ProjectToOpen().string()), QString::fromStdString(chosen.string()));
  }

  void browsingWithoutAProjectsFolderStartsInTheProgramFolder() {
    test::TempDir home;
    const fs::path chosen = WriteProject(ProgramFolder() / "loose.apf");
    StartupDialog form(app::RecentList{});
    QVERIFY(Shown(form));
    FileDialogSeen shown;
    auto seen = ChooseInFileDialog(chosen, &shown);
    QTest::mouseClick(form.browseButton_, Qt::LeftButton);
    QVERIFY(*seen);
    QCOMPARE(fs::path(shown.folder.toStdString()), ProgramFolder().parent_path());
    // In "create" mode the chosen file ends the dialog but is not opened.
    QCOMPARE(form.result(), int(QDialog::Accepted));
    QCOMPARE(QString::fromStdString(form.chosenFile_.string()), QString::fromStdString(chosen.string()));
    QVERIFY(form.ProjectToOpen().empty());
  }

  void cancellingTheBrowseDialogKeepsTheStartUpDialogOpen() {
    test::TempDir home;
    StartupDialog form(TwoProjects());
    QVERIFY(Shown(form));
    auto seen = AnswerNextModal([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    QTest::mouseClick(form.browseButton_, Qt::LeftButton);
    QVERIFY(*seen);
    QVERIFY(form.isVisible());
    QVERIFY(form.chosenFile_.empty());
  }

  void theShowAgainSwitchChangesOnlyWithOk() {
    const struct {
      bool tick, ok;
      bool start_dialog_on;
      const char* project;
    } cases[] = {
        {true, true, false, "/work/Projects/first.apf"},
        {false, true, true, "/work/Projects/first.apf"},
        {true, false, true, ""},  // closed with the window's close box
    };
    for (const auto& c : cases) {
      bool start_dialog_on = true;
      auto seen = AnswerNextModal([&c](QWidget* w) {
        auto* form = qobject_cast<StartupDialog*>(w);
        QVERIFY(form);
        form->keepOnCheck_->setChecked(c.tick);
        if (c.ok)
          QTest::mouseClick(form->okButton_, Qt::LeftButton);
        else
          form->close();
      });
      const fs::path project = runStartupDialog(TwoProjects(), start_dialog_on);
      QVERIFY(*seen);
      QCOMPARE(start_dialog_on, c.start_dialog_on);
      QCOMPARE(QString::fromStdString(project.string()), QString::fromLatin1(c.project));
    }
  }
};

KT58_APP_TEST(StartUpMruFormTest);

#include "startup_dialog_test.moc"
