// SPDX-License-Identifier: GPL-3.0-or-later
// The folders the desktop app proposes to the user, under the rules of
// platform/program_folder.h, with the desktop's documents and pictures
// folders as Qt finds them (the user's own names for them, which may be
// translated).
#pragma once

#include <filesystem>

namespace kt58::app {

// Where new projects are proposed: a portable copy's Projects/, or
// "kt58 Animator" in the documents folder.
std::filesystem::path ProposedProjectFolder();
// Where exports are proposed: a portable copy's Output/, or the pictures
// folder.
std::filesystem::path ProposedExportFolder();

// What the app does at start before it reads its settings: makes the
// proposed folders that are its own (a portable copy's Projects/ and
// Output/, or the projects folder in the documents; never the user's
// pictures folder), then moves the settings of an earlier installed copy
// (MoveFormerSettings). Raises std::filesystem::filesystem_error when a
// portable copy's folders cannot be made; a projects folder the documents
// folder refuses is only not proposed.
void PrepareUserFolders();

}  // namespace kt58::app
