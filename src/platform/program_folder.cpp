#include "platform/program_folder.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

namespace kt58 {

namespace fs = std::filesystem;

namespace {

fs::path WithSeparator(fs::path p) {
  std::string s = p.string();
  if (s.empty() || s.back() != '/') s += '/';
  return fs::path(s);
}

fs::path ExecutableFolder() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return fs::current_path(ec);
  return exe.parent_path();
}

bool IsWritableFolder(const fs::path& folder) {
  return !folder.empty() && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

fs::path PerUserFolder() {
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) return fs::path(xdg) / "kt58-animator";
  const char* home = std::getenv("HOME");
  return fs::path(home && *home ? home : "/tmp") / ".local/share/kt58-animator";
}

const ProgramLayout& OwnLayout() {
  static const ProgramLayout layout = LayoutOf(ExecutableFolder());
  return layout;
}

fs::path ComputeDefaultFolder() {
  const fs::path exe_folder = ExecutableFolder();
  if (!OwnLayout().installed && IsWritableFolder(exe_folder)) return WithSeparator(exe_folder);
  const fs::path user = PerUserFolder();
  std::error_code ec;
  fs::create_directories(user, ec);
  return WithSeparator(user);
}

}  // namespace

fs::path ProgramFolder() {
  if (const char* home = std::getenv("KT58_HOME"); home && *home) {
    std::error_code ec;
    fs::create_directories(home, ec);
    return WithSeparator(fs::absolute(home, ec));
  }
  static std::once_flag once;
  static fs::path folder;
  std::call_once(once, [] { folder = ComputeDefaultFolder(); });
  return folder;
}

std::string ProgramFolderProblem() {
  const fs::path folder = ProgramFolder();
  std::string reason;
  std::error_code ec;
  // Without its trailing separator, so that a file in its place shows as one.
  const fs::path bare = folder.has_filename() ? folder : folder.parent_path();
  const fs::file_status status = fs::status(bare, ec);
  if (!fs::exists(status))
    reason = "it does not exist and cannot be made";
  else if (!fs::is_directory(status))
    reason = "it is not a folder";
  else if (::access(folder.c_str(), W_OK | X_OK) != 0)
    reason = std::strerror(errno);
  return reason.empty() ? reason : "The program folder " + folder.string() + " cannot be written: " + reason;
}

ProgramLayout LayoutOf(const fs::path& exe_folder) {
  // The install rules put executables in <prefix>/bin and resources in
  // <prefix>/share/kt58-animator, so any prefix works.
  std::error_code ec;
  const fs::path shared = exe_folder.parent_path() / "share" / "kt58-animator";
  if (exe_folder.filename() == "bin" && fs::is_directory(shared, ec)) return {true, WithSeparator(shared)};
  return {false, WithSeparator(exe_folder)};
}

fs::path ResourceFolder() { return OwnLayout().resources; }

fs::path FindResource(const fs::path& relative) {
  std::error_code ec;
  const fs::path own = ProgramFolder() / relative;
  if (fs::is_regular_file(own, ec)) return own;
  return ResourceFolder() / relative;
}

fs::path SampleProjectPath() { return FindResource(fs::path("Projects") / "Dovrenkal.apf"); }

fs::path HelpIndexPath() { return FindResource(fs::path("help") / "index.html"); }

bool IsInsideFolder(const fs::path& candidate, const fs::path& folder) {
  std::error_code ec;
  const fs::path c = fs::weakly_canonical(fs::absolute(candidate, ec), ec);
  const fs::path f = fs::weakly_canonical(fs::absolute(folder, ec), ec);
  auto fi = f.begin(), ci = c.begin();
  for (; fi != f.end(); ++fi, ++ci) {
    if (fi->empty()) continue;  // trailing separator
    if (ci == c.end() || *ci != *fi) return false;
  }
  return true;
}

}  // namespace kt58
