// SPDX-License-Identifier: GPL-3.0-or-later
// Little-endian values of the project file: writing to a stream, and a
// bounded reader that checks every count and size against the bytes that
// remain before anything is allocated.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>

#include "engine/errors.h"

namespace kt58 {

// A project file that cannot be read: cut short, or a count or size that the
// bytes present cannot hold.
class EProjectFormat : public Kt58Error {
 public:
  using Kt58Error::Kt58Error;
};

// Strings of the project file hold at most this many bytes.
inline constexpr int32_t kMaxStoredString = 256;

void PutInt32(std::ostream& out, int32_t v);
void PutUInt32(std::ostream& out, uint32_t v);
void PutBool(std::ostream& out, bool v);
void PutDouble(std::ostream& out, double v);
// A 32-bit length, then the bytes; names longer than the readers accept are
// cut to 256 bytes.
void PutString(std::ostream& out, const std::string& s);

// The number of bytes `write` puts out, without keeping them.
int64_t CountWrittenBytes(const std::function<void(std::ostream&)>& write);

class BoundedReader {
 public:
  // The bytes from the stream's position to its end are what may be read.
  explicit BoundedReader(std::istream& in);

  int32_t GetInt32();
  uint32_t GetUInt32();
  bool GetBool();
  double GetDouble();
  // Length 0..256, then the bytes; the text ends at the first zero byte.
  std::string GetString();
  // Raises unless `count` items of at least `item_bytes` each can remain.
  void NeedItems(int64_t count, int64_t item_bytes, const char* what);
  uint64_t Remaining() const { return remaining_; }
  std::istream& Stream() { return in_; }
  // After a nested reader consumed bytes directly from the stream.
  void Resync();

 private:
  void Read(void* out, size_t n);

  std::istream& in_;
  uint64_t remaining_;
};

}  // namespace kt58
