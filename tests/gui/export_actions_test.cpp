// SPDX-License-Identifier: GPL-3.0-or-later
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "gui/dialogs/gif_export_dialog.h"
#include "gui/dialogs/picture_sequence_dialog.h"
#include "gui/dialogs/video_export_dialog.h"
#include "app_test.h"
#include "export_fixture.h"

using namespace kt58::apptest;
namespace fs = std::filesystem;

class ExportCommandsTest : public QObject {
  Q_OBJECT

 private slots:
  void exportEntriesNeedGeneratedFramesAndNoPlayback() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    const char* entries[] = {"CreateGif1", "CreateBitmapSequence1", "SaveSingleFrame1", "SaveAsAvi1", "SaveAsVideo1"};
    for (const char* e : entries) QVERIFY2(!f.Action(e)->isEnabled(), e);
    f.Add(f.WriteBmp("a.bmp", 12, 10, 1));
    for (const char* e : entries) QVERIFY2(f.Action(e)->isEnabled(), e);
    f.Doc().playback().play();
    QVERIFY(f.Doc().playback().isPlaying());
    f.form->updateControlStates();
    for (const char* e : entries) QVERIFY2(!f.Action(e)->isEnabled(), e);
  }

  // The export windows' labels keep the names scripts and accessibility
  // tools know them by.
  void exportWindowsLabelsAnswerToTheirNames() {
    ExportFixture f(2, 12, 10);
    GifExportDialog gif(f.Doc());
    PictureSequenceDialog sequence(f.Doc());
    VideoExportDialog video(f.Doc());
    const struct {
      QWidget* window;
      const char* name;
      const char* text;
    } labels[] = {
        {&gif, "Label1", "Frame delay (milliseconds)"},
        {&gif, "Label2", "Optimizations"},
        {&sequence, "Label1", "Start at"},
        {&sequence, "Label2", "FileNames"},
        {&video, "FormatLabel", "Format"},
        {&video, "QualityLabel", "Quality (0 - 100)"},
    };
    for (const auto& l : labels) {
      const QList<QLabel*> named = l.window->findChildren<QLabel*>(QString::fromLatin1(l.name));
      QVERIFY2(named.size() == 1, l.name);
      QCOMPARE(named.first()->text(), QString::fromLatin1(l.text));
    }
  }

  void singleFrameByItsExtension() {
    ExportFixture f(10, 12, 10);
    QVERIFY(f.Ready());
    // Only "Jpg" names a JPEG: ".jpeg" is refused and nothing is written.
    const fs::path jpeg = f.dir / "frame.jpeg";
    auto seen = ChooseInFileDialog(jpeg);
    f.Action("SaveSingleFrame1")->trigger();
    QVERIFY(*seen);
    QCOMPARE(f.ui.messages, std::vector<std::string>{"The file type you have specified is unsupported."});
    QVERIFY(!fs::exists(jpeg));

    fs::create_directory(f.dir / "frames");
    const fs::path bmp = f.dir / "frames" / "frame.bmp";
    seen = ChooseInFileDialog(bmp);
    f.Action("SaveSingleFrame1")->trigger();
    QVERIFY(*seen);
    QCOMPARE(f.ui.messages.size(), size_t{1});
    const QImage written(QString::fromStdString(bmp.string()));
    QCOMPARE(written.size(), QSize(12, 10));
    // The next dialog opens where the last frame went.
    FileDialogSeen shown;
    seen = ChooseInFileDialog(f.dir / "frames" / "again.jpg", &shown);
    f.Action("SaveSingleFrame1")->trigger();
    QVERIFY(*seen);
    QCOMPARE(shown.folder, QString::fromStdString((f.dir / "frames").string()));
    QVERIFY(fs::exists(f.dir / "frames" / "again.jpg"));
  }

  void aviHoldsOneSamplePerFrame() {
    ExportFixture f(7, 101, 20);
    QVERIFY(f.Ready());
    const fs::path avi = f.dir / "movie.avi";
    FileDialogSeen shown;
    auto seen = ChooseInFileDialog(avi, &shown);
    f.Action("SaveAsAvi1")->trigger();
    QVERIFY(*seen);
    QCOMPARE(shown.title, QStringLiteral("Save as AVI..."));
    QVERIFY(f.ui.messages.empty());
    QCOMPARE(f.ui.progress_windows, std::vector<std::string>{"AVI Export..."});
    QCOMPARE(Ffprobe(avi, "stream=width,nb_read_packets"), QStringLiteral("101,7"));
  }

  void videoBuildShowsTheSizeAndSaveWritesIt() {
    ExportFixture f(5, 24, 16);
    QVERIFY(f.Ready());
    const fs::path mp4 = f.dir / "clip.mp4";
    QString size_text;
    FileDialogSeen shown;
    qint64 built_size = -1;
    auto seen = AnswerNextModal([&](QWidget* modal) {
      auto* form = qobject_cast<VideoExportDialog*>(modal);
      if (!form) return;
      form->formatCombo_->setCurrentIndex(2);
      QVERIFY(!form->saveButton_->isEnabled());
      QTest::mouseClick(form->buildButton_, Qt::LeftButton);
      QVERIFY(form->Built());
      built_size = static_cast<qint64>(form->Built()->FileSize());
      size_text = form->fileSizeLabel_->isVisible() ? form->fileSizeLabel_->text() : QString();
      auto dialog = ChooseInFileDialog(mp4, &shown);
      QTest::mouseClick(form->saveButton_, Qt::LeftButton);
      QVERIFY(*dialog);
      // Another format drops the build.
      form->formatCombo_->setCurrentIndex(0);
      QVERIFY(!form->Built() && !form->saveButton_->isEnabled());
      form->reject();
    });
    f.Action("SaveAsVideo1")->trigger();
    QVERIFY(*seen);
    QVERIFY(f.ui.messages.empty());
    QCOMPARE(size_text, QStringLiteral("File Size : %1 Bytes").arg(built_size));
    QCOMPARE(shown.proposed, QStringLiteral(".mp4"));
    QCOMPARE(static_cast<qint64>(fs::file_size(mp4)), built_size);
    QCOMPARE(Ffprobe(mp4, "stream=codec_name,nb_read_packets"), QStringLiteral("h264,5"));
    QCOMPARE(f.form->settings().LastGifDir, f.dir.path());
  }
};

KT58_APP_TEST(ExportCommandsTest);

#include "export_actions_test.moc"
