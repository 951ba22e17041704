// Writing an uncompressed 24-bit AVI video stream (FFmpeg's AVI muxer):
// 'vids' stream, BITMAPINFOHEADER with BI_RGB and biBitCount 24, one key
// frame sample of exactly the frame's image size per frame. Files beyond
// the 1 GB RIFF limit get OpenDML (AVIX) extensions and indexes from the
// muxer. Depends on nothing of ours: failures are AviWriteError, with the
// stage in `stage` so callers can word their own message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

namespace kt58 {

class AviWriteError : public std::runtime_error {
 public:
  enum class Stage { CreateFile, CreateStream, SetFormat, WriteFrame, Finish };
  AviWriteError(Stage stage, const std::string& what) : std::runtime_error(what), stage(stage) {}
  Stage stage;
};

class AviWriter {
 public:
  // Creates the file (replacing one of that name) with one video stream of
  // width x height, each frame shown for frame_ms milliseconds (time base
  // frame_ms / 1000). Raises AviWriteError with CreateFile when the file
  // cannot be opened, CreateStream when the stream cannot be made, SetFormat
  // when the header cannot be written or the size is out of range.
  AviWriter(const std::filesystem::path& path, int width, int height, int frame_ms);
  // Closes without finishing the index when Finish was not called.
  ~AviWriter();
  AviWriter(const AviWriter&) = delete;
  AviWriter& operator=(const AviWriter&) = delete;

  // Bytes per frame: rows bottom-up, B, G, R, each padded to 4 bytes.
  size_t FrameBytes() const { return frame_bytes_; }
  // Appends one key frame of exactly FrameBytes() bytes. Raises
  // AviWriteError(WriteFrame) on a wrong size or a write failure.
  void WriteFrame(const uint8_t* data, size_t size);
  int FramesWritten() const { return frames_; }
  // Writes the trailer and indexes and closes the file. Raises
  // AviWriteError(Finish) when that fails.
  void Finish();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  size_t frame_bytes_ = 0;
  int frames_ = 0;
};

}  // namespace kt58
