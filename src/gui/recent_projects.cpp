// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/recent_projects.h"

#include <QString>
#include <algorithm>

#include "platform/profile_file.h"
#include "platform/program_folder.h"

namespace kt58::app {

namespace fs = std::filesystem;

namespace {

// Upper case with the full Unicode tables, so "É" and "é" are one letter.
QString Upper(const fs::path& path) { return QString::fromStdString(path.string()).toUpper(); }

}  // namespace

int FindRecentProject(const RecentList& list, const fs::path& path) {
  const QString wanted = Upper(path);
  for (size_t i = 0; i < list.size(); ++i)
    if (Upper(list[i]) == wanted) return static_cast<int>(i);
  return -1;
}

void AddRecentProject(RecentList& list, const fs::path& path) {
  if (path.empty() || !ProfileFile::Storable(path.string())) return;
  const int i = FindRecentProject(list, path);
  if (i > 0)
    std::rotate(list.begin(), list.begin() + i, list.begin() + i + 1);
  else if (i < 0)
    list.insert(list.begin(), path);
  if (list.size() > kMaxRecentProjects) list.resize(kMaxRecentProjects);
}

fs::path ResolveRecentEntry(const std::string& entry, const fs::path& program_folder) {
  if (entry.empty()) return {};
  const bool drive = entry.size() >= 2 && entry[1] == ':';
  if (entry.front() == '/' || drive) return fs::path(entry);
  std::string relative = entry;
  std::replace(relative.begin(), relative.end(), '\\', '/');
  return program_folder / relative;
}

}  // namespace kt58::app
