// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/owned_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "platform/program_folder.h"

namespace kt58 {

namespace fs = std::filesystem;

namespace {

constexpr const char* kRegistryPrefix = ".kt58.";
constexpr const char* kRegistrySuffix = ".owned";
// Names tried before a folder is taken to refuse new files for another
// reason than names being taken.
constexpr int kMaxNameAttempts = 10000;

// One registry per program folder (tests change KT58_HOME between cases).
struct Registry {
  int fd = -1;
  fs::path path;
};

class OwnedFiles {
 public:
  ~OwnedFiles() {
    // A normal end: every registry whose files are all gone goes too, and
    // then the folders made for them, when nothing else is in them (rmdir
    // takes only an empty folder, so another process's files keep theirs).
    std::lock_guard lock(mutex_);
    for (auto& [folder, registry] : registries_) {
      bool live = false;
      for (const auto& [file, in] : owned_)
        live = live || in == folder;
      if (!live) ::unlink(registry.path.c_str());
      ::close(registry.fd);
    }
    for (auto it = made_.rbegin(); it != made_.rend(); ++it) ::rmdir(it->c_str());
  }

  // Makes the program folder, with its missing parents, when `file` belongs
  // in it: it is made when the first file goes there, so a run that makes no
  // file creates no folder. Readable by this user only, as frame stores hold
  // the user's pictures. False, errno set, for another folder or a failure.
  bool MakeProgramFolderFor(const fs::path& file) {
    std::lock_guard lock(mutex_);
    return MakeFolderFor(file);
  }

  void Add(const fs::path& file) {
    std::lock_guard lock(mutex_);
    const fs::path folder = ProgramFolder();
    owned_[file] = folder;
    Note(folder, '+', file);
  }

  bool Has(const fs::path& file) {
    std::lock_guard lock(mutex_);
    return owned_.count(file) != 0;
  }

  // Forgets the file; true when it was this process's.
  bool Drop(const fs::path& file) {
    std::lock_guard lock(mutex_);
    const auto it = owned_.find(file);
    if (it == owned_.end()) return false;
    const fs::path folder = it->second;
    owned_.erase(it);
    Note(folder, '-', file);
    return true;
  }

 private:
  // MakeProgramFolderFor with the mutex held.
  bool MakeFolderFor(const fs::path& file) {
    const fs::path work = Bare(ProgramFolder());
    if (Bare(file.parent_path()) != work) {
      errno = ENOENT;
      return false;
    }
    std::vector<fs::path> missing;
    std::error_code ec;
    for (fs::path f = work; !f.empty() && !fs::exists(f, ec); f = f.parent_path()) {
      missing.push_back(f);
      if (f == f.parent_path()) break;
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
      if (::mkdir(it->c_str(), 0700) == 0)
        made_.push_back(*it);
      else if (errno != EEXIST)
        return false;
    }
    return true;
  }

  // Appends "+path" or "-path" to the folder's registry. Best effort: a
  // program folder that cannot hold a registry only loses the clean-up
  // after a kill, never the work.
  void Note(const fs::path& folder, char op, const fs::path& file) {
    const Registry* registry = RegistryFor(folder);
    if (!registry) return;
    const std::string line = op + file.string() + "\n";
    // One write per line: O_APPEND keeps lines whole.
    [[maybe_unused]] const ssize_t n = ::write(registry->fd, line.data(), line.size());
  }

  const Registry* RegistryFor(const fs::path& folder) {
    if (auto it = registries_.find(folder); it != registries_.end()) return &it->second;
    const fs::path path = folder / (kRegistryPrefix + std::to_string(::getpid()) + kRegistrySuffix);
    // A file beside an output may be the first this run makes: the program
    // folder is made for its registry then, so the clean-up after a kill
    // finds it.
    if (!MakeFolderFor(path)) return nullptr;
    RemoveStaleFiles(folder);
    for (int attempt = 0; attempt < 3; ++attempt) {
      const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0600);
      if (fd < 0) return nullptr;
      if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return nullptr;
      }
      // A cleaner that locked the registry between its creation and our
      // lock took it for a dead process's and unlinked it: make another.
      struct stat by_fd {}, by_name {};
      if (::fstat(fd, &by_fd) == 0 && ::stat(path.c_str(), &by_name) == 0 && by_fd.st_ino == by_name.st_ino &&
          by_fd.st_dev == by_name.st_dev) {
        // A registry left by an earlier process with our pid was cleaned
        // above; what remains of it is ours to start afresh.
        if (::ftruncate(fd, 0) != 0) {
          ::close(fd);
          return nullptr;
        }
        return &(registries_[folder] = Registry{fd, path});
      }
      ::close(fd);
    }
    return nullptr;
  }

