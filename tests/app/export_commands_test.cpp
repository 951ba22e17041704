#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QImage>
#include <QProcess>
#include <QSpinBox>
#include <QTest>

#include "app/video_export_form.h"
#include "app_test.h"
#include "main_form_fixture.h"
#include "modal_helper.h"

using namespace kt58::apptest;
namespace fs = std::filesystem;

namespace {

// Answers the next file dialog with `name` and returns the dialog's title
// and its initial folder through the pointers.
std::shared_ptr<bool> ChooseFile(const fs::path& name, QString* title = nullptr, QString* folder = nullptr) {
  return AnswerNextModal([=](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    if (!dialog) return;
    if (title) *title = dialog->windowTitle();
    if (folder) *folder = dialog->directory().absolutePath();
    dialog->selectFile(QString::fromStdString(name.string()));
    static_cast<QDialog*>(dialog)->accept();
  });
}

// ffprobe's answer for the first video stream, "value,value".
QString Ffprobe(const fs::path& file, const char* entries) {
  QProcess probe;
  probe.start(QStringLiteral("ffprobe"), {"-v", "error", "-select_streams", "v:0", "-count_packets", "-show_entries",
                                          entries, "-of", "csv=p=0", QString::fromStdString(file.string())});
  if (!probe.waitForFinished(60000)) return QStringLiteral("ffprobe did not finish");
  return QString::fromUtf8(probe.readAll()).trimmed();
}

}  // namespace

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
    f.Anim().Playing = true;
    f.form->UpdateControlStates();
    for (const char* e : entries) QVERIFY2(!f.Action(e)->isEnabled(), e);
  }

  void singleFrameByItsExtension() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    f.Add(f.WriteBmp("a.bmp", 12, 10, 1));
    // Only "Jpg" names a JPEG: ".jpeg" is refused and nothing is written.
    const fs::path jpeg = f.dir / "frame.jpeg";
    auto seen = ChooseFile(jpeg);
    f.Action("SaveSingleFrame1")->trigger();
    QVERIFY(*seen);
    QCOMPARE(f.ui.messages, std::vector<std::string>{"The file type you have specified is unsupported."});
    QVERIFY(!fs::exists(jpeg));

    fs::create_directory(f.dir / "frames");
    const fs::path bmp = f.dir / "frames" / "frame.bmp";
    seen = ChooseFile(bmp);
    f.Action("SaveSingleFrame1")->trigger();
    QVERIFY(*seen);
    QCOMPARE(f.ui.messages.size(), size_t{1});
    const QImage written(QString::fromStdString(bmp.string()));
    QCOMPARE(written.size(), QSize(12, 10));
    // The next dialog opens where the last frame went.
    QString folder;
    seen = ChooseFile(f.dir / "frames" / "again.jpg", nullptr, &folder);
    f.Action("SaveSingleFrame1")->trigger();
    QVERIFY(*seen);
    QCOMPARE(folder, QString::fromStdString((f.dir / "frames").string()));
    QVERIFY(fs::exists(f.dir / "frames" / "again.jpg"));
  }

  void aviHoldsOneSamplePerFrame() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    f.Add(f.WriteBmp("a.bmp", 101, 20, 1));
    f.Find<QSpinBox>("spFrameCount")->setValue(7);
    const fs::path avi = f.dir / "movie.avi";
    QString title;
    auto seen = ChooseFile(avi, &title);
    f.Action("SaveAsAvi1")->trigger();
    QVERIFY(*seen);
    QCOMPARE(title, QStringLiteral("Save as AVI..."));
    QVERIFY(f.ui.messages.empty());
    QCOMPARE(f.ui.dialogs.size(), size_t{1});
    QCOMPARE(f.ui.dialogs[0]->caption, std::string("AVI Export..."));
    QCOMPARE(Ffprobe(avi, "stream=width,nb_read_packets"), QStringLiteral("101,7"));
  }

  void videoBuildShowsTheSizeAndSaveWritesIt() {
    MainFormFixture f;
    QVERIFY(f.Ready());
    f.Add(f.WriteBmp("a.bmp", 24, 16, 3));
    f.Find<QSpinBox>("spFrameCount")->setValue(5);
    const fs::path mp4 = f.dir / "clip.mp4";
    QString size_text, proposed;
    qint64 built_size = -1;
    auto seen = AnswerNextModal([&](QWidget* modal) {
      auto* form = qobject_cast<TVideoExportForm*>(modal);
      if (!form) return;
      form->cbFormat->setCurrentIndex(2);
      QVERIFY(!form->SaveButton->isEnabled());
      QTest::mouseClick(form->BuildButton, Qt::LeftButton);
      QVERIFY(form->Built());
      built_size = static_cast<qint64>(form->Built()->FileSize());
      size_text = form->FileSizeLabel->isVisible() ? form->FileSizeLabel->text() : QString();
      auto dialog = AnswerNextModal([&](QWidget* save) {
        if (auto* d = qobject_cast<QFileDialog*>(save)) {
          proposed = QFileInfo(d->selectedFiles().value(0)).fileName();
          d->selectFile(QString::fromStdString(mp4.string()));
          static_cast<QDialog*>(d)->accept();
        }
      });
      QTest::mouseClick(form->SaveButton, Qt::LeftButton);
      QVERIFY(*dialog);
      // Another format drops the build.
      form->cbFormat->setCurrentIndex(0);
      QVERIFY(!form->Built() && !form->SaveButton->isEnabled());
      form->reject();
    });
    f.Action("SaveAsVideo1")->trigger();
    QVERIFY(*seen);
    QVERIFY(f.ui.messages.empty());
    QCOMPARE(size_text, QStringLiteral("File Size : %1 Bytes").arg(built_size));
    QCOMPARE(proposed, QStringLiteral(".mp4"));
    QCOMPARE(static_cast<qint64>(fs::file_size(mp4)), built_size);
    QCOMPARE(Ffprobe(mp4, "stream=codec_name,nb_read_packets"), QStringLiteral("h264,5"));
    QCOMPARE(f.form->LastGifDir, f.dir.path());
  }
};

KT58_APP_TEST(ExportCommandsTest);

#include "export_commands_test.moc"
