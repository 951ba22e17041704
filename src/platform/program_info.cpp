// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/program_info.h"

#include <filesystem>

#include "platform/program_folder.h"
#include "platform/version.h"

namespace kt58 {

namespace {

std::string PathLine(std::string_view what, const std::filesystem::path& path) {
  std::error_code ec;
  std::string line(what);
  line += ": " + path.string();
  if (!std::filesystem::exists(path, ec)) line += " (missing)";
  return line + "\n";
}

}  // namespace

std::string VersionLine(std::string_view program) {
  return std::string(program) + " " + kVersion + "\n";
}

std::string PathsText() {
  const OwnFolders folders = Folders();
  return PathLine("resources", ResourceFolder()) + PathLine("sample project", SampleProjectPath()) +
         PathLine("help", HelpIndexPath()) + PathLine("settings", folders.settings) +
         PathLine("frame stores and temporaries", folders.work);
}

std::optional<std::string> InformationOptionText(std::string_view program, std::string_view usage, int argc,
                                                 const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help") return std::string(usage);
    if (arg == "--version") return VersionLine(program);
    if (arg == "--paths") return PathsText();
  }
  return std::nullopt;
}

}  // namespace kt58
