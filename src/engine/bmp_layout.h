// SPDX-License-Identifier: GPL-3.0-or-later
// Internal to the BMP reader: the parsed layout of a BMP file's headers and
// the run-length decoder that fills a picture from compressed pixel data.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/picture.h"

namespace kt58::bmp {

// Compression codes as stored in the information header. OS/2 2.x headers
// reuse 3 for Huffman 1D and 4 for RLE24; we read 4 as RLE24 there.
inline constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kJpeg = 4, kPng = 5, kAlphaBitFields = 6;

enum class PixelForm {
  kIndexed,    // 1, 2, 4 or 8 bits: colour-table indices, most significant bits first
  kBgr24,      // 3 bytes blue, green, red
  kBitFields,  // 16 or 32-bit words split by three channel masks
  kRle4,
  kRle8,
  kRle24,      // OS/2 2.x: runs of 3-byte blue, green, red pixels
};

// A colour table expanded to 256 entries; entries beyond the file's table
// are black, so an out-of-range index reads as black.
using Palette = std::array<std::array<uint8_t, 3>, 256>;

struct Layout {
  int width = 0;
  int height = 0;          // rows, always positive
  bool top_down = false;   // the file stores row 0 first
  int bits = 0;            // bits per pixel
  PixelForm form = PixelForm::kBgr24;
  uint32_t masks[3] = {};  // red, green, blue for kBitFields
  uint64_t palette_offset = 0;
  uint32_t palette_entries = 0;  // entries actually read, at most 256
  uint32_t palette_entry_size = 4;
  uint64_t pixel_offset = 0;  // file offset of the pixel data
  uint64_t size_image = 0;    // the header's image size field (unreliable)
  uint64_t file_size = 0;     // the file header's size field (unreliable)

  bool Compressed() const { return form == PixelForm::kRle4 || form == PixelForm::kRle8 || form == PixelForm::kRle24; }
  // Bytes per stored row of uncompressed data (padded to 4 bytes).
  uint64_t SourceRowBytes() const { return ((static_cast<uint64_t>(width) * bits + 31) / 32) * 4; }
  // Bytes the last row needs without its padding: some writers drop it.
  uint64_t LastRowBytes() const { return (static_cast<uint64_t>(width) * bits + 7) / 8; }
};

[[noreturn]] void Fail(const std::string& source_name, const std::string& fault);

// Length of the headers (file header, information header, and the masks a
// 40-byte header keeps after itself) given at least the first 18 bytes; 0
// when the information header size is not one we read.
size_t HeadersLength(const uint8_t* data, size_t size);

// Reads the headers in data[0, size) (which must hold HeadersLength bytes)
// and checks everything that does not depend on the bytes after them.
Layout ParseHeaders(const uint8_t* data, size_t size, const std::string& source_name);

// Fills pic (sized to the layout and all black) from run-length data. Pixels
// the stream skips with deltas or early end codes stay black; runs past the
// right edge are clipped. Raises EngineError (Bmp) when the data ends before the
// end-of-bitmap code and before the last row is complete.
void DecodeRle(const Layout& layout, const Palette& palette, const uint8_t* data, size_t size, Picture& pic,
               const std::string& source_name);

}  // namespace kt58::bmp
