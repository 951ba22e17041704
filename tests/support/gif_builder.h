// SPDX-License-Identifier: GPL-3.0-or-later
// Small GIF files written in tests with giflib's encoder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/gif_decoder.h"

namespace kt58::test {

struct GifImageSpec {
  int left = 0, top = 0, width = 0, height = 0;
  std::vector<uint8_t> indices;  // width * height, rows top-down
  std::vector<GifRgb> local_palette;  // none when empty
  int transparent_index = -1;
  int disposal = 0;
  int delay_cs = 0;
  bool interlaced = false;
  bool control_block = true;  // write a graphic control extension
};

// A GIF89a file. Palettes are padded to a power of two with black.
std::vector<uint8_t> BuildGif(int screen_width, int screen_height, const std::vector<GifRgb>& global_palette,
                              int background_index, const std::vector<GifImageSpec>& images);

// An image filled with one index.
GifImageSpec SolidGifImage(int left, int top, int width, int height, uint8_t index);

// A 4x3 animated GIF of three images (red screen, green square, blue pixel)
// written into the folder; returns its path.
std::filesystem::path WriteSmallAnimatedGif(const std::filesystem::path& dir, const std::string& name);

}  // namespace kt58::test
