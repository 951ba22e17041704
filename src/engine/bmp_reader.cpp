// SPDX-License-Identifier: GPL-3.0-or-later
// The BMP reader. Input is untrusted: every offset and count is checked
// against the bytes present before a picture is allocated, and every fault is
// an EngineError (Bmp) naming the source.
//
// What is read: 1, 2, 4, 8, 16, 24 and 32 bits per pixel; RLE4, RLE8 and the
// OS/2 RLE24; bit-field masks (any contiguous masks, each channel scaled to 8
// bits); bottom-up and top-down rows; OS/2 1.x (12-byte), OS/2 2.x (16..64
// bytes), Windows 40, 52, 56, 108 and 124-byte headers. Alpha and colour
// profiles are ignored: the result is always a 24-bit picture.
//
// Lenient about fields that do not affect the pixels: the file size, image
// size, planes, resolution and important-colours fields are not trusted. A
// pixel offset that points into the headers is replaced by the position just
// after the nominal colour table; a colour table cut off by the pixel offset
// is read as far as it goes. Colour indices beyond the table read as black.
//
// Strict about missing pixels: uncompressed data shorter than its rows (the
// last row may lack its padding) and compressed data that ends before the
// picture is complete are refused rather than padded with black.
#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <istream>
#include <optional>
#include <vector>

#include "engine/bmp_codec.h"
#include "engine/bmp_layout.h"
#include "engine/errors.h"

namespace kt58 {

namespace bmp {

namespace {

uint32_t Get32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }
uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

// Information header sizes: 12 (OS/2 1.x), 40, 52, 56, 108, 124 (Windows) and
// any other size from 16 to 64 (OS/2 2.x, whose fields may be cut short).
bool KnownInfoSize(uint32_t n) { return n == 12 || (n >= 16 && n <= 64) || n == 108 || n == 124; }
bool IsOs2v2(uint32_t n) { return n >= 16 && n <= 64 && n != 40 && n != 52 && n != 56; }

// A run-length stream of n bytes can draw at most about 127 pixels per byte
// (a 255-pixel run per two bytes); leaving the rest to deltas and early end
// codes is legal, but a huge picture from a few bytes would mostly be blank
// allocation. Pictures beyond this many pixels per compressed byte are
// refused, except that any picture up to 2^20 pixels (one a stream leaves
// all blank, say) is allowed.
constexpr uint64_t kRleMaxPixelsPerByte = 1024;
constexpr uint64_t kRleFreePixels = 1 << 20;

// Larger files cannot be a picture within the size limits (4 bytes per pixel
// plus generous room for tables and profiles); they are refused unread.
constexpr uint64_t kMaxFileBytes = (static_cast<uint64_t>(kMaxPicturePixels) * 4) + (64u << 20);

// Largest headers: file header, 124-byte information header; a 40-byte one
// may be followed by 16 bytes of masks.
constexpr size_t kLargestHeaders = kBmpFileHeaderSize + 124 + 16;

std::string Hex(uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", v);
  return buf;
}

// One bit-field channel: its value is (pixel & mask) >> shift, of `bits`
// bits, scaled to 0..255 with rounding. Narrow channels go through a table.
class Channel {
 public:
  Channel(uint32_t mask) : mask_(mask) {
    if (mask == 0) return;
    shift_ = std::countr_zero(mask);
    bits_ = std::popcount(mask);
    max_ = bits_ == 32 ? 0xFFFFFFFFu : (1u << bits_) - 1;
    if (bits_ <= 16) {
      table_.resize(size_t{max_} + 1);
      for (uint32_t v = 0; v <= max_; ++v) table_[v] = Scale(v);
    }
  }
  uint8_t operator()(uint32_t pixel) const {
    if (mask_ == 0) return 0;
    const uint32_t v = (pixel & mask_) >> shift_;
    return table_.empty() ? Scale(v) : table_[v];
  }

