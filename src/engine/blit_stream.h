// The frame store: every frame of an imported video or animated GIF as a
// 24-bit BMP file image, back to back in a file on disk after a 4-byte frame
// count. Frame offsets live in memory (and in the project file).
#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "engine/picture.h"

namespace kt58 {

enum BlitAccessMode : uint16_t { am_Read = 0, am_Write = 1, am_ReadWrite = 2, am_Create = 0xFFFF };

class Tkt58_BlitStream {
 public:
  Tkt58_BlitStream();
  // Closes and deletes the open file, if any.
  ~Tkt58_BlitStream();
  Tkt58_BlitStream(const Tkt58_BlitStream&) = delete;
  Tkt58_BlitStream& operator=(const Tkt58_BlitStream&) = delete;

  void SetFileName(const std::filesystem::path& name) { FileName = name; }
  void SetFrameWidth(int w) { FrameWidth = w; }
  void SetFrameHeight(int h) { FrameHeight = h; }

  bool CreateStoreFile(const std::filesystem::path& path);
  bool OpenForRead();
  void CloseFile();
  bool IsOpen() const;
  void Rewind();
  int ReadHeader();
  void WriteHeader();
  bool AppendFrame(TPicture& picture);
  WorkPicture ReadNextFrame();
  WorkPicture ReadFrame(int index);
  // Writes the embedded layout: count, offsets, image size, image.
  void SaveToStream(std::ostream& target);
  // Reads the embedded layout into a fresh file named FileName. The record
  // is checked against the bytes that remain before anything is allocated or
  // written; a bad record raises EStoreFormat and leaves no file behind.
  void LoadFromStream(std::istream& source);
  void Cancel() { CancelRequested = true; }
  // Byte position in the open file where the next read starts; -1 when
  // closed.
  int64_t Position();

  // Replaces the store's contents by another file and offsets (re-processing).
  void ReplaceContents(const std::filesystem::path& new_file, std::vector<int32_t> offsets);

  uint16_t AccessMode = am_Read;
  int32_t FrameWidth = 0;
  int32_t FrameHeight = 0;
  std::filesystem::path FileName;
  int32_t FrameCount = 0;
  int32_t ReadCursor = 0;
  bool CancelRequested = false;
  std::vector<int32_t> FrameOffsets;

 private:
  // Seeks both pointers of the open file; false on failure.
  bool SeekTo(int64_t position);
  void ResetContents();
  // Open, holding frames and readable in its mode.
  bool CanRead() const;
  // The frame stored at the file position; none (the stream's error state
  // cleared) when it cannot be read.
  WorkPicture ReadPictureHere();

  std::unique_ptr<std::fstream> stream_;
  // The file buffer of stream_; set before opening so that frame headers
  // come from one read and frame pixels are read straight into the picture.
  std::unique_ptr<char[]> io_buffer_;
};

}  // namespace kt58
