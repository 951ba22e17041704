// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/atomic_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <optional>
#include <system_error>

#include "platform/owned_files.h"

namespace kt58 {

namespace fs = std::filesystem;

namespace {

volatile std::sig_atomic_t g_commits_interrupted = 0;

// Links followed before a chain is taken for a loop.
constexpr int kMaxLinks = 40;

std::string Describe(const fs::path& path, const std::string& what, int err) {
  return "Cannot write " + path.string() + ": " + what + " (" + std::strerror(err) + ")";
}

// The folder a relative name without folder lives in: the working folder.
fs::path FolderOf(const fs::path& target) {
  fs::path parent = target.parent_path();
  return parent.empty() ? fs::path(".") : parent;
}

// The file a chain of symbolic links ends at (the path itself when it is
// none); the end may not exist yet.
fs::path FollowLinks(fs::path path) {
  for (int i = 0; i < kMaxLinks; ++i) {
    std::error_code ec;
    if (!fs::is_symlink(path, ec)) return path;
    const fs::path link = fs::read_symlink(path, ec);
    if (ec)
      throw PlatformError(PlatformErrorCode::FileWrite, Describe(path, "cannot read the symbolic link", ec.value()));
    path = link.is_absolute() ? link : path.parent_path() / link;
  }
  throw PlatformError(PlatformErrorCode::FileWrite, Describe(path, "too many symbolic links", ELOOP));
}

// The signals a front end stops on, held while a commit decides.
sigset_t StopSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (int s : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) sigaddset(&set, s);
  return set;
}

class HeldSignals {
 public:
  HeldSignals() {
    const sigset_t set = StopSignals();
    pthread_sigmask(SIG_BLOCK, &set, &old_);
  }
  ~HeldSignals() { pthread_sigmask(SIG_SETMASK, &old_, nullptr); }
  HeldSignals(const HeldSignals&) = delete;
  HeldSignals& operator=(const HeldSignals&) = delete;

 private:
  sigset_t old_;
};

}  // namespace

void InterruptCommits() noexcept { g_commits_interrupted = 1; }
bool CommitsInterrupted() noexcept { return g_commits_interrupted != 0; }

AtomicFile::AtomicFile(const fs::path& target) : AtomicFile(target, fs::path()) {}

AtomicFile::AtomicFile(const fs::path& target, const fs::path& staging) {
  if (target.filename().empty())
    throw PlatformError(PlatformErrorCode::FileWrite, "Cannot write " + target.string() + ": no file name");
  target_ = FollowLinks(target);
  struct stat st {};
  mode_t mode = 0;
  if (::stat(target_.c_str(), &st) == 0) {
    // A rename would replace a FIFO or device node by a file, and writing
    // through it would block or reach hardware: neither is an export.
    if (S_ISDIR(st.st_mode))
      throw PlatformError(PlatformErrorCode::FileWrite, Describe(target_, "it is a folder", EISDIR));
    if (!S_ISREG(st.st_mode))
      throw PlatformError(PlatformErrorCode::FileWrite, Describe(target_, "it is not a regular file", EINVAL));
    // The rename would go through for a read-only file whose folder is
    // writable; the user made it read-only to keep it.
    if (::access(target_.c_str(), W_OK) != 0 || (st.st_mode & 0222) == 0)
      throw PlatformError(PlatformErrorCode::FileWrite, Describe(target_, "the file is read-only", EACCES));
    mode = st.st_mode & 07777;
  }
  const fs::path folder = staging.empty() ? FolderOf(target_) : staging;
  if (!staging.empty()) {
    struct stat at_target {}, at_staging {};
    // The rename at the commit must not fail where a temporary beside the
    // target could not have been made: everything it needs is checked now.
    if (::stat(FolderOf(target_).c_str(), &at_target) != 0)
      throw PlatformError(PlatformErrorCode::FileWrite, Describe(target_, "its folder cannot be reached", errno));
    if (!S_ISDIR(at_target.st_mode))
      throw PlatformError(PlatformErrorCode::FileWrite, Describe(target_, "its folder is no folder", ENOTDIR));
    if (::access(FolderOf(target_).c_str(), W_OK | X_OK) != 0)
      throw PlatformError(PlatformErrorCode::FileWrite, Describe(target_, "its folder refuses new files", errno));
    if (::stat(staging.c_str(), &at_staging) != 0)
      throw PlatformError(PlatformErrorCode::FileWrite, Describe(staging, "the staging folder is gone", errno));
    if (at_target.st_dev != at_staging.st_dev)
      throw PlatformError(PlatformErrorCode::FileWrite,
                          Describe(target_, "it is on another file system than " + staging.string(), EXDEV));
  }
  // Hidden, per-process names, so two exports into one folder (or two
  // processes) never share a temporary, and the clean-up after a kill can
  // tell whose it is.
  int fd = -1;
  try {
    temp_ = CreateFreeOwnedFile(folder, "." + target_.filename().string() + "." + std::to_string(::getpid()),
                                ".tmp", &fd);
  } catch (const PlatformError& e) {
    throw PlatformError(PlatformErrorCode::FileWrite,
                        "Cannot write " + target_.string() + ": no temporary file. " + e.what());
  }
  // A replaced file keeps its permissions; failing that, the default ones
  // are no reason to stop.
  if (mode != 0) (void)::fchmod(fd, mode);
  ::close(fd);
}

AtomicFile::~AtomicFile() {
  if (!committed_) Discard();
}

