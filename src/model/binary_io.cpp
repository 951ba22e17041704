// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/binary_io.h"

#include <cstring>
#include <istream>
#include <limits>
#include <ostream>
#include <streambuf>

namespace kt58 {

namespace {

uint64_t BytesToEnd(std::istream& in) {
  const std::streampos here = in.tellg();
  if (here == std::streampos(-1)) return 0;
  in.seekg(0, std::ios::end);
  const std::streampos end = in.tellg();
  in.clear();
  in.seekg(here);
  if (end == std::streampos(-1) || end < here) return 0;
  return static_cast<uint64_t>(end - here);
}

class CountingBuf final : public std::streambuf {
 public:
  int64_t count = 0;

 protected:
  int_type overflow(int_type c) override {
    if (!traits_type::eq_int_type(c, traits_type::eof())) ++count;
    return traits_type::not_eof(c);
  }
  std::streamsize xsputn(const char*, std::streamsize n) override {
    count += n;
    return n;
  }
};

}  // namespace

int64_t CountWrittenBytes(const std::function<void(std::ostream&)>& write) {
  CountingBuf counter;
  std::ostream out(&counter);
  write(out);
  return counter.count;
}

void PutUInt32(std::ostream& out, uint32_t v) {
  const char b[4] = {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                     static_cast<char>((v >> 16) & 0xFF), static_cast<char>((v >> 24) & 0xFF)};
  out.write(b, 4);
}

void PutInt32(std::ostream& out, int32_t v) { PutUInt32(out, static_cast<uint32_t>(v)); }

void PutBool(std::ostream& out, bool v) { out.put(v ? 1 : 0); }

void PutDouble(std::ostream& out, double v) {
  static_assert(sizeof(double) == 8 && std::numeric_limits<double>::is_iec559);
  uint64_t bits;
  std::memcpy(&bits, &v, 8);
  PutUInt32(out, static_cast<uint32_t>(bits));
  PutUInt32(out, static_cast<uint32_t>(bits >> 32));
}

void PutString(std::ostream& out, const std::string& s) {
  const size_t n = std::min<size_t>(s.size(), kMaxStoredString);
  PutInt32(out, static_cast<int32_t>(n));
  out.write(s.data(), static_cast<std::streamsize>(n));
}

BoundedReader::BoundedReader(std::istream& in) : in_(in), remaining_(BytesToEnd(in)) {}

void BoundedReader::Resync() { remaining_ = BytesToEnd(in_); }

void BoundedReader::Read(void* out, size_t n) {
  if (n > remaining_ || !in_.read(static_cast<char*>(out), static_cast<std::streamsize>(n)))
    throw EProjectFormat("The project file is cut short");
  remaining_ -= n;
}

uint32_t BoundedReader::GetUInt32() {
  uint8_t b[4];
  Read(b, 4);
  return uint32_t{b[0]} | (uint32_t{b[1]} << 8) | (uint32_t{b[2]} << 16) | (uint32_t{b[3]} << 24);
}

int32_t BoundedReader::GetInt32() { return static_cast<int32_t>(GetUInt32()); }

bool BoundedReader::GetBool() {
  uint8_t b;
  Read(&b, 1);
  return b != 0;
}

double BoundedReader::GetDouble() {
  const uint64_t lo = GetUInt32();
  const uint64_t hi = GetUInt32();
  const uint64_t bits = lo | (hi << 32);
  double v;
  std::memcpy(&v, &bits, 8);
  return v;
}

std::string BoundedReader::GetString() {
  const int32_t n = GetInt32();
  if (n < 0 || n > kMaxStoredString) throw EProjectFormat("The project file holds a string of " + std::to_string(n) + " bytes");
  std::string s(static_cast<size_t>(n), '\0');
  if (n) Read(s.data(), static_cast<size_t>(n));
  if (const size_t zero = s.find('\0'); zero != std::string::npos) s.resize(zero);
  return s;
}

void BoundedReader::NeedItems(int64_t count, int64_t item_bytes, const char* what) {
  if (count < 0 || static_cast<uint64_t>(count) * static_cast<uint64_t>(item_bytes) > remaining_)
    throw EProjectFormat(std::string("The project file claims ") + std::to_string(count) + " " + what +
                         " that its bytes cannot hold");
}

}  // namespace kt58
