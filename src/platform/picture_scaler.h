// SPDX-License-Identifier: GPL-3.0-or-later
// Resizes 24-bit pictures with FFmpeg's swscale. Pixels come and go in the
// engine's layout: blue, green, red per pixel, rows stored bottom-up, each
// padded to a multiple of 4 bytes.
//
// Each colour channel is scaled as a plane of its own, 8 bits in and out:
// swscale scales packed RGB through YUV, which would change colours even
// where the picture is flat. Shrinking uses area averaging (a pixel is the
// mean of what it covers: no ringing, and flat areas keep their exact
// colour); enlarging uses Lanczos, which keeps edges sharp.
#pragma once

#include <cstdint>
#include <vector>

struct SwsContext;

namespace kt58 {

class PictureScaler {
 public:
  PictureScaler() = default;
  ~PictureScaler();
  PictureScaler(const PictureScaler&) = delete;
  PictureScaler& operator=(const PictureScaler&) = delete;

  // Scales the source of src_width x src_height into the destination of
  // dst_width x dst_height (all at least 1; buffers of RowBytes * height).
  // The context and the working planes are kept, so scaling frame after
  // frame at one size allocates nothing after the first. Raises
  // PlatformError when swscale refuses the sizes.
  void Scale(const uint8_t* src, int src_width, int src_height, uint8_t* dst, int dst_width, int dst_height);

 private:
  SwsContext* context_ = nullptr;
  std::vector<uint8_t> in_planes_, out_planes_;
};

}  // namespace kt58
