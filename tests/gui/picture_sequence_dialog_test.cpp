// SPDX-License-Identifier: GPL-3.0-or-later
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>

#include "gui/dialogs/picture_sequence_dialog.h"
#include "app_test.h"
#include "export_fixture.h"
#include "support/test_support.h"

using namespace kt58::apptest;
namespace fs = std::filesystem;

namespace {

QStringList Column(const QTreeWidget* list, int column) {
  QStringList texts;
  for (int i = 0; i < list->topLevelItemCount(); ++i) texts << list->topLevelItem(i)->text(column);
  return texts;
}

}  // namespace

class BitmapSeqFormTest : public QObject {
  Q_OBJECT

 private slots:
  void listFollowsPatternAndStart() {
    ExportFixture f(12, 6, 4);
    PictureSequenceDialog form(f.Doc());
    QCOMPARE(form.windowTitle(), QStringLiteral("Bitmap Sequencer"));
    struct Case {
      const char* pattern;
      int start;
      QStringList first_names;  // the first rows
      int rows;
      bool warned;
    };
    const Case cases[] = {
        {"###", 0, {"000.Bmp", "001.Bmp"}, 12, false},
        {"img#", 10, {"img10.Bmp", "img11.Bmp"}, 12, false},
        {"still.jpg", 0, {"still.Bmp", "still.Bmp"}, 12, true},
        {"", 0, {}, 0, false},
    };
    for (const Case& c : cases) {
      form.startAtSpin_->setValue(c.start);
      form.fileNameEdit_->setText(QString::fromLatin1(c.pattern));
      const QStringList names = Column(form.fileList_, 0);
      QCOMPARE(names.size(), c.rows);
      QCOMPARE(names.mid(0, c.first_names.size()), c.first_names);
      QCOMPARE(form.noNumberLabel_->isVisibleTo(&form), c.warned);
      if (c.rows) QCOMPARE(Column(form.fileList_, 1), QStringList(c.rows, QStringLiteral("Waiting...")));
    }
    form.fileNameEdit_->setText(QStringLiteral("###"));
    QCOMPARE(Column(form.fileList_, 0).last(), QStringLiteral("011.Bmp"));
    // A typed value below the range comes back to 0.
    form.startAtSpin_->setValue(-5);
    QCOMPARE(form.startAtSpin_->value(), 0);
  }

  void commandWritesTheFilesAndRemembersTheFolder() {
    ExportFixture f(3, 6, 4);
    QVERIFY(f.Ready());
    const fs::path out = f.dir / "seq";
    fs::create_directory(out);
    QStringList statuses;
    QString folder_shown;
    auto seen = AnswerNextModal([&](QWidget* modal) {
      auto* form = qobject_cast<PictureSequenceDialog*>(modal);
      if (!form) return;
      folder_shown = form->folderEdit_->text();
      form->setSaveFolder(out);
      form->fileNameEdit_->setText(QStringLiteral("f##"));
      QTest::mouseClick(form->createButton_, Qt::LeftButton);
      statuses = Column(form->fileList_, 1);
      form->accept();
    });
    const QString before = QString::fromStdString(f.form->settings().LastBmpDir.string());
    QVERIFY(!before.isEmpty());
    f.Action("CreateBitmapSequence1")->trigger();
    QVERIFY(*seen);
    // The window opened on the folder remembered from before.
    QCOMPARE(folder_shown, before);
    QCOMPARE(statuses, QStringList(3, QStringLiteral("Saved.")));
    for (const char* name : {"f00.Bmp", "f01.Bmp", "f02.Bmp"})
      QCOMPARE(QImage(QString::fromStdString((out / name).string())).size(), QSize(6, 4));
    QCOMPARE(f.form->settings().LastBmpDir, out);
    QVERIFY(f.ui.messages.empty());
  }

  // A folder typed in the box is where the files go; one that is not there
  // is said, and nothing is written.
  void aTypedFolderTakesTheFilesAndAMissingOneIsSaid() {
    ExportFixture f(2, 6, 4);
    QVERIFY(f.Ready());
    const fs::path out = f.dir / "typed";
    fs::create_directory(out);
    PictureSequenceDialog form(f.Doc());
    form.show();
    form.folderEdit_->setFocus();
    form.folderEdit_->selectAll();
    QTest::keyClicks(form.folderEdit_, QString::fromStdString((f.dir / "missing").string()));
    QTest::mouseClick(form.createButton_, Qt::LeftButton);
    QCOMPARE(f.ui.messages.size(), size_t{1});
    QVERIFY2(f.ui.messages[0].rfind("There is no folder ", 0) == 0, f.ui.messages[0].c_str());
    QVERIFY(!fs::exists(f.dir / "missing"));
    form.folderEdit_->selectAll();
    QTest::keyClicks(form.folderEdit_, QString::fromStdString(out.string()));
    QTest::mouseClick(form.createButton_, Qt::LeftButton);
    QCOMPARE(Column(form.fileList_, 1), QStringList(2, QStringLiteral("Saved.")));
    QCOMPARE(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 2);
    QCOMPARE(f.ui.messages.size(), size_t{1});
  }

  // Files the disk refuses: every row says "Error.", the folder keeps the
  // files it had, and a message says why.
  void aRefusedSequenceSaysWhyAndKeepsTheFolder() {
    ExportFixture f(3, 60, 40);
    QVERIFY(f.Ready());
    const fs::path out = f.dir / "seq";
    fs::create_directory(out);
    kt58::test::WriteFileBytes(out / "000.Bmp", {'o', 'l', 'd'});
    PictureSequenceDialog form(f.Doc());
    form.setSaveFolder(out);
    {
      // Each 60 x 40 frame takes 7,254 bytes: none fits.
      const kt58::test::FileSizeLimit limit(4096);
      QTest::mouseClick(form.createButton_, Qt::LeftButton);
    }
    QCOMPARE(Column(form.fileList_, 1), QStringList(3, QStringLiteral("Error.")));
    QCOMPARE(kt58::test::ReadFileBytes(out / "000.Bmp"), (std::vector<uint8_t>{'o', 'l', 'd'}));
    QCOMPARE(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 1);
    QCOMPARE(f.ui.messages.size(), size_t{1});
    QVERIFY2(f.ui.messages[0].rfind("3 of 3 frames could not be written, the first ", 0) == 0, f.ui.messages[0].c_str());
    QVERIFY2(f.ui.messages[0].find("File too large") != std::string::npos, f.ui.messages[0].c_str());
  }
};

KT58_APP_TEST(BitmapSeqFormTest);

#include "picture_sequence_dialog_test.moc"