  static fs::path Bare(const fs::path& folder) {
    fs::path p = folder.lexically_normal();
    return p.has_filename() ? p : p.parent_path();
  }

  std::mutex mutex_;
  std::map<fs::path, fs::path> owned_;  // file -> program folder of its registry
  std::map<fs::path, Registry> registries_;
  std::vector<fs::path> made_;  // parents first
};

OwnedFiles& Owned() {
  static OwnedFiles owned;
  return owned;
}

std::string Describe(const fs::path& path, const std::string& what, int err) {
  return "Cannot create " + path.string() + ": " + what + " (" + std::strerror(err) + ")";
}

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// Only what this program names its own files may be deleted on the word of
// a registry: frame stores and temporaries of the program folder, the GIF
// size probe, and hidden temporaries of the dead process beside outputs.
bool LooksOwned(const fs::path& file, const fs::path& program_folder, const std::string& pid) {
  const std::string name = file.filename().string();
  if (name.empty()) return false;
  // ".<output>.<pid>.tmp", or ".<output>.<pid>_<n>.tmp" when that was taken.
  if (name[0] == '.' && EndsWith(name, ".tmp") &&
      (name.find("." + pid + ".") != std::string::npos || name.find("." + pid + "_") != std::string::npos))
    return true;
  if (!IsInsideFolder(file, program_folder)) return false;
  return EndsWith(name, ".Dat") || EndsWith(name, ".Tmp") || EndsWith(name, ".gif");
}

// A staging folder of the dead process (symbolic links are never folders
// here: lstat).
bool LooksOwnedFolder(const fs::path& folder, const std::string& pid) {
  const std::string name = folder.filename().string();
  const std::string stem = kStagingFolderPrefix + pid;
  return name.rfind(stem, 0) == 0 && EndsWith(name, kStagingFolderSuffix) && name.size() > stem.size() &&
         (name[stem.size()] == '.' || name[stem.size()] == '_');
}

void CleanRegistry(const fs::path& registry, const fs::path& folder) {
  const int fd = ::open(registry.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return;
  // Held by a running process: not stale.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::getuid()) {
    ::close(fd);
    return;
  }
  const std::string name = registry.filename().string();
  const std::string pid =
      name.substr(std::strlen(kRegistryPrefix), name.size() - std::strlen(kRegistryPrefix) - std::strlen(kRegistrySuffix));
  std::set<std::string> left;
  std::ifstream in(registry);
  for (std::string line; std::getline(in, line);) {
    if (line.size() < 2) continue;
    if (line[0] == '+') left.insert(line.substr(1));
    if (line[0] == '-') left.erase(line.substr(1));
  }
  for (const std::string& file : left) {
    struct stat fs_st {};
    if (::lstat(file.c_str(), &fs_st) != 0 || fs_st.st_uid != ::getuid()) continue;
    if (S_ISREG(fs_st.st_mode) && LooksOwned(file, folder, pid)) ::unlink(file.c_str());
    if (S_ISDIR(fs_st.st_mode) && LooksOwnedFolder(file, pid)) {
      // remove_all deletes links inside, never what they point to.
      std::error_code ec;
      fs::remove_all(file, ec);
    }
  }
  ::unlink(registry.c_str());
  ::close(fd);
}

}  // namespace

namespace {

// In a temporary folder every user shares, a program folder someone else
// made first could be read or swapped under us.
bool TrustedFolderFor(const fs::path& file) {
  const OwnFolders folders = Folders();
  if (!folders.work_in_shared_temp || !IsInsideFolder(file, folders.work)) return true;
  if (ProgramFolderProblem(folders).empty()) return true;
  errno = EACCES;
  return false;
}

}  // namespace

int CreateOwnedFile(const fs::path& path) {
  if (!TrustedFolderFor(path)) return -1;
  auto create = [&path] { return ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666); };
  int fd = create();
  // The folder is checked again once made: another user may have made it
  // in between.
  if (fd < 0 && errno == ENOENT && Owned().MakeProgramFolderFor(path) && TrustedFolderFor(path)) fd = create();
  if (fd < 0) return -1;
  std::error_code ec;
  Owned().Add(fs::absolute(path, ec));
  return fd;
}

