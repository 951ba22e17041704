// Runs the built kt58 tool in a test's private folder.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace kt58::test {

struct CliResult {
  int exit_code = -1;
  std::string out, err;
  // Lines of stderr without their line ends.
  std::vector<std::string> ErrLines() const;
};

// Runs kt58 with the arguments (each quoted for the shell) with KT58_HOME
// set to the folder, capturing both output streams into files there.
CliResult RunKt58(const TempDir& dir, const std::vector<std::string>& args);

// The text as one word for sh, in single quotes.
std::string ShellQuote(const std::string& s);

std::string ReadText(const std::filesystem::path& path);

// Frame-store data files left in a folder (the tool must delete its own).
std::vector<std::filesystem::path> StoreFilesIn(const std::filesystem::path& folder);

}  // namespace kt58::test
