// SPDX-License-Identifier: GPL-3.0-or-later
// JPEG decoding and encoding (libjpeg-turbo) into and from plain RGB rows.
// Depends on nothing of ours: failures are PlatformError (Jpeg), which the engine maps
// onto its own error type.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "platform/picture_limits.h"
#include "platform/platform_error.h"

namespace kt58 {

// Rows top-down, three bytes R, G, B per pixel, no row padding.
struct JpegImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
};

// Decodes baseline, progressive, greyscale, YCbCr, RGB, CMYK and YCCK
// images (Adobe-inverted CMYK recognised by its APP14 marker) into RGB.
// A file cut short, corrupt data that ends the image early, a size beyond
// max_pixels or the picture limits raise PlatformError (Jpeg); the size is checked from
// the header before any pixel memory is taken. max_pixels lets callers with
// tighter needs (fuzzing, previews) lower the bound.
JpegImage DecodeJpeg(const uint8_t* data, size_t size, int64_t max_pixels = kMaxPicturePixels);
JpegImage DecodeJpegFile(const std::filesystem::path& path, int64_t max_pixels = kMaxPicturePixels);

// Encodes RGB rows (as in JpegImage) as a baseline colour JPEG at the given
// quality (1..100).
std::vector<uint8_t> EncodeJpeg(const JpegImage& image, int quality);
// Writes the encoding to a file, atomically; raises PlatformError (Jpeg)
// when the picture cannot be encoded, (FileWrite) when the file cannot be
// written.
void EncodeJpegFile(const JpegImage& image, int quality, const std::filesystem::path& path);

}  // namespace kt58
