// SPDX-License-Identifier: GPL-3.0-or-later
// Frames of an animated GIF held packed on disk while the export still
// needs the whole animation before it can write the first frame (a table
// shared by every frame and sorted or pooled over all of them). The file is
// this process's own, in the program's Output folder, and is removed on
// every way out (the object's end, or the next run after a kill).
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "export/gif/gif_image.h"

namespace kt58 {

struct SpooledFrame {
  int width = 0, height = 0;
  GifPalette map;                    // local table; empty: the global table
  std::array<uint64_t, 256> counts{};  // pixels per index
  int code_size = 0;                 // of the packed data
  std::vector<uint8_t> packed;       // code stream
  int transparent = -1;              // transparent index; -1: none
  int disposal = 0;                  // of its graphic control extension
};

class GifFrameSpool {
 public:
  // Raises PlatformError (FileWrite) when the folder refuses the file.
  explicit GifFrameSpool(const std::filesystem::path& folder);
  ~GifFrameSpool();
  GifFrameSpool(const GifFrameSpool&) = delete;
  GifFrameSpool& operator=(const GifFrameSpool&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  size_t Count() const { return count_; }
  // Raises PlatformError (FileWrite) on a failed write (a full disk).
  void Append(const SpooledFrame& frame);

  // Reads the frames back in order from the first; with_data false leaves
  // the code stream out.
  class Reader {
   public:
    Reader(const GifFrameSpool& spool, bool with_data) : spool_(spool), with_data_(with_data) {}
    bool Next(SpooledFrame& frame);

   private:
    void Read(void* to, size_t size);
    const GifFrameSpool& spool_;
    bool with_data_;
    uint64_t offset_ = 0;
    size_t index_ = 0;
  };

 private:
  std::filesystem::path path_;
  int fd_ = -1;
  size_t count_ = 0;
};

}  // namespace kt58
