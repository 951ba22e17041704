// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/file_write_buf.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace kt58 {

namespace {

constexpr size_t kBufferBytes = size_t{1} << 20;

}  // namespace

FileWriteBuf::FileWriteBuf(int fd) : fd_(fd), buffer_(kBufferBytes) {
  setp(buffer_.data(), buffer_.data() + buffer_.size());
}

FileWriteBuf::~FileWriteBuf() { Flush(); }

void FileWriteBuf::Guard(int64_t from, int64_t to) {
  guard_from_ = from;
  guard_to_ = to;
}

bool FileWriteBuf::WriteAt(const char* data, int64_t n, int64_t at) {
  if (error_) return false;
  if (at < guard_to_ && at + n > guard_from_) {
    error_ = EPERM;
    return false;
  }
  while (n > 0) {
    const ssize_t done = ::pwrite(fd_, data, static_cast<size_t>(n), static_cast<off_t>(at));
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) {
      // A write that takes nothing and says nothing is a full disk.
      error_ = done < 0 ? errno : ENOSPC;
      return false;
    }
    data += done;
    n -= done;
    at += done;
  }
  return true;
}

bool FileWriteBuf::Flush() {
  const int64_t held = pptr() - pbase();
  const bool written = held == 0 || WriteAt(pbase(), held, start_);
  start_ += held;
  setp(buffer_.data(), buffer_.data() + buffer_.size());
  return written;
}

FileWriteBuf::int_type FileWriteBuf::overflow(int_type c) {
  if (!Flush()) return traits_type::eof();
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  *pptr() = traits_type::to_char_type(c);
  pbump(1);
  return c;
}

std::streamsize FileWriteBuf::xsputn(const char* data, std::streamsize n) {
  if (n <= epptr() - pptr()) {
    traits_type::copy(pptr(), data, static_cast<size_t>(n));
    pbump(static_cast<int>(n));
    return n;
  }
  // More than the buffer holds goes straight to the file.
  if (!Flush() || !WriteAt(data, n, start_)) return 0;
  start_ += n;
  return n;
}

int FileWriteBuf::sync() { return Flush() ? 0 : -1; }

FileWriteBuf::pos_type FileWriteBuf::seekoff(off_type off, std::ios::seekdir dir, std::ios::openmode which) {
  if (dir == std::ios::cur) return off == 0 ? pos_type(Position()) : seekpos(pos_type(Position() + off), which);
  if (dir == std::ios::beg) return seekpos(pos_type(off), which);
  if (!Flush()) return pos_type(off_type(-1));
  const off_t end = ::lseek(fd_, 0, SEEK_END);
  if (end < 0) return pos_type(off_type(-1));
  return seekpos(pos_type(end + off), which);
}

FileWriteBuf::pos_type FileWriteBuf::seekpos(pos_type pos, std::ios::openmode) {
  if (pos < 0 || !Flush()) return pos_type(off_type(-1));
  start_ = static_cast<int64_t>(pos);
  return pos;
}

}  // namespace kt58
