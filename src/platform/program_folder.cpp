// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/program_folder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace kt58 {

namespace fs = std::filesystem;

namespace {

constexpr const char* kOwnName = "kt58-animator";

fs::path WithSeparator(fs::path p) {
  std::string s = p.string();
  if (s.empty() || s.back() != '/') s += '/';
  return fs::path(s);
}

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// The base directory variables count only when absolute; a relative one is
// to be ignored, as if unset.
bool Absolute(const std::string& s) { return !s.empty() && s.front() == '/'; }

fs::path ExecutableFolder() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return fs::current_path(ec);
  return exe.parent_path();
}

bool IsWritableFolder(const fs::path& folder) {
  return !folder.empty() && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

struct OwnExecutable {
  fs::path folder;
  ProgramLayout layout;
  bool writable = false;
};

// Where this process's executable lies does not change while it runs.
const OwnExecutable& Own() {
  static const OwnExecutable own = [] {
    OwnExecutable o;
    o.folder = ExecutableFolder();
    o.layout = LayoutOf(o.folder);
    o.writable = IsWritableFolder(o.folder);
    return o;
  }();
  return own;
}

// The nearest of `folder` and its parents that exists.
fs::path NearestExisting(fs::path folder) {
  std::error_code ec;
  while (!folder.empty() && !fs::exists(folder, ec)) {
    const fs::path parent = folder.parent_path();
    if (parent == folder) break;
    folder = parent;
  }
  return folder;
}

}  // namespace

FolderEnvironment FolderEnvironment::Current() {
  FolderEnvironment env;
  env.kt58_home = Variable("KT58_HOME");
  env.home = Variable("HOME");
  env.uid = ::getuid();
  if (!Absolute(env.home)) {
    env.home.clear();
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(env.uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir)
      env.home = found->pw_dir;
  }
  env.xdg_config_home = Variable("XDG_CONFIG_HOME");
  env.xdg_cache_home = Variable("XDG_CACHE_HOME");
  env.xdg_data_home = Variable("XDG_DATA_HOME");
  env.tmpdir = Variable("TMPDIR");
  return env;
}

fs::path OwnFolders::Projects(const fs::path& documents) const {
  if (!one_folder.empty()) return one_folder / "Projects";
  return documents / "kt58 Animator";
}

fs::path OwnFolders::Exports(const fs::path& pictures) const {
  if (!one_folder.empty()) return one_folder / "Output";
  return pictures;
}

OwnFolders PlanFolders(const FolderEnvironment& env, const fs::path& exe_folder, bool installed,
                       bool exe_folder_writable) {
  OwnFolders f;
  if (!env.kt58_home.empty()) {
    std::error_code ec;
    f.one_folder = WithSeparator(fs::absolute(env.kt58_home, ec));
  } else if (!installed && exe_folder_writable) {
    f.one_folder = WithSeparator(exe_folder);
  }
  if (!f.one_folder.empty()) {
    f.settings = f.one_folder / "User/";
    f.work = f.fallback = f.one_folder;
    return f;
  }

  const bool has_home = Absolute(env.home);
  // Without a home the folders of this user's own go to a temporary
  // folder named after the user, which no other user may own.
  const fs::path temp =
      WithSeparator(fs::path(Absolute(env.tmpdir) ? env.tmpdir : "/tmp") / (kOwnName + ("-" + std::to_string(env.uid))));
  auto base = [&](const std::string& variable, const char* below_home) -> fs::path {
    if (Absolute(variable)) return WithSeparator(fs::path(variable) / kOwnName);
    if (has_home) return WithSeparator(fs::path(env.home) / below_home / kOwnName);
    return fs::path();
  };
  f.settings = base(env.xdg_config_home, ".config");
  f.work = base(env.xdg_cache_home, ".cache");
  if (f.settings.empty()) f.settings = temp;
  if (f.work.empty()) {
    f.work = temp;
    f.work_in_shared_temp = true;
  }
  f.fallback = has_home ? WithSeparator(env.home) : temp;
  if (Absolute(env.xdg_data_home))
    f.former_data = WithSeparator(fs::path(env.xdg_data_home) / kOwnName);
  else if (has_home)
    f.former_data = WithSeparator(fs::path(env.home) / ".local/share" / kOwnName);
  return f;
}

OwnFolders Folders() {
  const OwnExecutable& own = Own();
  return PlanFolders(FolderEnvironment::Current(), own.folder, own.layout.installed, own.writable);
}

fs::path ProgramFolder() { return Folders().work; }

std::string ProgramFolderProblem(const OwnFolders& folders) {
  const fs::path folder = folders.work;
  std::string reason;
  std::error_code ec;
  // Without its trailing separator, so that a file in its place shows as one.
  const fs::path bare = folder.has_filename() ? folder : folder.parent_path();
  struct stat st {};
  if (::lstat(bare.c_str(), &st) != 0) {
    // Missing: made when the first file goes there, which needs a writable
    // folder at the nearest existing level.
    const fs::path existing = NearestExisting(bare);
    if (!fs::is_directory(existing, ec) || ::access(existing.c_str(), W_OK | X_OK) != 0)
      reason = "it does not exist and cannot be made";
  } else if (folders.work_in_shared_temp &&
             (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid() || (st.st_mode & (S_IWGRP | S_IWOTH)) != 0)) {
    reason = "it is not a folder of this user's alone";
  } else if (!fs::is_directory(bare, ec)) {
    reason = "it is not a folder";
  } else if (::access(folder.c_str(), W_OK | X_OK) != 0) {
    reason = std::strerror(errno);
  }
  return reason.empty() ? reason : "The program folder " + folder.string() + " cannot be written: " + reason;
}

ProgramLayout LayoutOf(const fs::path& exe_folder) {
  // The install rules put executables in <prefix>/bin and resources in
  // <prefix>/share/kt58-animator, so any prefix works.
  std::error_code ec;
  const fs::path shared = exe_folder.parent_path() / "share" / kOwnName;
  if (exe_folder.filename() == "bin" && fs::is_directory(shared, ec)) return {true, WithSeparator(shared)};
  return {false, WithSeparator(exe_folder)};
}

fs::path ResourceFolder() { return Own().layout.resources; }

fs::path FindResource(const fs::path& relative) {
  std::error_code ec;
  if (const fs::path one = Folders().one_folder; !one.empty()) {
    const fs::path own = one / relative;
    if (fs::is_regular_file(own, ec)) return own;
  }
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
