// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/user_folders.h"

#include <QStandardPaths>
#include <QString>
#include <system_error>

#include "gui/dialogs/project_dialogs.h"
#include "gui/settings.h"
#include "platform/program_folder.h"

namespace kt58::app {

namespace fs = std::filesystem;

namespace {

fs::path Desktop(QStandardPaths::StandardLocation location) {
  return ToPath(QStandardPaths::writableLocation(location));
}

}  // namespace

fs::path ProposedProjectFolder() { return Folders().Projects(Desktop(QStandardPaths::DocumentsLocation)); }

fs::path ProposedExportFolder() { return Folders().Exports(Desktop(QStandardPaths::PicturesLocation)); }

void PrepareUserFolders() {
  const OwnFolders folders = Folders();
  if (!folders.one_folder.empty()) {
    fs::create_directories(ProposedProjectFolder());
    fs::create_directories(ProposedExportFolder());
  } else {
    std::error_code ec;
    fs::create_directories(ProposedProjectFolder(), ec);
  }
  MoveFormerSettings(folders.former_data);
}

}  // namespace kt58::app
