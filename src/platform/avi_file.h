// SPDX-License-Identifier: GPL-3.0-or-later
// Reading the first video stream of an AVI file (FFmpeg underneath), in
// plain data: the stream's position range and format from its headers, and
// a decoder that gives the frame at each position as 24-bit BGR rows.
//
// The file is untrusted input: frame sizes are checked against the picture
// limits (platform/picture_limits.h) before anything is decoded and every
// failure comes back as "none" with a reason, never as a crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace kt58 {

// The stream header's dwStart and dwLength. The positions read are
// start .. length - 1, so a stream starting at 2 with length 10 gives 8.
struct AviStreamRange {
  int32_t start = 0;
  int32_t length = 0;
};

// The stream format: the BITMAPINFOHEADER of the stream's 'strf' chunk.
struct AviVideoFormat {
  int32_t width = 0;
  int32_t height = 0;        // negative: rows stored top-down
  uint16_t bit_count = 0;
  uint32_t compression = 0;  // 0 for BI_RGB, 1 BI_RLE8, else a fourcc ('MJPG' = 0x47504A4D)
  // The colour table after the header, RGBQUAD entries read little-endian
  // (blue in the low byte); as many as biClrUsed says (2^bit_count when 0
  // and 8 bits or fewer), never more than the chunk holds.
  std::vector<uint32_t> palette;
};

// One decoded frame: rows top-down, 3 bytes per pixel in blue, green, red
// order, `stride` bytes from one row to the next.
struct AviFrame {
  int width = 0;
  int height = 0;
  size_t stride = 0;
  std::vector<uint8_t> pixels;
  const uint8_t* Row(int r) const { return pixels.data() + static_cast<size_t>(r) * stride; }
};

class AviFile;
class AviByteSource;

// The frame decoder of one stream. Frames are decoded in file order and
// delivered in display order (codec delay and B-frames included); each frame
// stands at its chunk's position, the first at the stream's start, and an
// empty chunk (a drop frame) repeats the frame before it. Reading forwards
// is cheap; an earlier position restarts decoding from the stream's start.
class AviFrameDecoder {
 public:
  ~AviFrameDecoder();
  AviFrameDecoder(const AviFrameDecoder&) = delete;
  AviFrameDecoder& operator=(const AviFrameDecoder&) = delete;

  // The frame at the position, valid until the next call; none before the
  // first frame, past the last one, or where a frame cannot be decoded (the
  // frames before it still come).
  const AviFrame* GetFrame(int32_t position);
  // Why the last GetFrame gave none ("" after a success).
  const std::string& LastError() const { return error_; }

 private:
  friend class AviFile;
  struct Impl;
  explicit AviFrameDecoder(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
  std::string error_;
};

// An open AVI file with its first video stream selected. Must outlive every
// decoder made from it.
class AviFile {
 public:
  // None, with the reason in *error when given, for a file that cannot be
  // read, is not an AVI, has no video stream or one beyond the size bounds.
  static std::unique_ptr<AviFile> Open(const std::filesystem::path& path, std::string* error = nullptr);
  // The same over bytes in memory, which must outlive the object.
  static std::unique_ptr<AviFile> OpenMemory(const uint8_t* data, size_t size, std::string* error = nullptr);
  ~AviFile();
  AviFile(const AviFile&) = delete;
  AviFile& operator=(const AviFile&) = delete;

  AviStreamRange Range() const { return range_; }
  const AviVideoFormat& Format() const { return format_; }
  // A decoder positioned at the stream's start; none, with the reason, when
  // the stream's codec is unknown or the decoder cannot be opened.
  std::unique_ptr<AviFrameDecoder> OpenFrameDecoder(std::string* error = nullptr);

  struct Impl;

 private:
  explicit AviFile(std::unique_ptr<Impl> impl);
  static std::unique_ptr<AviFile> FromSource(std::unique_ptr<AviByteSource> source, std::string* error);
  std::unique_ptr<Impl> impl_;
  AviStreamRange range_;
  AviVideoFormat format_;
};

// Four-character code as text ("MJPG"); unprintable bytes as '?'.
std::string FourccText(uint32_t fourcc);

}  // namespace kt58
