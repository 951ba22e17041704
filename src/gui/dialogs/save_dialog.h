// SPDX-License-Identifier: GPL-3.0-or-later
// The save dialog of the export commands: one file name, asking before an
// existing file is replaced.
#pragma once

#include <QString>
#include <QStringList>
#include <filesystem>

class QWidget;

namespace kt58::app {

// An empty path when the user cancels. `filters` are Qt name filters
// ("Bmp file (*.bmp)"); `suffix` is added to a name typed without one. An
// empty initial folder leaves the dialog's own choice.
std::filesystem::path AskSaveFileName(QWidget* parent, const QString& title, const std::filesystem::path& folder,
                                      const QString& suffix, const QStringList& filters,
                                      const QString& proposed_name = {});

}  // namespace kt58::app
