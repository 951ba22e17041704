// SPDX-License-Identifier: GPL-3.0-or-later
// GIF decoding (giflib) into plain data: the logical screen and every image
// with its position, palette, indices and transparent index.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform_error.h"

namespace kt58 {

struct GifRgb {
  uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const GifRgb&, const GifRgb&) = default;
};

struct GifImageData {
  int left = 0, top = 0, width = 0, height = 0;
  std::vector<GifRgb> palette;   // the local table, else the global one
  std::vector<uint8_t> indices;  // width * height, rows top-down, de-interlaced
  int transparent_index = -1;    // -1 when the image has none
  int disposal = 0;              // from the graphic control extension
  int delay_cs = 0;              // hundredths of a second
};

struct DecodedGif {
  int screen_width = 0, screen_height = 0;
  std::vector<GifRgb> global_palette;
  int background_index = 0;
  std::vector<GifImageData> images;
  // Background colour of the logical screen (black without a global table).
  GifRgb BackgroundColor() const;
};

// Decodes a whole GIF from memory. Raises PlatformError (GifDecode) with a
// clear text for anything it cannot read; sizes and counts are bounded before
// allocation.
DecodedGif DecodeGif(const uint8_t* data, size_t size);
DecodedGif DecodeGifFile(const std::filesystem::path& path);
// Number of images, without decoding pixel data where the library allows;
// -1 for a file that is not a readable GIF.
int GifImageCount(const std::filesystem::path& path);

}  // namespace kt58
