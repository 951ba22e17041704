// SPDX-License-Identifier: GPL-3.0-or-later
// The list of recently opened projects: full paths, most recent first, at
// most kMaxRecentProjects entries; two paths that differ only in letter case
// are one entry.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace kt58::app {

inline constexpr std::size_t kMaxRecentProjects = 10;

using RecentList = std::vector<std::filesystem::path>;

// Index of the first entry equal to path without regard to case, or -1.
int FindRecentProject(const RecentList& list, const std::filesystem::path& path);

// Puts path at the top: an entry already in the list moves there (keeping
// its spelling), a new one is inserted and the oldest entry beyond the
// limit goes. A path the settings file cannot hold on one line is not
// added.
void AddRecentProject(RecentList& list, const std::filesystem::path& path);

// A stored entry as a path to look for. Entries that are not absolute (no
// leading "/" and no drive letter) lie below the program folder; their
// backslashes, written by the Windows origin of the file, separate folders.
// Empty for an empty entry.
std::filesystem::path ResolveRecentEntry(const std::string& entry, const std::filesystem::path& program_folder);

}  // namespace kt58::app
