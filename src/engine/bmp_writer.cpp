// SPDX-License-Identifier: GPL-3.0-or-later
#include <cerrno>
#include <cstring>
#include <ostream>
#include <string>

#include "engine/bmp_codec.h"
#include "engine/errors.h"
#include "platform/atomic_file.h"

namespace kt58 {

namespace {
void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
}  // namespace

void WriteBmpHeaders(int width, int height, uint8_t* out) {
  const uint32_t image = static_cast<uint32_t>(Picture::RowBytesFor(width) * static_cast<size_t>(height));
  std::memset(out, 0, kBmpHeadersSize);
  out[0] = 'B';
  out[1] = 'M';
  Put32(out + 2, static_cast<uint32_t>(kBmpHeadersSize) + image);  // total length
  Put32(out + 10, static_cast<uint32_t>(kBmpHeadersSize));         // offset of the pixels
  uint8_t* info = out + kBmpFileHeaderSize;
  Put32(info + 0, static_cast<uint32_t>(kBmpInfoHeaderSize));
  Put32(info + 4, static_cast<uint32_t>(width));
  Put32(info + 8, static_cast<uint32_t>(height));  // positive: rows stored bottom-up
  Put16(info + 12, 1);                             // planes
  Put16(info + 14, 24);                            // bits per pixel
  Put32(info + 20, image);                         // compression 0 (BI_RGB) at +16
}

void AppendBmpImage(const Picture& p, std::vector<uint8_t>& out) {
  const size_t at = out.size();
  out.resize(at + BmpImageSize(p));
  WriteBmpHeaders(p.Width(), p.Height(), out.data() + at);
  if (p.ImageBytes()) std::memcpy(out.data() + at + kBmpHeadersSize, p.Bits(), p.ImageBytes());
}

std::vector<uint8_t> EncodeBmp(const Picture& p) {
  std::vector<uint8_t> out;
  AppendBmpImage(p, out);
  return out;
}

void WriteBmpImage(const Picture& p, std::ostream& out) {
  errno = 0;
  uint8_t headers[kBmpHeadersSize];
  WriteBmpHeaders(p.Width(), p.Height(), headers);
  out.write(reinterpret_cast<const char*>(headers), kBmpHeadersSize);
  if (p.ImageBytes()) out.write(reinterpret_cast<const char*>(p.Bits()), static_cast<std::streamsize>(p.ImageBytes()));
  if (!out) {
    // The reason of the write(2) underneath that failed, when there was one.
    const int reason = errno;
    throw Kt58Error(std::string("Cannot write the picture: ") +
                    (reason ? std::strerror(reason) : "the stream refused its bytes"));
  }
}

void SaveBmpFile(const Picture& p, const std::filesystem::path& path) {
  uint8_t headers[kBmpHeadersSize];
  WriteBmpHeaders(p.Width(), p.Height(), headers);
  WriteFileAtomically(path, {std::span<const uint8_t>(headers), std::span<const uint8_t>(p.Bits(), p.ImageBytes())});
}

}  // namespace kt58
