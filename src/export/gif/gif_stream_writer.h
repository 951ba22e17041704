// SPDX-License-Identifier: GPL-3.0-or-later
// Writing an animated GIF frame by frame, in file order, as the frames are
// built: the steps of the frame optimiser that need the frames after one
// (crop, which deletes empty frames and gives their time to the frame
// before, and the removal of passive extensions, which depends on whether
// the animation ends up with one frame) are taken here, holding back only
// the last frame kept.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "export/gif/gif_image.h"
#include "export/gif/gif_screen.h"

namespace kt58 {

class GifStreamWriter {
 public:
  using Sink = std::function<void(const std::vector<uint8_t>&)>;

  // options: the ooCrop and ooCleanup bits apply here (merging and sorting
  // happen before a frame is added). The file's frames are the export's:
  // the first carries the loop extension, all share one size. lossy: the
  // lossy LZW level every frame is written with (AppendGifFrame), over the
  // pictures the frames before it show.
  GifStreamWriter(int compression, int lossy, int options, GifPalette global_map, Sink sink);

  // The table frames without a local table refer to. Merging may append an
  // entry within the table's padding, which changes no byte of the header.
  GifPalette& GlobalColorMap() { return global_map_; }

  // The next frame of the animation, merged if merging was asked for.
  void Add(GifFrame frame, std::shared_ptr<const Picture> source = nullptr);
  // Writes the last frame and the trailer. Raises GIFException("Unsupported
  // GIF version") when no frame was added.
  void Finish();
  uint64_t BytesWritten() const { return written_; }

 private:
  void Flush(bool single);
  void Send(const std::vector<uint8_t>& bytes);

  int compression_;
  int lossy_;
  int options_;
  GifPalette global_map_;
  Sink sink_;
  std::optional<GifFrame> held_;  // the last frame kept, not yet written
  std::shared_ptr<const Picture> held_source_;
  std::optional<GifScreen> screen_;  // what the frames written show, when lossy
  int last_disposal_ = 0;             // of the frame added last, kept or not
  size_t added_ = 0, kept_ = 0, flushed_ = 0;
  uint64_t written_ = 0;
};

}  // namespace kt58
