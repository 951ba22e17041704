// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the built kt58 tool in a test's private folder.
#pragma once

#include <cstdint>
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

// How the child process runs: resource limits in bytes (0 leaves a limit as
// it is) and its working folder (empty: the test's own).
struct CliEnv {
  uint64_t address_space = 0;  // RLIMIT_AS: allocations beyond it fail
  uint64_t file_size = 0;      // RLIMIT_FSIZE: a safety net for tests that must not write much
  std::filesystem::path working_dir;
};

// Runs kt58 with the arguments with KT58_HOME
// set to the folder, capturing both output streams into files there.
// exit_code is -1 when the process was killed by a signal.
CliResult RunKt58(const TempDir& dir, const std::vector<std::string>& args, const CliEnv& env = {});

// The text as one word for sh, in single quotes.
std::string ShellQuote(const std::string& s);

std::string ReadText(const std::filesystem::path& path);

// Frame-store data files left in a folder (the tool must delete its own).
std::vector<std::filesystem::path> StoreFilesIn(const std::filesystem::path& folder);

}  // namespace kt58::test
