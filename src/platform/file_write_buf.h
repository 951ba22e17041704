// SPDX-License-Identifier: GPL-3.0-or-later
// An output stream buffer over a file descriptor that writes with pwrite at
// a position of its own. It seeks both ways, so a writer can leave part of
// the file as it is by seeking past it, and it may guard a range of the
// file: bytes that would land there are refused (the stream goes bad), and
// whatever lies there stays intact.
#pragma once

#include <cstdint>
#include <ios>
#include <streambuf>
#include <vector>

namespace kt58 {

class FileWriteBuf final : public std::streambuf {
 public:
  // Writes from position 0 of fd, which stays the caller's.
  explicit FileWriteBuf(int fd);
  // Flushes; a failure then goes unreported, so writers flush first.
  ~FileWriteBuf() override;
  FileWriteBuf(const FileWriteBuf&) = delete;
  FileWriteBuf& operator=(const FileWriteBuf&) = delete;

  int Descriptor() const { return fd_; }
  // Bytes [from, to) of the file are never written through this buffer.
  void Guard(int64_t from, int64_t to);
  // The errno of the write that failed; 0 while none did.
  int Error() const { return error_; }

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* data, std::streamsize n) override;
  int sync() override;
  pos_type seekoff(off_type off, std::ios::seekdir dir, std::ios::openmode which) override;
  pos_type seekpos(pos_type pos, std::ios::openmode which) override;

 private:
  int64_t Position() const { return start_ + (pptr() - pbase()); }
  // Writes what is buffered at start_ and moves start_ past it.
  bool Flush();
  bool WriteAt(const char* data, int64_t n, int64_t at);

  int fd_;
  // The file position of the buffer's first byte.
  int64_t start_ = 0;
  int64_t guard_from_ = 0, guard_to_ = 0;
  int error_ = 0;
  std::vector<char> buffer_;
};

}  // namespace kt58
