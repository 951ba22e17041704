// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/save_dialog.h"

#include <QFileDialog>

#include "gui/dialogs/project_dialogs.h"

namespace kt58::app {

std::filesystem::path AskSaveFileName(QWidget* parent, const QString& title, const std::filesystem::path& folder,
                                      const QString& suffix, const QStringList& filters,
                                      const QString& proposed_name) {
  return RunFileDialog(parent, title, folder, QFileDialog::AcceptSave, filters, suffix, ToPath(proposed_name));
}

}  // namespace kt58::app
