// SPDX-License-Identifier: GPL-3.0-or-later
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>

#include "gui/dialogs/export_part_box.h"
#include "gui/dialogs/gif_export_dialog.h"
#include "gui/dialogs/picture_sequence_dialog.h"
#include "gui/dialogs/video_export_dialog.h"
#include "app_test.h"
#include "export_fixture.h"
#include "support/gif_builder.h"
#include "support/test_support.h"

using namespace kt58::apptest;
namespace fs = std::filesystem;

namespace {

// Runs the command-line tool; its error output when it fails, else empty.
QString RunCli(const QStringList& args) {
  QProcess cli;
  cli.start(QStringLiteral(KT58_CLI_PATH), args);
  if (!cli.waitForFinished(-1)) return QStringLiteral("kt58 did not finish");
  if (cli.exitStatus() != QProcess::NormalExit || cli.exitCode() != 0)
    return QStringLiteral("kt58 failed: ") + QString::fromUtf8(cli.readAllStandardError());
  return {};
}

QString Str(const fs::path& p) { return QString::fromStdString(p.string()); }

// A choice of frames, size and plays in a window's box (and of a
// transparent background where the window has one), and the same as
// command-line options.
struct Part {
  int first, last, every, width;
  bool keep_aspect;
  int height;  // typed when the aspect is not kept
  int plays;
  bool transparent;
  QStringList options;
};

void Choose(ExportPartBox& box, const Part& p) {
  box.keepAspectCheck_->setChecked(p.keep_aspect);
  box.lastSpin_->setValue(p.last);
  box.firstSpin_->setValue(p.first);
  box.everySpin_->setValue(p.every);
  box.widthSpin_->setValue(p.width);
  if (!p.keep_aspect) box.heightSpin_->setValue(p.height);
  box.playsSpin_->setValue(p.plays);
}

// On a 12-frame, 64 x 40 animation.
const Part kParts[] = {
    {1, 8, 3, 24, true, 0, 1, false, {"--frames", "1-8", "--every", "3", "--width", "24", "--once"}},
    {4, 11, 1, 60, false, 13, 3, true, {"--frames", "4-", "--scale", "60x13", "--loop", "3"}},
};

}  // namespace

class ExportPartBoxTest : public QObject {
  Q_OBJECT

 private slots:
  void boxKeepsAspectAndAnOrderedRange() {
    ExportPartBox box(24, 160, 120, true);
    // Untouched, it asks for nothing: the whole animation at its size.
    QVERIFY(!box.size().Requested());
    QCOMPARE(box.range().Indices(24).size(), size_t{24});
    QCOMPARE(box.plays(), 0);
    QCOMPARE(box.playsSpin_->text(), QStringLiteral("Forever"));

    struct Edit {
      bool width_edited;
      int value;
      int width, height;  // both sides after the edit
    };
    const Edit edits[] = {{true, 81, 81, 61}, {false, 30, 40, 30}, {true, 1, 1, 1}, {true, 160, 160, 120}};
    for (const Edit& e : edits) {
      (e.width_edited ? box.widthSpin_ : box.heightSpin_)->setValue(e.value);
      QCOMPARE(box.widthSpin_->value(), e.width);
      QCOMPARE(box.heightSpin_->value(), e.height);
    }
    QVERIFY(!box.size().Requested());
    box.keepAspectCheck_->setChecked(false);
    box.heightSpin_->setValue(7);
    QCOMPARE(box.widthSpin_->value(), 160);
    QCOMPARE(box.size().height, 7);
    // Keeping the aspect again fits the height to the width.
    box.keepAspectCheck_->setChecked(true);
    QCOMPARE(box.heightSpin_->value(), 120);

    // A first frame past the last drags it along, and back.
    box.firstSpin_->setValue(20);
    QCOMPARE(box.lastSpin_->value(), 23);
    box.lastSpin_->setValue(10);
    QCOMPARE(box.firstSpin_->value(), 10);
    box.everySpin_->setValue(3);
    box.lastSpin_->setValue(17);
    QCOMPARE(box.range().Indices(24), (std::vector<int>{10, 13, 16}));
    QCOMPARE(box.chosenCount(), 3);
    // A run to the last frame stays open, as the command line's "A-".
    box.lastSpin_->setValue(23);
    QVERIFY(!box.range().last);
  }