 private:
  uint8_t Scale(uint32_t v) const {
    return static_cast<uint8_t>((static_cast<uint64_t>(v) * 255 + max_ / 2) / max_);
  }
  uint32_t mask_;
  int shift_ = 0;
  int bits_ = 0;
  uint32_t max_ = 1;
  std::vector<uint8_t> table_;
};

void ConvertIndexedRow(const Layout& l, const Palette& pal, const uint8_t* src, uint8_t* dst) {
  if (l.bits == 8) {
    for (int x = 0; x < l.width; ++x, dst += 3) std::memcpy(dst, pal[src[x]].data(), 3);
    return;
  }
  const unsigned bits = static_cast<unsigned>(l.bits);
  const unsigned index_mask = (1u << bits) - 1;
  for (int x = 0; x < l.width; ++x, dst += 3) {
    const size_t bit = static_cast<size_t>(x) * bits;
    const unsigned index = (src[bit >> 3] >> (8 - bits - (bit & 7))) & index_mask;
    std::memcpy(dst, pal[index].data(), 3);
  }
}

void DecodeUncompressed(const Layout& l, const Palette& pal, const uint8_t* pixels, Picture& pic) {
  const uint64_t src_row = l.SourceRowBytes();
  std::vector<Channel> channels;
  if (l.form == PixelForm::kBitFields)
    channels = {Channel(l.masks[0]), Channel(l.masks[1]), Channel(l.masks[2])};
  for (int i = 0; i < l.height; ++i) {
    const uint8_t* src = pixels + src_row * static_cast<uint64_t>(i);
    // File row i is the picture's row i when stored top-down, else its stored
    // (bottom-up) row i.
    uint8_t* dst = l.top_down ? pic.Row(i) : pic.Bits() + static_cast<size_t>(i) * pic.RowBytes();
    switch (l.form) {
      case PixelForm::kBgr24:
        std::memcpy(dst, src, static_cast<size_t>(l.width) * 3);
        break;
      case PixelForm::kIndexed:
        ConvertIndexedRow(l, pal, src, dst);
        break;
      case PixelForm::kBitFields:
        for (int x = 0; x < l.width; ++x, dst += 3) {
          const uint32_t v = l.bits == 16 ? Get16(src + 2 * x) : Get32(src + 4 * x);
          dst[0] = channels[2](v);
          dst[1] = channels[1](v);
          dst[2] = channels[0](v);
        }
        break;
      default:
        break;
    }
  }
}

}  // namespace

void Fail(const std::string& source_name, const std::string& fault) {
  throw EngineError(EngineErrorCode::Bmp, source_name.empty() ? fault : source_name + ": " + fault);
}

size_t HeadersLength(const uint8_t* data, size_t size) {
  if (size < 18) return 0;
  const uint32_t info_size = Get32(data + 14);
  if (!KnownInfoSize(info_size)) return 0;
  size_t n = kBmpFileHeaderSize + info_size;
  // A 40-byte header keeps its masks after itself.
  if (info_size == 40 && size >= n) {
    const uint32_t compression = Get32(data + 30);
    if (compression == kBitFields) n += 12;
    if (compression == kAlphaBitFields) n += 16;
  }
  return n;
}

Layout ParseHeaders(const uint8_t* data, size_t size, const std::string& name) {
  if (size >= 2 && data[0] == 'B' && data[1] == 'A') Fail(name, "OS/2 bitmap arrays are not supported");
  if (size < 2 || data[0] != 'B' || data[1] != 'M') Fail(name, "not a BMP file");
  if (size < 18) Fail(name, "the headers are cut short");
  const uint32_t info_size = Get32(data + 14);
  if (!KnownInfoSize(info_size)) Fail(name, "unsupported header size " + std::to_string(info_size));
  const size_t headers_end = HeadersLength(data, size);
  if (size < kBmpFileHeaderSize + info_size || size < headers_end) Fail(name, "the headers are cut short");

  const uint8_t* h = data + kBmpFileHeaderSize;
  const bool os2v2 = IsOs2v2(info_size);
  // Fields that a short OS/2 2.x header leaves out are zero.
  const auto field = [&](uint32_t at) { return info_size >= at + 4 ? Get32(h + at) : 0u; };

  Layout l;
  l.file_size = Get32(data + 2);
  const uint32_t off_bits = Get32(data + 10);
  int64_t width, height;
  uint32_t compression = kRgb, colors_used = 0;
  if (info_size == 12) {
    width = Get16(h + 4);
    height = Get16(h + 6);
    l.bits = Get16(h + 10);
    l.palette_entry_size = 3;
  } else {
    width = static_cast<int32_t>(Get32(h + 4));
    height = static_cast<int32_t>(Get32(h + 8));
    l.bits = Get16(h + 14);
    compression = field(16);
    l.size_image = field(20);
    colors_used = field(32);
  }
  if (width <= 0) Fail(name, "invalid width " + std::to_string(width));
  if (height == 0) Fail(name, "invalid height 0");
  if (height < 0) {
    l.top_down = true;
    height = -height;
  }
  if (!WithinPictureLimits(width, height)) Fail(name, "image size " + PictureLimitText(width, height));
  l.width = static_cast<int>(width);
  l.height = static_cast<int>(height);

  const auto unsupported_depth = [&] { Fail(name, "unsupported bit depth " + std::to_string(l.bits)); };
  const auto mismatch = [&] {
    Fail(name, "compression " + std::to_string(compression) + " with " + std::to_string(l.bits) + " bits per pixel");
  };
  if (os2v2 && compression == kJpeg) {
    if (l.bits != 24) mismatch();
    l.form = PixelForm::kRle24;
  } else if (os2v2 && compression == kBitFields) {
    Fail(name, "unsupported compression 3 (OS/2 Huffman)");
  } else if (os2v2 && compression > kRle4) {
    // OS/2 headers have no masks: bit fields would be read past them.
    Fail(name, "unsupported compression " + std::to_string(compression));
  } else {
    switch (compression) {
      case kRgb:
        if (l.bits == 1 || l.bits == 2 || l.bits == 4 || l.bits == 8) {
          l.form = PixelForm::kIndexed;
        } else if (l.bits == 16) {
          l.form = PixelForm::kBitFields;
          l.masks[0] = 0x7C00, l.masks[1] = 0x03E0, l.masks[2] = 0x001F;
        } else if (l.bits == 24) {
          l.form = PixelForm::kBgr24;
        } else if (l.bits == 32) {
          l.form = PixelForm::kBitFields;
          l.masks[0] = 0xFF0000, l.masks[1] = 0xFF00, l.masks[2] = 0xFF;
        } else {
          unsupported_depth();
        }
        break;
      case kRle8:
        if (l.bits != 8) mismatch();
        l.form = PixelForm::kRle8;
        break;
      case kRle4:
        if (l.bits != 4) mismatch();
        l.form = PixelForm::kRle4;
        break;
      case kBitFields:
      case kAlphaBitFields: {
        if (l.bits != 16 && l.bits != 32) mismatch();
        l.form = PixelForm::kBitFields;
        // Masks live in headers of 52 bytes and more, else right after the
        // 40-byte header (counted in headers_end).
        const uint8_t* m = h + 40;
        for (int c = 0; c < 3; ++c) l.masks[c] = Get32(m + 4 * c);
        for (uint32_t mask : l.masks) {
          if (l.bits == 16 && mask > 0xFFFF) Fail(name, "bit-field mask " + Hex(mask) + " lies outside the pixel");
          if (mask && ((mask >> std::countr_zero(mask)) & ((mask >> std::countr_zero(mask)) + 1)) != 0)
            Fail(name, "bit-field mask " + Hex(mask) + " is not contiguous");
        }
        break;
      }
      default:
        Fail(name, "unsupported compression " + std::to_string(compression));
    }
  }
  if (l.top_down && l.Compressed()) Fail(name, "compressed pixel data cannot be stored top-down");

  // The colour table follows the headers; the pixel offset bounds it.
  l.palette_offset = headers_end;
  const uint64_t nominal = colors_used ? colors_used : (l.bits <= 8 ? (1u << l.bits) : 0);
  if (off_bits >= headers_end) {
    l.pixel_offset = off_bits;
  } else {
    // The offset points into the headers: assume the pixels follow the table.
    l.pixel_offset = headers_end + nominal * l.palette_entry_size;
  }
  if (l.bits <= 8) {
    const uint64_t room = (l.pixel_offset - headers_end) / l.palette_entry_size;
    l.palette_entries = static_cast<uint32_t>(std::min({nominal, uint64_t{1} << l.bits, room}));
    if (l.palette_entries == 0) Fail(name, "the colour table is missing");
  }
  return l;
}

}  // namespace bmp

