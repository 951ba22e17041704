#include "app/project_dialogs.h"

#include <QFile>
#include <QFileDialog>
#include <QPointer>
#include <QWidget>

#include "engine/ui_services.h"
#include "platform/program_folder.h"

namespace kt58::app {

namespace fs = std::filesystem;

QString FromPath(const fs::path& path) { return QFile::decodeName(QByteArray::fromStdString(path.string())); }
fs::path ToPath(const QString& name) { return fs::path(QFile::encodeName(name).toStdString()); }

fs::path DefaultProjectFolder() {
  const fs::path projects = ProgramFolder() / "Projects";
  std::error_code ec;
  return fs::is_directory(projects, ec) ? projects : ProgramFolder();
}

namespace {

// The project file dialog, opening an existing file or choosing where to
// save one (asking before overwriting); empty when the user cancels.
fs::path RunProjectDialog(QWidget* parent, const fs::path& initial_folder, QFileDialog::AcceptMode mode,
                          const fs::path& name = {}) {
  // On the heap and watched: a parent deleted while the dialog runs its loop
  // takes the dialog along.
  QPointer<QFileDialog> dialog = new QFileDialog(parent, QString(), FromPath(initial_folder));
  dialog->setAcceptMode(mode);
  dialog->setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  // Qt's own dialog matches the pattern without regard to case, so "*.APF"
  // files are listed too.
  dialog->setNameFilter(QStringLiteral("kt58 Animation Files (*.apf)"));
  dialog->setDefaultSuffix(QStringLiteral("apf"));
  if (!name.empty()) dialog->selectFile(FromPath(name));
  fs::path chosen;
  if (dialog->exec() == QDialog::Accepted && dialog && !dialog->selectedFiles().isEmpty())
    chosen = ToPath(dialog->selectedFiles().first());
  delete dialog.data();
  return chosen;
}

}  // namespace

fs::path ChooseProjectToOpen(QWidget* parent, const fs::path& initial_folder) {
  if (parent) parent->repaint();
  ProcessPendingMessages();
  return RunProjectDialog(parent, initial_folder, QFileDialog::AcceptOpen);
}

fs::path ChooseProjectToSave(QWidget* parent, const fs::path& initial_folder, const fs::path& name) {
  return RunProjectDialog(parent, initial_folder, QFileDialog::AcceptSave, name);
}

}  // namespace kt58::app