namespace {

// Tries folder/stem + ext, folder/stem_2 + ext, ... with make (answering
// false with errno set) until a name is free.
template <class Make>
fs::path FirstFreeName(const fs::path& folder, const std::string& stem, const std::string& ext, const char* refusal,
                       Make make) {
  for (int n = 1; n <= kMaxNameAttempts; ++n) {
    const fs::path candidate = folder / (stem + (n == 1 ? std::string() : "_" + std::to_string(n)) + ext);
    if (make(candidate)) return candidate;
    if (errno != EEXIST) throw PlatformError(PlatformErrorCode::FileCreate, Describe(candidate, refusal, errno));
  }
  throw PlatformError(PlatformErrorCode::FileCreate, Describe(folder / (stem + ext), "every name is taken", EEXIST));
}

}  // namespace

fs::path CreateFreeOwnedFile(const fs::path& folder, const std::string& stem, const std::string& ext, int* fd_out) {
  return FirstFreeName(folder, stem, ext, "the folder refuses new files", [fd_out](const fs::path& candidate) {
    const int fd = CreateOwnedFile(candidate);
    if (fd < 0) return false;
    if (fd_out)
      *fd_out = fd;
    else
      ::close(fd);
    return true;
  });
}

fs::path LinkFreeOwnedFile(const fs::path& existing, const fs::path& folder, const std::string& stem,
                           const std::string& ext) {
  return FirstFreeName(folder, stem, ext, "no second name can be made there", [&existing](const fs::path& candidate) {
    if (!TrustedFolderFor(candidate)) return false;
    // link() never replaces a name: a taken one fails with EEXIST.
    auto link = [&] { return ::link(existing.c_str(), candidate.c_str()) == 0; };
    if (!link() &&
        !(errno == ENOENT && Owned().MakeProgramFolderFor(candidate) && TrustedFolderFor(candidate) && link()))
      return false;
    std::error_code ec;
    Owned().Add(fs::absolute(candidate, ec));
    return true;
  });
}

fs::path CreateFreeOwnedFolder(const fs::path& folder, const std::string& stem, const std::string& ext) {
  return FirstFreeName(folder, stem, ext, "the folder refuses new folders", [](const fs::path& candidate) {
    if (!TrustedFolderFor(candidate) || ::mkdir(candidate.c_str(), 0700) != 0) return false;
    std::error_code ec;
    Owned().Add(fs::absolute(candidate, ec));
    return true;
  });
}

void RemoveOwnedFolder(const fs::path& path) noexcept {
  try {
    std::error_code ec;
    const fs::path absolute = fs::absolute(path, ec);
    // As RemoveOwnedFile: deleted before it is forgotten.
    if (Owned().Has(absolute)) {
      fs::remove_all(absolute, ec);
      Owned().Drop(absolute);
    }
  } catch (const std::exception&) {
    // As in RemoveOwnedFile.
  }
}

bool IsOwnedFile(const fs::path& path) {
  std::error_code ec;
  return Owned().Has(fs::absolute(path, ec));
}

void RemoveOwnedFile(const fs::path& path) noexcept {
  try {
    std::error_code ec;
    const fs::path absolute = fs::absolute(path, ec);
    // Deleted before it is forgotten, so a kill in between leaves a
    // registry line that the clean-up finds harmlessly gone.
    if (Owned().Has(absolute)) {
      fs::remove(absolute, ec);
      Owned().Drop(absolute);
    }
  } catch (const std::exception&) {
    // Out of memory while forming a path: the file stays for the clean-up
    // of the next run, which is all a noexcept caller can hope for.
  }
}

void MoveOwnedFile(const fs::path& from, const fs::path& to) noexcept {
  try {
    std::error_code ec;
    Owned().Drop(fs::absolute(from, ec));
    const fs::path target = fs::absolute(to, ec);
    if (!Owned().Has(target)) Owned().Add(target);
  } catch (const std::exception&) {
    // As in RemoveOwnedFile: only the after-kill clean-up is lost.
  }
}

void ReleaseOwnedFile(const fs::path& path) noexcept {
  try {
    std::error_code ec;
    Owned().Drop(fs::absolute(path, ec));
  } catch (const std::exception&) {
    // As in RemoveOwnedFile.
  }
}

void RemoveStaleFiles(const fs::path& program_folder) noexcept {
  try {
    std::error_code ec;
    std::vector<fs::path> registries;
    for (fs::directory_iterator it(program_folder, ec), end; !ec && it != end; it.increment(ec)) {
      const std::string name = it->path().filename().string();
      if (name.rfind(kRegistryPrefix, 0) == 0 && EndsWith(name, kRegistrySuffix) &&
          name.size() > std::strlen(kRegistryPrefix) + std::strlen(kRegistrySuffix))
        registries.push_back(it->path());
    }
    for (const fs::path& r : registries) CleanRegistry(r, program_folder);
  } catch (const std::exception&) {
    // A folder that cannot be listed has nothing we could clean.
  }
}

}  // namespace kt58
