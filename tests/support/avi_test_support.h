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

}  // namespace kt58::test
