// SPDX-License-Identifier: GPL-3.0-or-later
// Where the program keeps the files it makes, and the folder it reads its
// own resources from.
//
// A portable copy ($KT58_HOME set, or run from a build folder it can write)
// keeps everything in that one folder: settings in User/, proposed projects
// in Projects/, proposed exports in Output/, frame stores and temporaries in
// the folder itself. Any other copy (installed, or unable to write beside its
// executable) follows the desktop's folders:
//   settings                 $XDG_CONFIG_HOME/kt58-animator/ (~/.config/...)
//   frame stores, temporary  $XDG_CACHE_HOME/kt58-animator/  (~/.cache/...;
//                            without a home, $TMPDIR/kt58-animator-UID/)
//   new projects             DOCUMENTS/kt58 Animator/
//   exports                  PICTURES/
// where the app names DOCUMENTS and PICTURES (the desktop may translate
// them). Asking for a folder never creates it.
#pragma once

#include <filesystem>
#include <string>

namespace kt58 {

// What the folders depend on, read from the process's environment by
// Current(). Variables that are unset read as empty.
struct FolderEnvironment {
  std::string kt58_home;
  std::string home;  // $HOME, or the account's home folder when HOME is unset
  std::string xdg_config_home, xdg_cache_home, xdg_data_home;
  std::string tmpdir;
  unsigned uid = 0;

  static FolderEnvironment Current();
};

// The folders a copy keeps its files in; each ends in a separator.
struct OwnFolders {
  // A portable copy's one folder; empty for a copy that follows the desktop.
  std::filesystem::path one_folder;
  // Holds Settings.Ini.
  std::filesystem::path settings;
  // Frame stores, temporaries, builds of exports and the registries of the
  // files this program made (see owned_files.h).
  std::filesystem::path work;
  // True when `work` lies in a temporary folder every user can write: only
  // a folder of this user's alone may be used there.
  bool work_in_shared_temp = false;
  // Stands in for a remembered folder that is gone, and anchors stored
  // relative names: the one folder, or the user's home folder.
  std::filesystem::path fallback;
  // The per-user data folder installed copies kept settings, projects and
  // output in before they followed the desktop; empty for a portable copy.
  std::filesystem::path former_data;

  // Where new projects are proposed, given the desktop's documents folder;
  // without a trailing separator, like the folders a file dialog returns.
  std::filesystem::path Projects(const std::filesystem::path& documents) const;
  // Where exports are proposed, given the desktop's pictures folder; as
  // Projects.
  std::filesystem::path Exports(const std::filesystem::path& pictures) const;
};

// The folders of a copy whose executable lies in `exe_folder` (installed or
// not, writable or not) in the environment `env`.
OwnFolders PlanFolders(const FolderEnvironment& env, const std::filesystem::path& exe_folder, bool installed,
                       bool exe_folder_writable);

// The folders of this process, from its environment as it is now (tests
// change KT58_HOME between cases).
OwnFolders Folders();

// Folders().work: where the core puts its frame stores and temporaries.
std::filesystem::path ProgramFolder();

// Empty when the program folder (folders.work) can take new files, or can
// be made; else the one-line reason, naming the folder ("The program folder
// /x/ cannot be written: it is not a folder"). One in a shared temporary
// folder must be a folder of this user's that no one else can write.
std::string ProgramFolderProblem(const OwnFolders& folders = Folders());

// Where the read-only resources live (the sample project
// Projects/Dovrenkal.apf and the help/ folder), with a trailing separator:
// <prefix>/share/kt58-animator/ for a copy installed as <prefix>/bin/NAME,
// else the executable's folder, where the build puts them.
std::filesystem::path ResourceFolder();
// `relative` below a portable copy's one folder when that file exists there
// (a KT58_HOME may carry its own copy), else below ResourceFolder().
std::filesystem::path FindResource(const std::filesystem::path& relative);
std::filesystem::path SampleProjectPath();
// The first page of the user guide.
std::filesystem::path HelpIndexPath();

// How a copy whose executable sits in `exe_folder` is laid out. Installed: a
// folder named bin with ../share/kt58-animator/ beside it; such a copy never
// writes beside its executable, even when it could (run as root).
struct ProgramLayout {
  bool installed = false;
  std::filesystem::path resources;  // with a trailing separator
};
ProgramLayout LayoutOf(const std::filesystem::path& exe_folder);

// True when `candidate`, after resolving "." and "..", lies inside `folder`.
bool IsInsideFolder(const std::filesystem::path& candidate, const std::filesystem::path& folder);

}  // namespace kt58