void DecodeBmp(const uint8_t* data, size_t size, Picture& out, const std::string& source_name) {
  using namespace bmp;
  const Layout l = ParseHeaders(data, size, source_name);

  Palette palette{};
  if (l.palette_offset + uint64_t{l.palette_entries} * l.palette_entry_size > size)
    Fail(source_name, "the colour table is cut short");
  for (uint32_t i = 0; i < l.palette_entries; ++i) {
    const uint8_t* e = data + l.palette_offset + size_t{i} * l.palette_entry_size;
    palette[i] = {e[0], e[1], e[2]};
  }

  if (l.pixel_offset >= size)
    Fail(source_name, "pixel data offset " + std::to_string(l.pixel_offset) + " is past the end of the file");
  const uint64_t available = size - l.pixel_offset;
  const uint64_t pixels = static_cast<uint64_t>(l.width) * static_cast<uint64_t>(l.height);
  Picture pic;
  if (l.Compressed()) {
    if (pixels > kRleMaxPixelsPerByte * available + kRleFreePixels)
      Fail(source_name, "compressed pixel data is too short for a " + std::to_string(l.width) + " x " +
                            std::to_string(l.height) + " image");
    pic.SetSize(l.width, l.height);
    DecodeRle(l, palette, data + l.pixel_offset, static_cast<size_t>(available), pic, source_name);
  } else {
    if (available < l.SourceRowBytes() * static_cast<uint64_t>(l.height - 1) + l.LastRowBytes())
      Fail(source_name, "pixel data is cut short");
    pic.SetSizeForOverwrite(l.width, l.height);
    DecodeUncompressed(l, palette, data + l.pixel_offset, pic);
  }
  out.TakeFrom(pic);
}

