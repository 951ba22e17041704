// SPDX-License-Identifier: GPL-3.0-or-later
// Video and animated picture files read back by decoders other than the
// writer: ffprobe and ffmpeg for APNG, MP4 and WebM, Pillow for WebP (this
// FFmpeg cannot decode animated WebP).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/picture.h"

namespace kt58::test {

struct DecodedVideo {
  std::string error;  // empty when decoded
  int width = 0, height = 0;
  std::string codec;               // ffprobe's codec name; "webp" for WebP
  std::vector<int> durations_ms;   // one per frame, in display order
  std::vector<uint8_t> rgb;        // every frame, rows top-down, R G B
  std::vector<uint8_t> alpha;      // with alpha asked for: every frame's, a byte a pixel
  int loop = -1;                   // stored play count (0: forever); -1 none
  size_t Count() const { return durations_ms.size(); }
  const uint8_t* Pixel(size_t frame, int x, int y) const {
    return rgb.data() + PixelIndex(frame, x, y) * 3;
  }
  uint8_t Alpha(size_t frame, int x, int y) const { return alpha[PixelIndex(frame, x, y)]; }
  size_t PixelIndex(size_t frame, int x, int y) const {
    return (frame * height + static_cast<size_t>(y)) * width + static_cast<size_t>(x);
  }
};

// Decodes every frame (any file ffmpeg reads: GIF and PNG too), with its
// alpha channel when asked; `work_dir` holds the decoders' scratch files.
DecodedVideo DecodeVideo(const std::filesystem::path& file, const std::filesystem::path& work_dir,
                         bool with_alpha = false);

// Mean over the frames of each frame's PSNR (dB, all three channels) of the
// decoded frames' top-left corner against the pictures; 100 for a frame
// without error. The counts must match.
double MeanPsnr(const DecodedVideo& video, const std::vector<Picture>& frames);

// The first pixel where the decoded frames differ from the pictures, as
// text; empty when every pixel is the same.
std::string FirstDifference(const DecodedVideo& video, const std::vector<Picture>& frames);

}  // namespace kt58::test
