// SPDX-License-Identifier: GPL-3.0-or-later
// Independent readers of the GIF files the writer produces: giflib in
// process, Pillow through /usr/bin/python3, and a compositor that plays the
// decoded frames with their disposal methods.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "export/gif/color_reduction.h"

namespace kt58::test {

struct DecodedExtension {
  int function = 0;            // label of the block (0xF9, 0xFF, ...)
  std::vector<uint8_t> bytes;  // first sub-block
  std::vector<std::vector<uint8_t>> continuation;  // further sub-blocks
};

struct DecodedFrame {
  int left = 0, top = 0, width = 0, height = 0;
  bool local_map = false;
  GifPalette palette;  // the table the indices refer to
  std::vector<uint8_t> indices;
  std::vector<DecodedExtension> extensions;
  bool has_gce = false;
  int disposal = 0, delay = 0, transparent = -1;
  bool user_input = false;
};

struct DecodedGif {
  std::string version;  // "87a" or "89a"
  int width = 0, height = 0;
  GifPalette global;
  std::vector<DecodedFrame> frames;
};

// Decodes with giflib (DGifSlurp); a decoding failure fails the test via
// ADD_FAILURE and returns an empty result.
DecodedGif DecodeWithGiflib(const std::vector<uint8_t>& bytes);

struct PillowImage {
  int width = 0, height = 0;
  std::string mode;
  GifPalette palette;
  std::vector<uint8_t> indices;
};

// Decodes the first frame of every file with Pillow; nothing when Pillow is
// not available (the caller skips with a message).
std::optional<std::vector<PillowImage>> DecodeWithPillow(const std::vector<std::filesystem::path>& files);

// Every frame of an animation as Pillow shows it (composited, RGB, rows
// top-down); nothing when Pillow is not available.
std::optional<std::vector<std::vector<GifColor>>> PlayWithPillow(const std::filesystem::path& file);

// One displayed picture: screen-sized RGB per pixel, kUnset where nothing has
// been drawn (or disposal restored the background), and how long it shows.
inline constexpr uint32_t kUnset = 0xFF000000u;
struct ShownPicture {
  std::vector<uint32_t> pixels;
  int delay = 0;
  friend bool operator==(const ShownPicture&, const ShownPicture&) = default;
};

// Plays the frames: each frame's opaque pixels drawn over the screen, shown
// for its delay, then disposed of (2: its rectangle back to kUnset, 3: the
// screen as it was before the frame). Consecutive equal pictures are joined
// and their delays added, so two animations that look the same compare equal.
std::vector<ShownPicture> Composite(const DecodedGif& gif);

}  // namespace kt58::test
