// SPDX-License-Identifier: GPL-3.0-or-later
// The one set of size limits for every picture the program reads or makes:
// BMP, GIF logical screens and images, JPEG, AVI frames, project frame sizes
// and the command line's --size. Readers check a size from the headers
// against these before allocating anything for the pixels.
//
// 2^25 pixels (96 MiB at 3 bytes per pixel; 8K UHD, 7680 x 4320, fits) is
// the largest frame: composing it holds the frame, the layer's working copy,
// a rotation's enlarged copy and the encoder's copy of the output, about
// five such pictures, under 500 MiB in all. That stays comfortably inside a
// 1 GiB address space with the libraries mapped. No side beyond 16384.
//
// A leaf header in the platform layer, so that its readers and the engine
// share the numbers.
#pragma once

#include <cstdint>
#include <string>

namespace kt58 {

inline constexpr int kMaxPictureSide = 16384;
inline constexpr int64_t kMaxPicturePixels = int64_t{1} << 25;

inline constexpr bool WithinPictureLimits(int64_t width, int64_t height) {
  return width >= 0 && height >= 0 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
         width * height <= kMaxPicturePixels;
}

// "W x H is beyond the picture size limit (16384 per side, 33554432 pixels)".
inline std::string PictureLimitText(int64_t width, int64_t height) {
  return std::to_string(width) + " x " + std::to_string(height) + " is beyond the picture size limit (" +
         std::to_string(kMaxPictureSide) + " per side, " + std::to_string(kMaxPicturePixels) + " pixels)";
}

}  // namespace kt58
