#include "export/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <system_error>

namespace kt58 {

namespace fs = std::filesystem;

namespace {

std::string Describe(const fs::path& path, const std::string& what, int err) {
  return "Cannot write " + path.string() + ": " + what + " (" + std::strerror(err) + ")";
}

// The folder a relative name without folder lives in: the working folder.
fs::path FolderOf(const fs::path& target) {
  fs::path parent = target.parent_path();
  return parent.empty() ? fs::path(".") : parent;
}

// Hidden, per-process, per-call name so two exports into one folder (or two
// processes) never share a temporary.
fs::path TemporaryName(const fs::path& target, unsigned attempt) {
  static std::atomic<unsigned> counter{0};
  const unsigned n = counter.fetch_add(1) + attempt;
  fs::path name = "." + target.filename().string() + "." + std::to_string(::getpid()) + "." + std::to_string(n) + ".tmp";
  return target.parent_path() / name;
}

void SyncFolder(const fs::path& folder) noexcept {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);  // best effort: some file systems refuse fsync on folders
  ::close(fd);
}

}  // namespace

AtomicFile::AtomicFile(const fs::path& target) : target_(target) {
  if (target.filename().empty()) throw EFileWrite("Cannot write " + target.string() + ": no file name");
  for (unsigned attempt = 0;; ++attempt) {
    fs::path candidate = TemporaryName(target, attempt);
    const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      ::close(fd);
      temp_ = std::move(candidate);
      return;
    }
    if (errno != EEXIST || attempt > 100) throw EFileWrite(Describe(target, "cannot create a temporary file", errno));
  }
}

AtomicFile::~AtomicFile() {
  if (!committed_) Discard();
}

void AtomicFile::Discard() noexcept {
  if (temp_.empty()) return;
  std::error_code ec;
  fs::remove(temp_, ec);
}

void AtomicFile::Commit() {
  if (committed_) return;
  const int fd = ::open(temp_.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    const int err = errno;
    Discard();
    throw EFileWrite(Describe(target_, "the temporary file disappeared", err));
  }
  if (::fsync(fd) != 0) {
    const int err = errno;
    ::close(fd);
    Discard();
    throw EFileWrite(Describe(target_, "cannot flush the file", err));
  }
  ::close(fd);
  // A folder under the target's name must not be replaced by a file; rename
  // would refuse anyway, but say so plainly.
  if (::rename(temp_.c_str(), target_.c_str()) != 0) {
    const int err = errno;
    Discard();
    throw EFileWrite(Describe(target_, "cannot rename the temporary file into place", err));
  }
  committed_ = true;
  SyncFolder(FolderOf(target_));
}

void WriteFileAtomically(const fs::path& target, const uint8_t* data, size_t size) {
  AtomicFile file(target);
  {
    const int fd = ::open(file.TempPath().c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) throw EFileWrite(Describe(target, "cannot open the temporary file", errno));
    size_t done = 0;
    while (done < size) {
      const ssize_t n = ::write(fd, data + done, size - done);
      if (n < 0) {
        if (errno == EINTR) continue;
        const int err = errno;
        ::close(fd);
        throw EFileWrite(Describe(target, "write failed", err));
      }
      done += static_cast<size_t>(n);
    }
    if (::close(fd) != 0) throw EFileWrite(Describe(target, "close failed", errno));
  }
  file.Commit();
}

void WriteFileAtomically(const fs::path& target, const std::vector<uint8_t>& bytes) {
  WriteFileAtomically(target, bytes.data(), bytes.size());
}

void WriteFileAtomically(const fs::path& target, const std::function<void(std::ostream&)>& write) {
  AtomicFile file(target);
  {
    std::ofstream out(file.TempPath(), std::ios::binary | std::ios::trunc);
    if (!out) throw EFileWrite(Describe(target, "cannot open the temporary file", errno));
    write(out);
    out.flush();
    if (!out) throw EFileWrite(Describe(target, "write failed", errno));
    out.close();
    if (out.fail()) throw EFileWrite(Describe(target, "close failed", errno));
  }
  file.Commit();
}

}  // namespace kt58