namespace {

void ReadExactly(std::istream& in, uint8_t* to, size_t n, const std::string& name,
                 const char* fault = "image is cut short") {
  if (n && !in.read(reinterpret_cast<char*>(to), static_cast<std::streamsize>(n))) bmp::Fail(name, fault);
}

// Bytes left in a seekable stream, so that a length in the headers can be
// checked before anything is allocated; nothing for a stream without ends.
std::optional<uint64_t> RemainingBytes(std::istream& in) {
  const std::istream::pos_type at = in.tellg();
  if (at == std::istream::pos_type(-1)) return std::nullopt;
  in.seekg(0, std::ios::end);
  const std::istream::pos_type end = in.tellg();
  in.seekg(at);
  if (end == std::istream::pos_type(-1) || !in || end < at) {
    in.clear();
    in.seekg(at);
    return std::nullopt;
  }
  return static_cast<uint64_t>(end - at);
}

}  // namespace

void ReadBmpImage(std::istream& in, Picture& out, const std::string& source_name) {
  using namespace bmp;
  uint8_t head[kLargestHeaders];
  ReadExactly(in, head, 18, source_name);
  const uint32_t info_size = Get32(head + 14);
  if (head[0] != 'B' || head[1] != 'M' || !KnownInfoSize(info_size))
    ParseHeaders(head, 18, source_name);  // raises the matching fault
  ReadExactly(in, head + 18, kBmpFileHeaderSize + info_size - 18, source_name);
  size_t head_len = kBmpFileHeaderSize + info_size;
  const std::optional<uint64_t> remaining = RemainingBytes(in);

  // The program's own frames: 24-bit, uncompressed, bottom-up, 40-byte
  // header, pixels right after it. Rows go straight into the picture.
  if (info_size == kBmpInfoHeaderSize) {
    const int32_t w = static_cast<int32_t>(Get32(head + 18));
    const int32_t h = static_cast<int32_t>(Get32(head + 22));
    if (w > 0 && h > 0 && WithinPictureLimits(w, h) && Get16(head + 28) == 24 && Get32(head + 30) == kRgb &&
        Get32(head + 10) == kBmpHeadersSize && Get32(head + 46) == 0 && remaining) {
      if (*remaining < Picture::RowBytesFor(w) * static_cast<uint64_t>(h)) Fail(source_name, "image is cut short");
      // Into out's own buffer, which a reader of many frames keeps: the
      // stream was checked to hold the pixels, so only an I/O error can
      // still stop the read half-way.
      out.SetSizeForOverwrite(w, h);
      ReadExactly(in, out.Bits(), out.ImageBytes(), source_name);
      return;
    }
  }

  const size_t full_len = HeadersLength(head, head_len);
  ReadExactly(in, head + head_len, full_len - head_len, source_name);
  head_len = full_len;
  const Layout l = ParseHeaders(head, head_len, source_name);

  // Where the image ends: uncompressed data ends with its last row; the file
  // size field is often wrong and is not used for it. Compressed data is as
  // long as its image size field says, else as the file size field says.
  uint64_t end;
  if (!l.Compressed()) {
    end = l.pixel_offset + l.SourceRowBytes() * static_cast<uint64_t>(l.height);
  } else if (l.size_image) {
    end = l.pixel_offset + l.size_image;
  } else if (l.file_size > l.pixel_offset) {
    end = l.file_size;
  } else {
    Fail(source_name, "the length of the compressed image is unknown");
  }
  if (end > kMaxFileBytes) Fail(source_name, "image too large");
  // remaining was measured after the information header.
  if (remaining && end - (kBmpFileHeaderSize + info_size) > *remaining) Fail(source_name, "image is cut short");

  // Grown as bytes arrive, so a false length on a short stream fails before
  // it costs memory.
  std::vector<uint8_t> bytes(head, head + head_len);
  constexpr uint64_t kChunk = 16u << 20;
  while (bytes.size() < end) {
    const size_t at = bytes.size();
    const size_t n = static_cast<size_t>(std::min<uint64_t>(kChunk, end - at));
    bytes.resize(at + n);
    ReadExactly(in, bytes.data() + at, n, source_name);
  }
  DecodeBmp(bytes.data(), bytes.size(), out, source_name);
}

void LoadBmpFile(const std::filesystem::path& path, Picture& out) {
  const std::string name = path.string();
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) bmp::Fail(name, "cannot open the file");
  const std::streamoff length = in.tellg();
  if (length < 0) bmp::Fail(name, "cannot read the file");
  if (static_cast<uint64_t>(length) > bmp::kMaxFileBytes) bmp::Fail(name, "the file is too large for a picture");
  in.seekg(0);
  // The headers are checked first, so that a size beyond the picture limits
  // is refused before the rest of the file is read into memory.
  std::vector<uint8_t> bytes(std::min<size_t>(static_cast<size_t>(length), bmp::kLargestHeaders));
  ReadExactly(in, bytes.data(), bytes.size(), name, "cannot read the file");
  const size_t headers = bmp::HeadersLength(bytes.data(), bytes.size());
  if (headers != 0 && headers <= bytes.size()) bmp::ParseHeaders(bytes.data(), headers, name);
  const size_t head = bytes.size();
  bytes.resize(static_cast<size_t>(length));
  ReadExactly(in, bytes.data() + head, bytes.size() - head, name, "cannot read the file");
  DecodeBmp(bytes.data(), bytes.size(), out, name);
}

}  // namespace kt58
