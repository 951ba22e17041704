// SPDX-License-Identifier: GPL-3.0-or-later
// Writing a file so that the name the user chose only ever holds a complete
// file: the bytes go to a temporary file in the same folder (so the final
// rename stays on one file system and is atomic), are flushed and fsynced,
// and only then renamed over the target. On any failure the temporary file
// is removed and the old target, if any, is left as it was. The project
// save, every export and the settings file write this way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <iosfwd>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/platform_error.h"

namespace kt58 {

// Called from a front end's signal handler (async-signal safe): from then
// on no atomic file is committed, so a stopped run never replaces an
// output with what it had when it was stopped.
void InterruptCommits() noexcept;
bool CommitsInterrupted() noexcept;

// A temporary file in the folder of the file `target` names, created
// (empty, exclusive, never through a symbolic link planted at its name) by
// the constructor. A target that is a symbolic link is followed: the file
// it points to is replaced and the link stays. Writers that need a path of
// their own (FFmpeg's muxer) write to TempPath(); Commit() fsyncs it and
// renames it onto the target. Destroying the object without a successful
// Commit() removes the temporary file. Raises PlatformError (FileWrite) when the target
// exists but is not a regular file (a folder, a FIFO, a device) or is
// read-only, or when the temporary file cannot be created.
class AtomicFile {
 public:
  explicit AtomicFile(const std::filesystem::path& target);
  // The temporary file goes into `staging` instead (an AtomicFileSet's
  // folder), which must be on the target's file system: a target elsewhere
  // raises PlatformError (FileWrite), as the rename could not move it.
  AtomicFile(const std::filesystem::path& target, const std::filesystem::path& staging);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  const std::filesystem::path& TempPath() const { return temp_; }
  // The file replaced at the commit (symbolic links followed): the name
  // messages give.
  const std::filesystem::path& Target() const { return target_; }
  // fsync of the temporary file's contents, rename onto the target, fsync
  // of the folder. Raises PlatformError (FileWrite) (and removes the temporary) on
  // failure, PlatformError (CommitInterrupted) after InterruptCommits(). Signals are held
  // from the last check to the rename, so the target is either replaced
  // and the commit returns, or it is untouched and the commit raises.
  void Commit();
  // Removes the temporary file now; harmless when already gone.
  void Discard() noexcept;

 private:
  friend class AtomicFileSet;
  void Sync();
  // With signals held and the interruption checked.
  void Rename();

  std::filesystem::path target_;
  std::filesystem::path temp_;
  bool committed_ = false;
};

// Files replaced together, or none of them: each is written into a hidden
// staging folder in `folder` (".kt58-staging.<pid>.tmp", an owned folder, so
// a later run removes it after a kill) and Commit() moves them all into
// place. Destroying the set without a successful Commit() removes the
// staging folder with everything in it; no target is touched before the
// commit. Raises PlatformError (FileCreate) when the folder refuses the
// staging folder.
class AtomicFileSet {
 public:
  explicit AtomicFileSet(const std::filesystem::path& folder);
  ~AtomicFileSet();
  AtomicFileSet(const AtomicFileSet&) = delete;
  AtomicFileSet& operator=(const AtomicFileSet&) = delete;

  // The path to write the future contents of `target` to (the file exists,
  // empty); a target given again drops what was written for it before.
  // Raises as AtomicFile's constructor.
  const std::filesystem::path& Stage(const std::filesystem::path& target);
  // fsync of every staged file, then every rename in the order staged, with
  // the stop signals held over all of them: after InterruptCommits() none
  // happens (PlatformError, CommitInterrupted), once they started they all
  // happen. A rename that fails (the target's folder went away meanwhile)
  // leaves the others done and raises PlatformError (FileWrite) naming the
  // first such target.
  void Commit();

 private:
  std::filesystem::path staging_;
  // In staging order; a target staged again empties its earlier slot.
  std::vector<std::unique_ptr<AtomicFile>> files_;
  std::map<std::filesystem::path, size_t> staged_;  // target -> slot
};

// Writes every byte to the descriptor, going on after a signal; raises
// PlatformError (FileWrite) naming `name` on a failure (a full disk, a file-size limit).
void WriteAllBytes(int fd, const uint8_t* data, size_t size, const std::filesystem::path& name);

// The whole file from bytes in memory.
void WriteFileAtomically(const std::filesystem::path& target, const uint8_t* data, size_t size);
// The whole file from pieces in memory, one after the other: a header and
// a picture's pixels go out without being copied into one buffer first.
void WriteFileAtomically(const std::filesystem::path& target, std::initializer_list<std::span<const uint8_t>> parts);
void WriteFileAtomically(const std::filesystem::path& target, const std::vector<uint8_t>& bytes);
// The whole file from a writer function; an exception it raises passes on
// after the temporary file is removed. A stream failure raises PlatformError (FileWrite).
void WriteFileAtomically(const std::filesystem::path& target, const std::function<void(std::ostream&)>& write);
// The same into an atomic file of the caller's, which it discards on failure.
void WriteFileAtomically(AtomicFile& file, const std::function<void(std::ostream&)>& write);

}  // namespace kt58
