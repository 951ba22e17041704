// SPDX-License-Identifier: GPL-3.0-or-later
// What the programs print about themselves when asked on the command line.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kt58 {

// "PROGRAM VERSION\n": the answer to --version.
std::string VersionLine(std::string_view program);

// One "what: path" line for each of the resource folder, the sample project,
// the help index, the settings folder and the folder of frame stores and
// temporaries; a file or folder that is absent gets " (missing)": the answer
// to --paths.
std::string PathsText();

// The answer to the first of --help, --version and --paths among the
// arguments (argv without the program name), or nothing when none is there;
// --help answers `usage`. For a program that answers them before starting
// anything else.
std::optional<std::string> InformationOptionText(std::string_view program, std::string_view usage, int argc,
                                                 const char* const* argv);

}  // namespace kt58
