// SPDX-License-Identifier: GPL-3.0-or-later
// AVI files made by the ffmpeg command-line tool for the reader and import
// tests, and ffmpeg's own decoding of them as the reference.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace kt58::test {

// A 64 x 48 clip of ffmpeg's testsrc2 pattern at 10 frames per second.
struct AviCase {
  std::string name;
  std::string encode;     // ffmpeg output options (codec, pixel format, filters)
  bool lossless = false;  // decodes to exactly what ffmpeg decodes
  bool optional = false;  // the encoder may be missing from the ffmpeg build
  bool audio = false;     // with an interleaved PCM audio stream
  int frames = 10;
};

inline void PrintTo(const AviCase& c, std::ostream* os) { *os << c.name; }

const std::vector<AviCase>& AviCodecCases();
const AviCase& FindAviCase(const std::string& name);
// Runs ffmpeg; false when it fails.
bool MakeAvi(const AviCase& c, const std::filesystem::path& out, int width = 64, int height = 48);

// ffmpeg's decoding of a file's first video stream as BGR24 rows top-down.
struct RawFrames {
  size_t count = 0;
  int width = 0, height = 0;
  std::vector<uint8_t> bytes;
  uint8_t Pixel(size_t frame, int row, int byte) const {
    return bytes[(frame * height + static_cast<size_t>(row)) * width * 3 + static_cast<size_t>(byte)];
  }
};
RawFrames DecodeWithFfmpeg(const std::filesystem::path& avi, const std::filesystem::path& work_dir, int width = 64,
                           int height = 48);

// Byte offset of the first stream header's data ('strh' chunk) and of the
// first video format ('strf'); throws when absent.
size_t StrhOffset(const std::vector<uint8_t>& avi);
size_t StrfOffset(const std::vector<uint8_t>& avi);
// Rewrites dwStart of the first stream header in the file.
void PatchStreamStart(const std::filesystem::path& avi, uint32_t start);
void PatchStrfWidth(std::vector<uint8_t>& avi, int32_t width);
void PatchStrfHeight(std::vector<uint8_t>& avi, int32_t height);

// A hand-built AVI with one video stream, for what the ffmpeg tool cannot
// write: RLE8 frames, '00db' chunks, empty chunks. Frames are the chunk
// payloads as given; the index marks the key frames.
struct HandAviSpec {
  int width = 0, height = 0;  // height as biHeight (negative: top-down)
  uint16_t bit_count = 24;
  uint32_t compression = 0;         // BI_RGB 0, BI_RLE8 1
  uint32_t handler = 0;             // strh fccHandler
  std::vector<uint32_t> palette;    // RGBQUADs, blue in the low byte
  std::string chunk_id = "00dc";
  std::vector<std::vector<uint8_t>> frames;
  std::vector<bool> key_frames;     // missing entries: key frame
};
std::vector<uint8_t> BuildAvi(const HandAviSpec& spec);

}  // namespace kt58::test