void AtomicFile::Discard() noexcept {
  if (temp_.empty() || committed_) return;
  RemoveOwnedFile(temp_);
}

void AtomicFile::Sync() {
  const int fd = ::open(temp_.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    const int err = errno;
    Discard();
    throw PlatformError(PlatformErrorCode::FileWrite, Describe(target_, "the temporary file disappeared", err));
  }
  if (::fsync(fd) != 0) {
    const int err = errno;
    ::close(fd);
    Discard();
    throw PlatformError(PlatformErrorCode::FileWrite, Describe(target_, "cannot flush the file", err));
  }
  ::close(fd);
}

void AtomicFile::Rename() {
  if (::rename(temp_.c_str(), target_.c_str()) != 0) {
    const int err = errno;
    Discard();
    throw PlatformError(PlatformErrorCode::FileWrite,
                        Describe(target_, "cannot rename the temporary file into place", err));
  }
  committed_ = true;
  ReleaseOwnedFile(temp_);
}

namespace {

// Best effort: some file systems refuse fsync on folders.
void SyncFolder(const fs::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

}  // namespace

void AtomicFile::Commit() {
  if (committed_) return;
  Sync();
  {
    HeldSignals held;
    if (CommitsInterrupted()) {
      Discard();
      throw PlatformError(PlatformErrorCode::CommitInterrupted, "Cannot write " + target_.string() + ": interrupted");
    }
    Rename();
  }
  SyncFolder(FolderOf(target_));
}

AtomicFileSet::AtomicFileSet(const fs::path& folder)
    : staging_(CreateFreeOwnedFolder(folder.empty() ? fs::path(".") : folder, kStagingFolderPrefix + std::to_string(::getpid()),
                                     kStagingFolderSuffix)) {}

AtomicFileSet::~AtomicFileSet() {
  // The files first, so the folder goes with nothing of theirs left listed.
  files_.clear();
  RemoveOwnedFolder(staging_);
}

const fs::path& AtomicFileSet::Stage(const fs::path& target) {
  auto file = std::make_unique<AtomicFile>(target, staging_);
  const auto [it, added] = staged_.try_emplace(file->target_, files_.size());
  if (!added) {
    files_[it->second].reset();
    it->second = files_.size();
  }
  files_.push_back(std::move(file));
  return files_.back()->TempPath();
}

void AtomicFileSet::Commit() {
  for (const auto& file : files_)
    if (file) file->Sync();
  std::optional<PlatformError> failure;
  {
    HeldSignals held;
    if (CommitsInterrupted())
      throw PlatformError(PlatformErrorCode::CommitInterrupted,
                          "Cannot write the files staged in " + staging_.string() + ": interrupted");
    for (const auto& file : files_) {
      if (!file) continue;
      try {
        file->Rename();
      } catch (const PlatformError& e) {
        if (!failure) failure = e;
      }
    }
  }
  std::vector<fs::path> folders;
  for (const auto& file : files_) {
    if (!file) continue;
    const fs::path folder = FolderOf(file->target_);
    if (std::find(folders.begin(), folders.end(), folder) == folders.end()) folders.push_back(folder);
  }
  for (const fs::path& folder : folders) SyncFolder(folder);
  if (failure) throw *failure;
}

void WriteAllBytes(int fd, const uint8_t* data, size_t size, const fs::path& name) {
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd, data + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw PlatformError(PlatformErrorCode::FileWrite, Describe(name, "write failed", errno));
    }
    done += static_cast<size_t>(n);
  }
}

void WriteFileAtomically(const fs::path& target, const uint8_t* data, size_t size) {
  WriteFileAtomically(target, {std::span<const uint8_t>(data, size)});
}

void WriteFileAtomically(const fs::path& target, std::initializer_list<std::span<const uint8_t>> parts) {
  AtomicFile file(target);
  {
    const int fd = ::open(file.TempPath().c_str(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
      throw PlatformError(PlatformErrorCode::FileWrite, Describe(target, "cannot open the temporary file", errno));
    try {
      for (const std::span<const uint8_t> part : parts) WriteAllBytes(fd, part.data(), part.size(), target);
    } catch (const PlatformError&) {
      ::close(fd);
      throw;
    }
    if (::close(fd) != 0) throw PlatformError(PlatformErrorCode::FileWrite, Describe(target, "close failed", errno));
  }
  file.Commit();
}

void WriteFileAtomically(const fs::path& target, const std::vector<uint8_t>& bytes) {
  WriteFileAtomically(target, bytes.data(), bytes.size());
}

void WriteFileAtomically(const fs::path& target, const std::function<void(std::ostream&)>& write) {
  AtomicFile file(target);
  WriteFileAtomically(file, write);
}

void WriteFileAtomically(AtomicFile& file, const std::function<void(std::ostream&)>& write) {
  const fs::path& target = file.Target();
  {
    std::ofstream out(file.TempPath(), std::ios::binary | std::ios::trunc);
    if (!out)
      throw PlatformError(PlatformErrorCode::FileWrite, Describe(target, "cannot open the temporary file", errno));
    write(out);
    out.flush();
    if (!out) throw PlatformError(PlatformErrorCode::FileWrite, Describe(target, "write failed", errno));
    out.close();
    if (out.fail()) throw PlatformError(PlatformErrorCode::FileWrite, Describe(target, "close failed", errno));
  }
  file.Commit();
}

}  // namespace kt58
