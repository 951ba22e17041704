// SPDX-License-Identifier: GPL-3.0-or-later
// Text and path helpers shared by the front ends and the core.
#pragma once

#include <functional>
#include <string>

namespace kt58 {

// Decimal text of value, left-padded with '0' to at least width characters;
// never cut when longer.
std::string ZeroPad(int value, int width);

// Integer typed into a numeric field; text that is not a whole number counts as 0.
int ParseIntOrZero(const std::string& text);

// Appends a separator to a non-empty path that lacks one.
std::string IncludeTrailingSeparator(const std::string& path);
// Removes one trailing separator.
std::string ExcludeTrailingSeparator(const std::string& path);

// Shortens a path to fit max_width (as measured by width_of) by replacing
// leading folders with ".../", keeping the root (or a drive) and the file name.
std::string ShortenPath(const std::string& path, int max_width,
                        const std::function<int(const std::string&)>& width_of);

// Case-insensitive comparison of ASCII letters (file names, extensions).
bool SameTextIgnoringCase(const std::string& a, const std::string& b);

// printf-style formatting of the program's own message templates.
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace kt58
