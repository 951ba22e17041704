// Writing a file so that the name the user chose only ever holds a complete
// file: the bytes go to a temporary file in the same folder (so the final
// rename stays on one file system and is atomic), are flushed and fsynced,
// and only then renamed over the target. On any failure the temporary file
// is removed and the old target, if any, is left as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "engine/errors.h"

namespace kt58 {

// A file that cannot be written, created or renamed into place; the text
// names the file and the reason.
class EFileWrite : public Kt58Error {
 public:
  using Kt58Error::Kt58Error;
};

// A temporary file beside `target`, created (empty, exclusive, mode 0666
// less the umask) by the constructor. Writers that need a path of their own
// (FFmpeg's muxer) write to TempPath(); Commit() fsyncs it and renames it
// onto the target. Destroying the object without a successful Commit()
// removes the temporary file. Raises EFileWrite when the temporary file
// cannot be created (the target's folder is missing or not a folder, ...).
class AtomicFile {
 public:
  explicit AtomicFile(const std::filesystem::path& target);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  const std::filesystem::path& Target() const { return target_; }
  const std::filesystem::path& TempPath() const { return temp_; }
  // fsync of the temporary file's contents, rename onto the target, fsync
  // of the folder. Raises EFileWrite (and removes the temporary) on failure.
  void Commit();
  // Removes the temporary file now; harmless when already gone.
  void Discard() noexcept;
  bool Committed() const { return committed_; }

 private:
  std::filesystem::path target_;
  std::filesystem::path temp_;
  bool committed_ = false;
};

// The whole file from bytes in memory.
void WriteFileAtomically(const std::filesystem::path& target, const uint8_t* data, size_t size);
void WriteFileAtomically(const std::filesystem::path& target, const std::vector<uint8_t>& bytes);
// The whole file from a writer function; an exception it raises passes on
// after the temporary file is removed. A stream failure raises EFileWrite.
void WriteFileAtomically(const std::filesystem::path& target, const std::function<void(std::ostream&)>& write);

}  // namespace kt58
