// Minimal reader: 24-bit uncompressed images with a 40-byte header.
#include <cstring>
#include <fstream>
#include <istream>
#include <iterator>

#include "engine/bmp_codec.h"
#include "engine/errors.h"

namespace kt58 {

namespace {
uint32_t Get32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }
uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
}  // namespace

void DecodeBmp(const uint8_t* data, size_t size, TPicture& out, const std::string& source_name) {
  if (size < kBmpHeadersSize || data[0] != 'B' || data[1] != 'M') throw EBmpError(source_name + ": not a BMP file");
  const uint8_t* info = data + kBmpFileHeaderSize;
  const int32_t w = static_cast<int32_t>(Get32(info + 4));
  const int32_t h = static_cast<int32_t>(Get32(info + 8));
  if (Get32(info) != 40 || Get16(info + 14) != 24 || Get32(info + 16) != 0 || w < 0 || h < 0)
    throw EBmpError(source_name + ": unsupported BMP format");
  const uint32_t off = Get32(data + 10);
  TPicture pic;
  pic.SetSizeForOverwrite(w, h);
  if (off > size || size - off < pic.ImageBytes()) throw EBmpError(source_name + ": pixel data is cut short");
  if (pic.ImageBytes()) std::memcpy(pic.Bits(), data + off, pic.ImageBytes());
  out.TakeFrom(pic);
}

void ReadBmpImage(std::istream& in, TPicture& out, const std::string& source_name) {
  uint8_t headers[kBmpHeadersSize];
  if (!in.read(reinterpret_cast<char*>(headers), kBmpHeadersSize)) throw EBmpError(source_name + ": image is cut short");
  const uint32_t total = Get32(headers + 2);
  if (total < kBmpHeadersSize || total > kBmpHeadersSize + static_cast<uint64_t>(kMaxPicturePixels) * 4)
    throw EBmpError(source_name + ": bad image size");
  std::vector<uint8_t> bytes(total);
  std::memcpy(bytes.data(), headers, kBmpHeadersSize);
  if (!in.read(reinterpret_cast<char*>(bytes.data() + kBmpHeadersSize), total - kBmpHeadersSize))
    throw EBmpError(source_name + ": image is cut short");
  DecodeBmp(bytes.data(), bytes.size(), out, source_name);
}

void LoadBmpFile(const std::filesystem::path& path, TPicture& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw EBmpError(path.string() + ": cannot open the file");
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  DecodeBmp(bytes.data(), bytes.size(), out, path.string());
}

}  // namespace kt58
