// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/picture_scaler.h"

extern "C" {
#include <libswscale/swscale.h>
}

#include <string>

#include "platform/ffmpeg_support.h"
#include "platform/platform_error.h"

namespace kt58 {

namespace {

size_t RowBytes(int width) { return (static_cast<size_t>(width) * 3 + 3) & ~size_t{3}; }

}  // namespace

PictureScaler::~PictureScaler() { sws_freeContext(context_); }

void PictureScaler::Scale(const uint8_t* src, int src_width, int src_height, uint8_t* dst, int dst_width,
                          int dst_height) {
  QuietFfmpegLog();
  const bool enlarging = dst_width > src_width || dst_height > src_height;
  // Bit-exact: the same frame scales to the same bytes on every CPU.
  const int flags = (enlarging ? SWS_LANCZOS : SWS_AREA) | SWS_ACCURATE_RND | SWS_BITEXACT;
  context_ = sws_getCachedContext(context_, src_width, src_height, AV_PIX_FMT_GRAY8, dst_width, dst_height,
                                  AV_PIX_FMT_GRAY8, flags, nullptr, nullptr, nullptr);
  if (!context_)
    throw PlatformError(PlatformErrorCode::PictureScale,
                        "cannot scale " + std::to_string(src_width) + " x " + std::to_string(src_height) + " to " +
                            std::to_string(dst_width) + " x " + std::to_string(dst_height));

  // Planes hold rows top-down, unpadded: blue, then green, then red.
  const size_t in_plane = static_cast<size_t>(src_width) * static_cast<size_t>(src_height);
  const size_t out_plane = static_cast<size_t>(dst_width) * static_cast<size_t>(dst_height);
  if (in_planes_.size() < 3 * in_plane) in_planes_.resize(3 * in_plane);
  if (out_planes_.size() < 3 * out_plane) out_planes_.resize(3 * out_plane);

  const size_t src_row = RowBytes(src_width), dst_row = RowBytes(dst_width);
  for (int y = 0; y < src_height; ++y) {
    const uint8_t* p = src + static_cast<size_t>(src_height - 1 - y) * src_row;
    const size_t at = static_cast<size_t>(y) * static_cast<size_t>(src_width);
    for (int x = 0; x < src_width; ++x, p += 3)
      for (size_t c = 0; c < 3; ++c) in_planes_[c * in_plane + at + static_cast<size_t>(x)] = p[c];
  }
  for (size_t c = 0; c < 3; ++c) {
    const uint8_t* in[4] = {in_planes_.data() + c * in_plane, nullptr, nullptr, nullptr};
    uint8_t* out[4] = {out_planes_.data() + c * out_plane, nullptr, nullptr, nullptr};
    const int in_stride[4] = {src_width, 0, 0, 0};
    const int out_stride[4] = {dst_width, 0, 0, 0};
    if (sws_scale(context_, in, in_stride, 0, src_height, out, out_stride) != dst_height)
      throw PlatformError(PlatformErrorCode::PictureScale, "swscale did not fill the scaled picture");
  }
  for (int y = 0; y < dst_height; ++y) {
    uint8_t* p = dst + static_cast<size_t>(dst_height - 1 - y) * dst_row;
    const size_t at = static_cast<size_t>(y) * static_cast<size_t>(dst_width);
    for (int x = 0; x < dst_width; ++x, p += 3)
      for (size_t c = 0; c < 3; ++c) p[c] = out_planes_[c * out_plane + at + static_cast<size_t>(x)];
    // Padding stays zero, as the engine's pictures keep it.
    for (size_t b = static_cast<size_t>(dst_width) * 3; b < dst_row; ++b) dst[static_cast<size_t>(dst_height - 1 - y) * dst_row + b] = 0;
  }
}

}  // namespace kt58
