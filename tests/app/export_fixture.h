// The export tests' set-up: a shown main window whose project has one layer
// and generated frames, an answer for the next save dialog, and ffprobe.
#pragma once

#include <QAbstractItemView>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QSpinBox>
#include <filesystem>
#include <memory>

#include "main_form_fixture.h"
#include "modal_helper.h"

namespace kt58::apptest {

struct ExportFixture : MainFormFixture {
  ExportFixture(int frames, int width, int height) {
    Add(WriteBmp("a.bmp", width, height, 7));
    Find<QSpinBox>("spFrameCount")->setValue(frames);
  }
};

// What a save dialog showed before it was answered.
struct SaveDialogSeen {
  QString title, folder, proposed;
};

// Answers the next file dialog with `name`.
inline std::shared_ptr<bool> ChooseFile(const std::filesystem::path& name, SaveDialogSeen* seen = nullptr) {
  return AnswerNextModal([=](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    if (!dialog) return;
    if (seen) {
      seen->title = dialog->windowTitle();
      seen->folder = dialog->directory().absolutePath();
      seen->proposed = QFileInfo(dialog->selectedFiles().value(0)).fileName();
    }
    // Typed as a user types it. A row the dialog selected by itself (its
    // folder loads in the background) would win over the typed name.
    for (auto* view : dialog->findChildren<QAbstractItemView*>()) view->clearSelection();
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (!edit) return;
    edit->setText(QString::fromStdString(name.string()));
    static_cast<QDialog*>(dialog)->accept();
  });
}

// ffprobe's answer for the first video stream, "value,value".
inline QString Ffprobe(const std::filesystem::path& file, const char* entries) {
  QProcess probe;
  probe.start(QStringLiteral("ffprobe"), {"-v", "error", "-select_streams", "v:0", "-count_packets", "-show_entries",
                                          entries, "-of", "csv=p=0", QString::fromStdString(file.string())});
  if (!probe.waitForFinished(60000)) return QStringLiteral("ffprobe did not finish");
  return QString::fromUtf8(probe.readAll()).trimmed();
}

}  // namespace kt58::apptest
