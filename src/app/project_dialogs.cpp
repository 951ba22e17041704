#include "app/project_dialogs.h"

#include <QFile>
#include <QFileDialog>
#include <QPointer>
#include <QWidget>

#include "engine/ui_services.h"
#include "platform/program_folder.h"

namespace kt58::app {

namespace fs = std::filesystem;

namespace {

QString FromPath(const fs::path& path) { return QFile::decodeName(QByteArray::fromStdString(path.string())); }
fs::path ToPath(const QString& name) { return fs::path(QFile::encodeName(name).toStdString()); }

}  // namespace

fs::path DefaultProjectFolder() {
  const fs::path projects = ProgramFolder() / "Projects";
  std::error_code ec;
  return fs::is_directory(projects, ec) ? projects : ProgramFolder();
}

fs::path ChooseProjectToOpen(QWidget* parent, const fs::path& initial_folder) {
  if (parent) parent->repaint();
  ProcessPendingMessages();
  // On the heap and watched: a parent deleted while the dialog runs its loop
  // takes the dialog along.
  QPointer<QFileDialog> dialog = new QFileDialog(parent, QString(), FromPath(initial_folder));
  dialog->setAcceptMode(QFileDialog::AcceptOpen);
  dialog->setFileMode(QFileDialog::ExistingFile);
  // Qt's own dialog matches the pattern without regard to case, so "*.APF"
  // files are listed too.
  dialog->setNameFilter(QStringLiteral("kt58 Animation Files (*.apf)"));
  dialog->setDefaultSuffix(QStringLiteral("apf"));
  fs::path chosen;
  if (dialog->exec() == QDialog::Accepted && dialog && !dialog->selectedFiles().isEmpty())
    chosen = ToPath(dialog->selectedFiles().first());
  delete dialog.data();
  return chosen;
}

}  // namespace kt58::app
