// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/project_dialogs.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QPointer>
#include <QWidget>

#include "gui/widgets/user_feedback.h"
#include "gui/user_folders.h"
#include "platform/program_folder.h"

namespace kt58::app {

namespace fs = std::filesystem;

QString FromPath(const fs::path& path) { return QFile::decodeName(QByteArray::fromStdString(path.string())); }
fs::path ToPath(const QString& name) { return fs::path(QFile::encodeName(name).toStdString()); }

fs::path DefaultProjectFolder() {
  const fs::path projects = ProposedProjectFolder();
  std::error_code ec;
  return fs::is_directory(projects, ec) ? projects : Folders().fallback;
}

fs::path RunFileDialog(QWidget* parent, const QString& title, const fs::path& initial_folder,
                       QFileDialog::AcceptMode mode, const QStringList& filters, const QString& suffix,
                       const fs::path& name) {
  // On the heap and watched: a parent deleted while the dialog runs its loop
  // takes the dialog along.
  QPointer<QFileDialog> dialog = new QFileDialog(parent, title, FromPath(initial_folder));
  dialog->setAcceptMode(mode);
  dialog->setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  dialog->setNameFilters(filters);
  dialog->setDefaultSuffix(suffix);
  if (!name.empty()) dialog->selectFile(FromPath(name));
  fs::path chosen;
  if (dialog->exec() == QDialog::Accepted && dialog && !dialog->selectedFiles().isEmpty())
    chosen = ToPath(dialog->selectedFiles().first());
  delete dialog.data();
  return chosen;
}

namespace {

// Free functions: their texts need a translation context of their own.
struct ProjectDialogTexts {
  Q_DECLARE_TR_FUNCTIONS(ProjectDialogs)
};

// Qt's own dialog matches the pattern without regard to case, so "*.APF"
// files are listed too. Made at each use, so that it is in the language
// loaded by then.
QStringList ProjectFilter() { return {ProjectDialogTexts::tr("kt58 Animation Files (*.apf)")}; }

}  // namespace

fs::path ChooseProjectToOpen(QWidget* parent, const fs::path& initial_folder) {
  if (parent) parent->repaint();
  processPendingEvents();
  return RunFileDialog(parent, QString(), initial_folder, QFileDialog::AcceptOpen, ProjectFilter(), QStringLiteral("apf"));
}

fs::path ChooseProjectToSave(QWidget* parent, const fs::path& initial_folder, const fs::path& name) {
  return RunFileDialog(parent, QString(), initial_folder, QFileDialog::AcceptSave, ProjectFilter(), QStringLiteral("apf"),
                       name);
}

}  // namespace kt58::app
