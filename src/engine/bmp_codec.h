// SPDX-License-Identifier: GPL-3.0-or-later
// BMP file images: the 24-bit form the program writes (14-byte "BM" header,
// 40-byte information header, no colour table, rows bottom-up padded to 4
// bytes), and the reader for the BMP files users bring.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

#include "engine/picture.h"

namespace kt58 {

inline constexpr size_t kBmpFileHeaderSize = 14;
inline constexpr size_t kBmpInfoHeaderSize = 40;
inline constexpr size_t kBmpHeadersSize = kBmpFileHeaderSize + kBmpInfoHeaderSize;

// Total length of the picture's BMP file image.
inline size_t BmpImageSize(const Picture& p) { return kBmpHeadersSize + p.ImageBytes(); }

// Writes the 54 header bytes for a 24-bit picture of that size.
void WriteBmpHeaders(int width, int height, uint8_t* out);
// Appends the picture's BMP file image to out.
void AppendBmpImage(const Picture& p, std::vector<uint8_t>& out);
std::vector<uint8_t> EncodeBmp(const Picture& p);
// Writes the picture's BMP file image; raises on a stream failure.
void WriteBmpImage(const Picture& p, std::ostream& out);
// Writes the picture as a BMP file, atomically (WriteFileAtomically), its
// pixels straight from the picture; raises PlatformError on a failure.
void SaveBmpFile(const Picture& p, const std::filesystem::path& path);

// Decodes a whole BMP file held in memory into a 24-bit picture: 1, 2, 4, 8,
// 16, 24 and 32 bits per pixel, RLE4, RLE8, OS/2 RLE24, bit-field masks,
// top-down rows, OS/2 1.x and 2.x headers and Windows headers up to V5.
// Alpha and colour profiles are ignored. Colour indices beyond the colour
// table and pixels a compressed stream leaves undrawn are black. Missing
// pixel data is refused rather than filled. Raises EngineError (Bmp) naming
// source_name and the fault for anything it cannot read; out is then
// unchanged.
void DecodeBmp(const uint8_t* data, size_t size, Picture& out, const std::string& source_name);
// Reads one BMP file image starting at the stream's position, leaving the
// position just after it: after the last pixel row for uncompressed images,
// after the image size field's bytes (else the file size field's) for
// compressed ones. The program's own 24-bit images are read straight into
// the picture, reusing its buffer. Raises EngineError (Bmp) on a bad or
// short image; out is then unchanged, but for an I/O error while reading
// the pixels of such a frame: out then has the frame's size and undefined
// pixels.
void ReadBmpImage(std::istream& in, Picture& out, const std::string& source_name);
// Reads a BMP file from disk.
void LoadBmpFile(const std::filesystem::path& path, Picture& out);

}  // namespace kt58
