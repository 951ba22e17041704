// The folder where the program keeps its settings, projects, output and
// frame-store files.
#pragma once

#include <filesystem>
#include <string>

namespace kt58 {

// With a trailing separator. In order: $KT58_HOME when set; the folder of the
// executable when it is writable; else the per-user data folder
// ($XDG_DATA_HOME/kt58-animator/ or ~/.local/share/kt58-animator/), created
// on demand. Computed once per process unless KT58_HOME changes.
std::filesystem::path ProgramFolder();

// Empty when the program folder can take new files; else the one-line
// reason, naming the folder ("The program folder /x/ cannot be written: it
// is not a folder").
std::string ProgramFolderProblem();

// True when `candidate`, after resolving "." and "..", lies inside `folder`.
bool IsInsideFolder(const std::filesystem::path& candidate, const std::filesystem::path& folder);

}  // namespace kt58
