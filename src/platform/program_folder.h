// The folder where the program keeps its settings, projects, output and
// frame-store files, and the folder it reads its own resources from.
#pragma once

#include <filesystem>
#include <string>

namespace kt58 {

// With a trailing separator. In order: $KT58_HOME when set; the per-user
// data folder ($XDG_DATA_HOME/kt58-animator/ or
// ~/.local/share/kt58-animator/, created on demand) for an installed copy or
// when the executable's folder is not writable; else the folder of the
// executable (a build folder). Computed once per process unless KT58_HOME
// changes.
std::filesystem::path ProgramFolder();

// Empty when the program folder can take new files; else the one-line
// reason, naming the folder ("The program folder /x/ cannot be written: it
// is not a folder").
std::string ProgramFolderProblem();
// Where the read-only resources live (the sample project
// Projects/Dovrenkal.apf and the help/ folder), with a trailing separator:
// <prefix>/share/kt58-animator/ for a copy installed as <prefix>/bin/NAME,
// else the executable's folder, where the build puts them.
std::filesystem::path ResourceFolder();
// `relative` below the program folder when that file exists there (a
// portable KT58_HOME may carry its own copy), else below ResourceFolder().
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
