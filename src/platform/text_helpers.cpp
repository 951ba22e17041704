// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/text_helpers.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace kt58 {

namespace {
bool IsSeparator(char c) { return c == '/' || c == '\\'; }
}  // namespace

std::string ZeroPad(int value, int width) {
  std::string digits = std::to_string(value);
  if (static_cast<int>(digits.size()) >= width) return digits;
  return std::string(static_cast<size_t>(width) - digits.size(), '0') + digits;
}

int ParseIntOrZero(const std::string& text) {
  size_t i = 0, n = text.size();
  while (i < n && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  size_t end = n;
  while (end > i && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
  if (i == end) return 0;
  const std::string body = text.substr(i, end - i);
  errno = 0;
  char* stop = nullptr;
  const long long v = std::strtoll(body.c_str(), &stop, 10);
  if (errno != 0 || stop != body.c_str() + body.size()) return 0;
  if (v < INT_MIN || v > INT_MAX) return 0;
  return static_cast<int>(v);
}

std::string IncludeTrailingSeparator(const std::string& path) {
  if (path.empty() || IsSeparator(path.back())) return path;
  return path + '/';
}

std::string ExcludeTrailingSeparator(const std::string& path) {
  if (!path.empty() && IsSeparator(path.back())) return path.substr(0, path.size() - 1);
  return path;
}

std::string ShortenPath(const std::string& path, int max_width,
                        const std::function<int(const std::string&)>& width_of) {
  if (width_of(path) <= max_width) return path;
  // Root part kept as it is: "/", or a drive such as "C:\".
  size_t root_end = 0;
  if (path.size() >= 2 && path[1] == ':') root_end = 2;
  if (root_end < path.size() && IsSeparator(path[root_end])) ++root_end;
  const std::string root = path.substr(0, root_end);
  std::string rest = path.substr(root_end);
  // Drop leading folders one by one until the text fits or only the name is left.
  for (;;) {
    const size_t sep = rest.find_first_of("/\\");
    if (sep == std::string::npos) return root + ".../" + rest;
    rest = rest.substr(sep + 1);
    const std::string candidate = root + ".../" + rest;
    if (width_of(candidate) <= max_width) return candidate;
  }
}

bool SameTextIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

std::string Format(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  va_list copy;
  va_copy(copy, args);
  const int n = std::vsnprintf(nullptr, 0, fmt, copy);
  va_end(copy);
  std::string out(n > 0 ? static_cast<size_t>(n) : 0, '\0');
  if (n > 0) std::vsnprintf(out.data(), out.size() + 1, fmt, args);
  va_end(args);
  return out;
}

}  // namespace kt58
