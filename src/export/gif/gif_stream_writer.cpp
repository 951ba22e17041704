// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/gif/gif_stream_writer.h"

#include <algorithm>

#include "export/gif/gif_exception.h"
#include "export/gif/gif_frame_optimizer.h"

namespace kt58 {

GifStreamWriter::GifStreamWriter(int compression, int lossy, int options, GifPalette global_map, Sink sink)
    : compression_(compression),
      lossy_(lossy),
      options_(options),
      global_map_(std::move(global_map)),
      sink_(std::move(sink)) {}

void GifStreamWriter::Add(GifFrame frame, std::shared_ptr<const Picture> source) {
  const int disposal = DisposalOf(frame);
  const bool first = added_++ == 0;
  // Disposal 2 clears the frame's whole rectangle afterwards, transparent
  // borders included: a smaller frame would clear less. The first frame
  // gives the screen its size, so it keeps its own.
  if ((options_ & ooCrop) && !first && frame.Transparent() && disposal != dmBackground && !CropToOpaque(frame)) {
    // Nothing to show: the frame goes where that leaves the pictures and
    // their timing unchanged (not after a frame that is disposed of, which
    // would then show longer instead of its disposed state); otherwise one
    // transparent pixel.
    if (last_disposal_ < dmBackground) {
      last_disposal_ = disposal;
      auto* gce = held_->GraphicControlExtension();
      if (!gce) gce = &held_->AddExtension<GifGraphicControlExtension>();
      const unsigned delay = gce->Delay + frame.GraphicControlExtension()->Delay;
      gce->Delay = static_cast<uint16_t>(std::min(delay, 0xFFFFu));
      return;
    }
    frame.Crop(0, 0, 1, 1);
  }
  last_disposal_ = disposal;
  if (held_) Flush(false);
  held_ = std::move(frame);
  held_source_ = std::move(source);
  ++kept_;
}

void GifStreamWriter::Flush(bool single) {
  GifFrame& f = *held_;
  const bool first = flushed_ == 0;
  if (options_ & ooCleanup)
    for (size_t e = f.Extensions().size(); e-- > 0;)
      if (IsPassiveExtension(*f.Extensions()[e], first, single)) f.RemoveExtension(e);
  std::vector<uint8_t> out;
  // The screen is the first frame's (never cropped)
  // and the signature follows its extensions: it keeps the loop extension
  // unless it is the only frame, so later frames have extensions only when
  // it has.
  if (first) {
    AppendGifHeader(out, f.Left() + f.Width(), f.Top() + f.Height(), !f.Extensions().empty(), global_map_);
    if (lossy_ > 0 && compression_ == gcLZW) screen_.emplace(0, 0, f.Left() + f.Width(), f.Top() + f.Height());
  }
  const GifPalette& map = f.ColorMap().empty() ? global_map_ : f.ColorMap();
  if (map.empty()) throw GIFException("Color table is empty");
  AppendGifFrame(out, f, map, compression_, lossy_, screen_ ? &*screen_ : nullptr, held_source_.get());
  Send(out);
  held_.reset();
  held_source_.reset();
  ++flushed_;
}

void GifStreamWriter::Finish() {
  if (!held_) throw GIFException("Unsupported GIF version");
  Flush(kept_ == 1);
  Send({kGifTrailer});
}

void GifStreamWriter::Send(const std::vector<uint8_t>& bytes) {
  sink_(bytes);
  written_ += bytes.size();
}

}  // namespace kt58
