// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <functional>
#include <optional>
#include <ostream>

#include "export/gif/gif_exception.h"
#include "export/gif/gif_image.h"
#include "export/gif/gif_screen.h"
#include "export/gif/lzw_encoder.h"
#include "export/gif/rle_encoder.h"

namespace kt58 {
namespace {

void AppendColorTable(std::vector<uint8_t>& out, const GifPalette& map) {
  const size_t padded = size_t{1} << ColorTableBits(map.size());
  for (const GifColor& c : map) {
    out.push_back(c.r);
    out.push_back(c.g);
    out.push_back(c.b);
  }
  out.insert(out.end(), (padded - map.size()) * 3, 0);
}

}  // namespace

int ColorTableBits(size_t size) {
  int bits = 1;
  while ((size_t{1} << bits) < size) ++bits;
  return bits;
}

int MinCodeSizeFor(size_t palette_size) { return std::max(2, ColorTableBits(palette_size)); }

std::vector<uint8_t> EncodeImageData(const uint8_t* indices, size_t count, int min_code_size, int compression) {
  return compression == gcRLE ? RleEncoder::Encode(indices, count, min_code_size)
                              : LzwEncoder::Encode(indices, count, min_code_size);
}

uint32_t LossyErrorBound(int level) {
  // A colour distance of 0.3 per level, 30 at 100: level 80 keeps about
  // the PSNR gifsicle's --lossy=80 keeps (bench/peers/gif_lossy.sh).
  const auto scaled = static_cast<uint32_t>(3 * std::clamp(level, 0, kMaxLossy));
  return scaled * scaled / 100;
}

uint32_t LossyPixelWorth(int level, bool against_source) {
  const int l = std::clamp(level, 0, kMaxLossy);
  const uint64_t bound = LossyErrorBound(l);
  // Against the palette colours a pixel gained is worth three tenths of
  // the bound: about half a decibel more than the longest string whatever
  // its error, at the same size. Against the picture before reduction a
  // choice costs only what it adds to the reduction's own error, which is
  // less: there the share runs from 27.3% at level 80 down to 20% at 100
  // (the bound grows with the square of the level, and a pixel gained is
  // worth less of it the wider it is), tuned on the benchmark video's
  // lossy rows (bench/peers/gif_export.sh) for the smallest file at a PSNR.
  if (!against_source) return static_cast<uint32_t>(bound * 3 / 10);
  return static_cast<uint32_t>(bound * static_cast<uint64_t>(11300 - 73 * l) / 20000);
}

void AppendGifFrame(std::vector<uint8_t>& out, const GifFrame& f, const GifPalette& map, int compression, int lossy,
                    GifScreen* screen, const Picture* source) {
  if (map.empty()) throw GIFException("Color table is empty");
  if (map.size() > 256) throw GIFException("Invalid Bits Per Pixel value");
  if (f.Empty()) throw GIFException("Image is empty");
  if (f.MaxIndex() >= map.size()) throw GIFException("Invalid color index");

  for (const auto& ext : f.Extensions()) ext->Write(out);
  out.push_back(0x2C);
  AppendWord(out, static_cast<uint16_t>(f.Left()));
  AppendWord(out, static_cast<uint16_t>(f.Top()));
  AppendWord(out, static_cast<uint16_t>(f.Width()));
  AppendWord(out, static_cast<uint16_t>(f.Height()));
  if (f.ColorMap().empty()) {
    out.push_back(0);
  } else {
    out.push_back(static_cast<uint8_t>(0x80 | (ColorTableBits(f.ColorMap().size()) - 1)));
    AppendColorTable(out, f.ColorMap());
  }
  const int code_size = MinCodeSizeFor(map.size());
  out.push_back(static_cast<uint8_t>(code_size));
  const bool exact = lossy <= 0 || compression != gcLZW;
  if (exact && f.Packed() && f.PackedCodeSize() == code_size && f.PackedCompression() == compression) {
    AppendSubBlocks(out, f.PackedData().data(), f.PackedData().size());
    return;
  }
  // A packed frame whose table or compression has changed since is encoded
  // afresh from a copy, so writing never leaves frames expanded.
  std::optional<GifFrame> copy;
  if (f.Packed()) copy.emplace(f);
  const std::vector<uint8_t>& indices = copy ? copy->Data() : f.Data();
  if (exact) {
    const std::vector<uint8_t> data = EncodeImageData(indices.data(), indices.size(), code_size, compression);
    AppendSubBlocks(out, data.data(), data.size());
    return;
  }
  const LzwTolerance tolerance{&map, f.TransparentIndex(), LossyErrorBound(lossy),
                               LossyPixelWorth(lossy, screen && source)};
  if (screen) {
    const GifLossyFrame lossy_frame = screen->Encode(f, indices, tolerance, code_size, source);
    AppendSubBlocks(out, lossy_frame.data.data(), lossy_frame.data.size());
    screen->Show(f, map, lossy_frame);
    return;
  }
  const std::vector<uint8_t> data = LzwEncoder::EncodeLossy(indices.data(), indices.size(), code_size, tolerance);
  AppendSubBlocks(out, data.data(), data.size());
}

size_t GifImage::FrameFileSize(size_t index) const { return FrameFileSize(Images(index), ActiveColorMap(index)); }

size_t GifImage::FrameFileSize(const GifFrame& frame, const GifPalette& map) const {
  return GifFrameFileSize(frame, map, settings_.Compression);
}

size_t GifFrameFileSize(const GifFrame& frame, const GifPalette& map, int compression, int lossy) {
  std::vector<uint8_t> out;
  AppendGifFrame(out, frame, map, compression, lossy);
  return out.size();
}

void AppendGifHeader(std::vector<uint8_t>& out, int width, int height, bool extended, const GifPalette& global_map) {
  const char* signature = extended ? "GIF89a" : "GIF87a";
  out.insert(out.end(), signature, signature + 6);
  AppendWord(out, static_cast<uint16_t>(width));
  AppendWord(out, static_cast<uint16_t>(height));
  if (global_map.empty()) {
    out.push_back(0x70);  // colour resolution 8 bits, no global table
  } else {
    if (global_map.size() > 256) throw GIFException("Invalid Bits Per Pixel value");
    out.push_back(static_cast<uint8_t>(0x80 | 0x70 | (ColorTableBits(global_map.size()) - 1)));
  }
  out.push_back(0);  // background colour index
  out.push_back(0);  // pixel aspect ratio: not given
  if (!global_map.empty()) AppendColorTable(out, global_map);
}

void GifImage::Save(const std::function<void(const std::vector<uint8_t>&)>& sink) const {
  if (frames_.empty()) throw GIFException("Unsupported GIF version");
  const bool extended =
      std::any_of(frames_.begin(), frames_.end(), [](const auto& f) { return !f->Extensions().empty(); });
  std::vector<uint8_t> out;
  AppendGifHeader(out, Width(), Height(), extended, global_map_);
  sink(out);
  // One frame at a time: a long animation is never held as one file.
  for (size_t i = 0; i < frames_.size(); ++i) {
    out.clear();
    AppendGifFrame(out, *frames_[i], ActiveColorMap(i), settings_.Compression);
    sink(out);
  }
  sink(std::vector<uint8_t>{kGifTrailer});
}

std::vector<uint8_t> GifImage::SaveToBytes() const {
  std::vector<uint8_t> file;
  Save([&](const std::vector<uint8_t>& part) { file.insert(file.end(), part.begin(), part.end()); });
  return file;
}

size_t GifImage::FileSize() const {
  size_t size = 0;
  Save([&](const std::vector<uint8_t>& part) { size += part.size(); });
  return size;
}

void GifImage::SaveToStream(std::ostream& out) const {
  Save([&](const std::vector<uint8_t>& part) {
    out.write(reinterpret_cast<const char*>(part.data()), static_cast<std::streamsize>(part.size()));
    if (!out) throw GIFException("Error writing the GIF data");
  });
}

}  // namespace kt58
