// SPDX-License-Identifier: GPL-3.0-or-later
// The file dialog that picks a project to open, shared by the start-up
// dialog's "Browse..." and the Open Project command.
#pragma once

#include <QFileDialog>
#include <QString>
#include <QStringList>
#include <filesystem>

class QWidget;

namespace kt58::app {

// The proposed projects folder when it is a folder, else the fallback
// folder (platform/program_folder.h).
std::filesystem::path DefaultProjectFolder();

// Repaints parent and lets pending events run (so the window behind the
// dialog is whole), then asks for an existing ".apf" file starting in
// initial_folder. Empty when the user cancels.
std::filesystem::path ChooseProjectToOpen(QWidget* parent, const std::filesystem::path& initial_folder);

// Asks where to save a project, starting in initial_folder with name
// proposed; asks before overwriting. Empty when the user cancels.
std::filesystem::path ChooseProjectToSave(QWidget* parent, const std::filesystem::path& initial_folder,
                                          const std::filesystem::path& name);

// A file dialog opening an existing file or choosing where to save one
// (asking before overwriting), starting in initial_folder (empty: the
// dialog's own choice) with `name` proposed; `suffix` is added to a name
// typed without one. Empty when the user cancels.
std::filesystem::path RunFileDialog(QWidget* parent, const QString& title, const std::filesystem::path& initial_folder,
                                    QFileDialog::AcceptMode mode, const QStringList& filters, const QString& suffix,
                                    const std::filesystem::path& name = {});

// File names between Qt and the file system, in the file system's encoding.
QString FromPath(const std::filesystem::path& path);
std::filesystem::path ToPath(const QString& name);

}  // namespace kt58::app