  // Each window writes exactly the bytes the command line writes for the
  // same part, size and play count.
  void windowsWriteWhatTheCommandLineWrites() {
    ExportFixture f(12, 48, 32);
    QVERIFY(f.Add(kt58::test::WriteSmallAnimatedGif(f.dir.path(), "small.gif")));
    // A frame larger than the layers: the background shows around them.
    f.Doc().EditAnimation(0, QStringLiteral("Frame Size"), [](kt58::Project& p) {
      p.FixedFrameSize = true;
      p.FixedWidth = 64;
      p.FixedHeight = 40;
      p.BackgroundColor = 0x204060;
    });
    f.Doc().Regenerate();
    QCOMPARE(f.Anim().GetFrameSize().Width, 64);
    const fs::path project = f.dir / "part.apf";
    f.Anim().SaveToFile(project);
    const auto bytes = [](const fs::path& file) { return kt58::test::ReadFileBytes(file); };

    for (const Part& p : kParts) {
      const char* what = qPrintable(p.options.join(' '));
      {
        GifExportDialog form(f.Doc());
        form.findChild<QAction*>(QStringLiteral("MenuPaletteOptimized256"))->trigger();
        Choose(*form.partBox_, p);
        form.transparentCheck_->setChecked(p.transparent);
        form.generate();
        QVERIFY2(form.Built(), what);
        const fs::path out = f.dir / "cli.gif";
        // The window's optimisations and encoder are the command line's.
        const QString failed = RunCli(QStringList{"export-gif", Str(project), Str(out), "--palette", "optimized"} +
                                      p.options + (p.transparent ? QStringList{"--transparent"} : QStringList{}));
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        QVERIFY2(bytes(form.Built()->Path()) == bytes(out), what);
      }
      for (const char* extension : {"webp", "apng"}) {
        VideoExportDialog form(f.Doc());
        form.formatCombo_->setCurrentIndex(form.formatCombo_->findText(QLatin1String(extension), Qt::MatchContains));
        form.losslessCheck_->setChecked(true);
        Choose(*form.partBox_, p);
        form.transparentCheck_->setChecked(p.transparent);
        form.build();
        QVERIFY2(form.Built(), extension);
        const fs::path out = f.dir / (std::string("cli.") + extension);
        const QString failed =
            RunCli(QStringList{"export-video", Str(project), Str(out), "--lossless"} + p.options +
                   (p.transparent ? QStringList{"--transparent"} : QStringList{}));
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        QVERIFY2(bytes(form.Built()->Path()) == bytes(out), extension);
      }
      {
        PictureSequenceDialog form(f.Doc());
        Choose(*form.partBox_, p);
        const fs::path window_folder = f.dir / "window", cli_folder = f.dir / "cli";
        fs::remove_all(window_folder);
        fs::remove_all(cli_folder);
        fs::create_directories(window_folder);
        fs::create_directories(cli_folder);
        form.setSaveFolder(window_folder);
        QCOMPARE(form.fileList_->topLevelItemCount(), form.partBox_->chosenCount());
        QTest::mouseClick(form.createButton_, Qt::LeftButton);
        QStringList options = p.options;
        // Sequences do not play.
        options.removeAll(QStringLiteral("--once"));
        if (const qsizetype loop = options.indexOf(QStringLiteral("--loop")); loop >= 0) options.remove(loop, 2);
        const QString failed = RunCli(QStringList{"export-bmp", Str(project), Str(cli_folder)} + options);
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        int files = 0;
        for (const auto& e : fs::directory_iterator(cli_folder)) {
          ++files;
          QVERIFY2(bytes(e.path()) == bytes(window_folder / e.path().filename()), qPrintable(Str(e.path())));
        }
        QCOMPARE(files, form.partBox_->chosenCount());
        QCOMPARE(static_cast<int>(std::distance(fs::directory_iterator(window_folder), fs::directory_iterator())),
                 files);
      }
    }
    QVERIFY(f.ui.messages.empty());
  }
};

KT58_APP_TEST(ExportPartBoxTest);

#include "export_part_box_test.moc"
