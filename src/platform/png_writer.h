// SPDX-License-Identifier: GPL-3.0-or-later
// PNG encoding (libpng) of plain 8-bit colour rows: the single-frame and
// sequence exports' lossless format, with an alpha channel when the
// background is written transparent. Depends on nothing of ours: failures
// are PlatformError.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "platform/platform_error.h"

namespace kt58 {

// The bytes of each pixel in the rows handed in: three (Rgb, Bgr), the file
// holding R, G, B, or four (Bgra), the file holding R, G, B, A.
enum class PngPixelOrder { Rgb, Bgr, Bgra };

// An 8-bit RGB PNG (colour type 2), or RGBA (colour type 6) for Bgra, with
// no interlace, no gamma or colour-space chunks, so decoders show the
// samples as given, of `height` rows, each `rows[r]` pointing at 3 * width
// bytes (4 * width for Bgra), top row first. A size that is not
// positive, a row count other than height, or an encoder failure raise
// PlatformError (Png).
std::vector<uint8_t> EncodePng(int width, int height, std::span<const uint8_t* const> rows, PngPixelOrder order);
// The most bytes EncodePng gives for a picture of that size and pixel
// layout, whatever its pixels: the rows stored uncompressed at worst, with
// every chunk's and block's framing.
uint64_t PngBytesBound(int width, int height, PngPixelOrder order = PngPixelOrder::Rgb);
// The encoding written to path atomically (a temporary renamed into place);
// PlatformError (Png) for the encoding, (FileWrite) for the file.
void WritePngFile(const std::filesystem::path& path, int width, int height, std::span<const uint8_t* const> rows,
                  PngPixelOrder order);

}  // namespace kt58
