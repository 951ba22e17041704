#include "export/gif/gif_frame_spool.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/atomic_file.h"
#include "platform/owned_files.h"

namespace kt58 {
namespace {

// A record: width, height, table size, code size, data size (five 32-bit
// words), the table (3 bytes an entry), 256 counts (64-bit), the data.
constexpr size_t kWords = 5;

template <class T>
void Put(std::vector<uint8_t>& out, const T& value) {
  const auto* p = reinterpret_cast<const uint8_t*>(&value);
  out.insert(out.end(), p, p + sizeof(T));
}

}  // namespace

TGIFFrameSpool::TGIFFrameSpool(const std::filesystem::path& folder) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  try {
    path_ = CreateFreeOwnedFile(folder, ".Frames", ".tmp", &fd_);
  } catch (const EFileCreate& e) {
    throw EFileWrite(e.what());
  }
}

TGIFFrameSpool::~TGIFFrameSpool() {
  ::close(fd_);
  RemoveOwnedFile(path_);
}

void TGIFFrameSpool::Append(const SpooledFrame& frame) {
  std::vector<uint8_t> out;
  for (uint32_t word : {static_cast<uint32_t>(frame.width), static_cast<uint32_t>(frame.height),
                        static_cast<uint32_t>(frame.map.size()), static_cast<uint32_t>(frame.code_size),
                        static_cast<uint32_t>(frame.packed.size())})
    Put(out, word);
  for (const GifColor& c : frame.map) out.insert(out.end(), {c.r, c.g, c.b});
  for (uint64_t count : frame.counts) Put(out, count);
  out.insert(out.end(), frame.packed.begin(), frame.packed.end());
  WriteAllBytes(fd_, out.data(), out.size(), path_);
  ++count_;
}

void TGIFFrameSpool::Reader::Read(void* to, size_t size) {
  auto* p = static_cast<uint8_t*>(to);
  while (size > 0) {
    const ssize_t n = ::pread(spool_.fd_, p, size, static_cast<off_t>(offset_));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0)
      throw EFileWrite("Cannot read " + spool_.path_.string() + ": " + (n < 0 ? std::strerror(errno) : "cut short"));
    p += n;
    size -= static_cast<size_t>(n);
    offset_ += static_cast<uint64_t>(n);
  }
}

bool TGIFFrameSpool::Reader::Next(SpooledFrame& frame) {
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
