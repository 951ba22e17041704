// SPDX-License-Identifier: GPL-3.0-or-later
// PNG encoding (libpng) of plain 8-bit colour rows: the single-frame and
// sequence exports' lossless format. Depends on nothing of ours: failures
// are PlatformError.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "platform/platform_error.h"

namespace kt58 {

// The order of the three bytes of each pixel in the rows handed in; the
// file always holds R, G, B.
enum class PngPixelOrder { Rgb, Bgr };

// An 8-bit RGB PNG (colour type 2, no interlace, no gamma or colour-space
// chunks, so decoders show the samples as given) of `height` rows, each
// `rows[r]` pointing at 3 * width bytes, top row first. A size that is not
// positive, a row count other than height, or an encoder failure raise
// PlatformError (Png).
std::vector<uint8_t> EncodePng(int width, int height, std::span<const uint8_t* const> rows, PngPixelOrder order);
// The most bytes EncodePng gives for a picture of that size, whatever its
// pixels: the rows stored uncompressed at worst, with every chunk's and
// block's framing.
uint64_t PngBytesBound(int width, int height);
// The encoding written to path atomically (a temporary renamed into place);
// PlatformError (Png) for the encoding, (FileWrite) for the file.
void WritePngFile(const std::filesystem::path& path, int width, int height, std::span<const uint8_t* const> rows,
                  PngPixelOrder order);

}  // namespace kt58
