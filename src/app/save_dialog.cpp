#include "app/save_dialog.h"

#include <QFile>
#include <QFileDialog>
#include <QPointer>

namespace kt58::app {

namespace fs = std::filesystem;

QString PathText(const fs::path& path) { return QFile::decodeName(QByteArray::fromStdString(path.string())); }
fs::path TextPath(const QString& text) { return fs::path(QFile::encodeName(text).toStdString()); }

fs::path AskSaveFileName(QWidget* parent, const QString& title, const fs::path& folder, const QString& suffix,
                         const QStringList& filters, const QString& proposed_name) {
  // On the heap and watched: a parent deleted while the dialog runs its loop
  // takes the dialog along.
  QPointer<QFileDialog> dialog = new QFileDialog(parent, title, PathText(folder));
  dialog->setAcceptMode(QFileDialog::AcceptSave);
  dialog->setFileMode(QFileDialog::AnyFile);
  dialog->setNameFilters(filters);
  dialog->setDefaultSuffix(suffix);
  if (!proposed_name.isEmpty()) dialog->selectFile(proposed_name);
  fs::path chosen;
  if (dialog->exec() == QDialog::Accepted && dialog && !dialog->selectedFiles().isEmpty())
    chosen = TextPath(dialog->selectedFiles().first());
  delete dialog.data();
  return chosen;
}

}  // namespace kt58::app
