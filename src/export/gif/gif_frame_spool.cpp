// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/gif/gif_frame_spool.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/atomic_file.h"
#include "platform/owned_files.h"

namespace kt58 {
namespace {

// A record: width, height, table size, code size, data size, transparent
// index (all ones: none) and disposal (seven 32-bit words), the table (3
// bytes an entry), 256 counts (64-bit), the data.
constexpr size_t kWords = 7;

// Copies size bytes to the record at *at and moves past them. The record is
// sized first: growing it a few bytes at a time also trips GCC 12's
// overflow warning at -O3.
void Put(uint8_t*& at, const void* from, size_t size) {
  if (size > 0) std::memcpy(at, from, size);
  at += size;
}

}  // namespace

GifFrameSpool::GifFrameSpool(const std::filesystem::path& folder) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  try {
    path_ = CreateFreeOwnedFile(folder, ".Frames", ".tmp", &fd_);
  } catch (const PlatformError& e) {
    throw PlatformError(PlatformErrorCode::FileWrite, e.what());
  }
}

GifFrameSpool::~GifFrameSpool() {
  ::close(fd_);
  RemoveOwnedFile(path_);
}

void GifFrameSpool::Append(const SpooledFrame& frame) {
  const std::array<uint32_t, kWords> words{static_cast<uint32_t>(frame.width), static_cast<uint32_t>(frame.height),
                                           static_cast<uint32_t>(frame.map.size()),
                                           static_cast<uint32_t>(frame.code_size),
                                           static_cast<uint32_t>(frame.packed.size()),
                                           static_cast<uint32_t>(frame.transparent),
                                           static_cast<uint32_t>(frame.disposal)};
  std::vector<uint8_t> out(sizeof(words) + 3 * frame.map.size() + sizeof(frame.counts) + frame.packed.size());
  uint8_t* at = out.data();
  Put(at, words.data(), sizeof(words));
  for (const GifColor& c : frame.map) {
    const uint8_t rgb[3] = {c.r, c.g, c.b};
    Put(at, rgb, sizeof(rgb));
  }
  Put(at, frame.counts.data(), sizeof(frame.counts));
  Put(at, frame.packed.data(), frame.packed.size());
  WriteAllBytes(fd_, out.data(), out.size(), path_);
  ++count_;
}

void GifFrameSpool::Reader::Read(void* to, size_t size) {
  auto* p = static_cast<uint8_t*>(to);
  while (size > 0) {
    const ssize_t n = ::pread(spool_.fd_, p, size, static_cast<off_t>(offset_));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0)
      throw PlatformError(PlatformErrorCode::FileWrite,
                          "Cannot read " + spool_.path_.string() + ": " + (n < 0 ? std::strerror(errno) : "cut short"));
    p += n;
    size -= static_cast<size_t>(n);
    offset_ += static_cast<uint64_t>(n);
  }
}

bool GifFrameSpool::Reader::Next(SpooledFrame& frame) {
  if (index_ == spool_.count_) return false;
  ++index_;
  uint32_t words[kWords];
  Read(words, sizeof words);
  frame.width = static_cast<int>(words[0]);
  frame.height = static_cast<int>(words[1]);
  std::vector<uint8_t> table(static_cast<size_t>(words[2]) * 3);
  Read(table.data(), table.size());
  frame.map.clear();
  for (size_t i = 0; i < table.size(); i += 3) frame.map.push_back(GifColor{table[i], table[i + 1], table[i + 2]});
  Read(frame.counts.data(), sizeof frame.counts);
  frame.code_size = static_cast<int>(words[3]);
  frame.transparent = static_cast<int32_t>(words[5]);
  frame.disposal = static_cast<int>(words[6]);
  frame.packed.clear();
  if (with_data_) {
    frame.packed.resize(words[4]);
    Read(frame.packed.data(), frame.packed.size());
  } else {
    offset_ += words[4];
  }
  return true;
}

}  // namespace kt58
