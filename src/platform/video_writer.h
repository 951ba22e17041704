// SPDX-License-Identifier: GPL-3.0-or-later
// Writing a video or animated picture file through FFmpeg's libraries: the
// container and encoder follow from the format, frames come in as plain
// 24-bit pixels. Depends on nothing of ours: failures are PlatformError,
// with the stage in `stage` so callers can word their own message.
//
// Frames are handed over in one layout for every format, the one a 24-bit
// device-independent bitmap has: rows bottom-up, each pixel blue, green, red,
// each row padded to a multiple of 4 bytes. With alpha (WebP and APNG
// only) each pixel is blue, green, red, alpha, rows still bottom-up, and a
// row of 4 * width bytes needs no padding.
//
// Formats:
//   Avi   uncompressed 24-bit AVI: 'vids' stream, BITMAPINFOHEADER with
//         BI_RGB and biBitCount 24, one key frame sample per frame stored
//         as given; beyond the 1 GB RIFF limit OpenDML (AVIX) extensions.
//   WebP  animated WebP (libwebp_anim), lossy unless lossless; loops forever unless
//         told how often to play.
//   Apng  animated PNG, RGB (RGBA with alpha), exact; loops forever unless
//         told how often to play.
//   Mp4   H.264 (libx264), yuv420p, moov atom first (+faststart). Odd sides
//         are padded by one column / row of the padding colour, since 4:2:0
//         needs even sides.
//   WebM  VP9 (libvpx-vp9), yuv420p, constant quality.
//
// Every name is opened through FFmpeg's "file" protocol alone, so a name
// with a colon is a file name, never a protocol.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "platform/platform_error.h"

namespace kt58 {

enum class VideoFormat { Avi, WebP, Apng, Mp4, WebM };

// The format a file name's extension asks for (case-insensitive): .webp,
// .apng, .png, .mp4, .webm. AVI is written only by name (VideoFormat::Avi),
// by the AVI export.
std::optional<VideoFormat> VideoFormatForFile(const std::filesystem::path& path);
// "webp, apng, png, mp4, webm": the extensions VideoFormatForFile knows.
const char* VideoFileExtensionsText();
// The FFmpeg encoder a format needs ("libx264", ...); nullptr for Avi, whose
// frames are stored as they are.
const char* VideoEncoderName(VideoFormat format);
// "WebP", "APNG", "MP4", "WebM", "AVI".
const char* VideoFormatName(VideoFormat format);
// Empty when the FFmpeg this program runs with has the format's encoder;
// else the one line saying which encoder is missing.
std::string VideoEncoderMissingText(VideoFormat format);

// The quality scale every lossy format shares: 0 smallest .. 100 best, 75
// the default, where every lossy format keeps a mean PSNR of 38 dB on smooth
// frames. It maps to libwebp's quality 0..80..100 (lossless WebP: effort),
// H.264's CRF 51..20..0 and VP9's CRF 63..31..0, linear on each side of 75.
inline constexpr int kDefaultVideoQuality = 75;
int WebPQuality(int quality);
int X264Crf(int quality);
int Vp9Crf(int quality);

struct VideoWriterSettings {
  VideoFormat format = VideoFormat::WebP;
  int width = 0, height = 0;  // of the frames handed over
  int frame_ms = 100;         // every frame's duration, milliseconds
  int quality = kDefaultVideoQuality;  // 0..100, lossy formats
  bool lossless = false;               // WebP only; APNG and AVI always are
  std::array<uint8_t, 3> pad_bgr{};    // the padding colour (MP4), blue first
  // How often WebP and APNG play the frames: 0 forever, else that many
  // times (the videos play once).
  int plays = 0;
  // Frames with an alpha channel; the other formats refuse it (SetFormat).
  bool alpha = false;
  // The encoder's threads (0: its own choice) and, for MP4 and WebM, the
  // frames it looks ahead (-1: its default): fewer of either keep a large
  // frame's encoding within the memory budget.
  int threads = 0;
  int lookahead = -1;
  // The file a failed write names (the one the user chose, when the writer
  // fills a temporary for it); empty: the path written.
  std::filesystem::path shown_path;
};

class VideoWriter {
 public:
  // Creates the file (replacing one of that name). Raises PlatformError
  // with EncoderMissing when FFmpeg lacks the format's encoder (the text
  // names it), CreateFile when the file cannot be opened, CreateStream when
  // the stream or encoder cannot be made, SetFormat when the header cannot
  // be written or a setting is out of range.
  VideoWriter(const std::filesystem::path& path, const VideoWriterSettings& settings);
  // Closes without finishing when Finish was not called; the file is then
  // incomplete and the caller's to remove.
  ~VideoWriter();
  VideoWriter(const VideoWriter&) = delete;
  VideoWriter& operator=(const VideoWriter&) = delete;

  // Bytes per frame: RowBytes(width) * height, or 4 * width * height with
  // alpha.
  size_t FrameBytes() const { return frame_bytes_; }
  // Appends one frame of exactly FrameBytes() bytes. Raises
  // PlatformError (VideoWriteFrame) on a wrong size or an encoder or write
  // failure.
  void WriteFrame(const uint8_t* data, size_t size);
  int FramesWritten() const { return frames_; }
  // Drains the encoder, writes the trailer and closes the file. Raises
  // PlatformError (VideoFinish) when that fails.
  void Finish();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  size_t frame_bytes_ = 0;
  int frames_ = 0;
};

}  // namespace kt58
