// SPDX-License-Identifier: GPL-3.0-or-later
// The GIF image being built: codec settings, frames with their colour tables
// and extensions, the single colour map and frame optimisers, and the writer.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <utility>
#include <vector>

#include "engine/picture.h"
#include "export/gif/color_reduction.h"
#include "export/gif/gif_extensions.h"

namespace kt58 {

class GifScreen;

// Compression codes.
enum GIFCompression : int { gcLZW = 0, gcRLE = 1 };

// Optimisation option bits for GifImage::Optimize.
enum GIFOptimizeOption : int {
  ooCrop = 1,           // "Crop unused transparent areas"
  ooMerge = 2,          // "Merge similar frames"
  ooCleanup = 4,        // "Remove passive extensions"
  ooColorMap = 8        // "Sort color maps"
};

// The settings an image starts with; each image keeps its own.
struct GifCodecSettings {
  uint16_t DrawOptions = 0x060F;  // bits 0, 1, 2, 3, 9 and 10
  int ColorReduction = rmNetscape;
  int ReductionBits = 8;
  int DitherMode = dmNearest;
  int Compression = gcLZW;
};

class GifFrame {
 public:
  // A frame of the given size, every index 0, no colour table.
  GifFrame(int width, int height);
  GifFrame(const GifFrame& other);
  GifFrame& operator=(const GifFrame& other);
  ~GifFrame() = default;

  int Left() const { return left_; }
  int Top() const { return top_; }
  // Positions are 16-bit in the file; outside 0..65535 raises GIFException.
  void SetPosition(int left, int top);
  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ == 0 || height_ == 0; }

  // width * height indices, rows top-down. A packed frame is expanded by
  // either accessor (the const one too: the content is the same) and stays
  // expanded until packed again; expanding is not safe across threads.
  std::vector<uint8_t>& Data() {
    Unpack();
    return data_;
  }
  const std::vector<uint8_t>& Data() const {
    Unpack();
    return data_;
  }
  uint8_t Pixel(int x, int y) const { return Data()[static_cast<size_t>(y) * width_ + x]; }

  // A packed frame holds its indices only as their encoded image data, about
  // a tenth of the expanded size for animation frames, so that a long
  // animation's memory does not grow with its frame count; the writer copies
  // that data as it is when the code size and compression still match.
  // Packed data is always exact (never lossy LZW).
  bool Packed() const { return packed_; }
  void Pack(int compression, int min_code_size);
  void Unpack() const;
  const std::vector<uint8_t>& PackedData() const { return packed_data_; }
  int PackedCodeSize() const { return packed_code_size_; }
  int PackedCompression() const { return packed_compression_; }
  // The indices, expanded into a copy; a packed frame stays packed.
  std::vector<uint8_t> ExpandedCopy() const;
  // The highest index the frame uses (0 for an empty frame).
  uint8_t MaxIndex() const;

  // The local colour table; empty means the frame uses the global table.
  GifPalette& ColorMap() { return color_map_; }
  const GifPalette& ColorMap() const { return color_map_; }

  const std::vector<std::unique_ptr<GifExtension>>& Extensions() const { return extensions_; }
  // Appends a new extension bound to this frame and returns it.
  template <class T>
  T& AddExtension() {
    auto ext = std::make_unique<T>();
    T& ref = *ext;
    AppendExtension(std::move(ext));
    return ref;
  }
  void AppendExtension(std::unique_ptr<GifExtension> ext);
  void RemoveExtension(size_t index);
  // The frame's graphic control extension: the first one in its list.
  GifGraphicControlExtension* GraphicControlExtension() const;
  bool Transparent() const;
  int TransparentIndex() const;  // -1 without transparency
  // Whether the frame's transparent pixels are all pixels merging left to
  // show what the frame before shows, none of them a transparent background:
  // lossy writing may then give such a pixel an opaque colour near the one
  // it stands for, and a pixel near what is shown beneath it transparency.
  bool MergedTransparency() const { return merged_transparency_; }
  void SetMergedTransparency(bool merged) { merged_transparency_ = merged; }

  // Keeps only the given rectangle (in frame coordinates) and moves the
  // frame's position to match.
  void Crop(int x, int y, int width, int height);

 private:
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  mutable std::vector<uint8_t> data_;  // empty while packed
  mutable bool packed_ = false;
  std::vector<uint8_t> packed_data_;
  int packed_code_size_ = 0, packed_compression_ = 0;
  uint8_t packed_max_index_ = 0;
  bool merged_transparency_ = false;
  GifPalette color_map_;
  std::vector<std::unique_ptr<GifExtension>> extensions_;
};

class GifImage {
 public:
  // An empty image with the default codec settings (GifCodecSettings).
  GifImage();
  GifImage(const GifImage& other);
  GifImage& operator=(const GifImage& other);
  ~GifImage() = default;

  int ColorReduction() const { return settings_.ColorReduction; }
  void SetColorReduction(int reduction) { settings_.ColorReduction = reduction; }
  int ReductionBits() const { return settings_.ReductionBits; }
  // Raises GIFException("Invalid Bits Per Pixel value") outside 3..8.
  void SetReductionBits(int bits);
  int DitherMode() const { return settings_.DitherMode; }
  void SetDitherMode(int dither) { settings_.DitherMode = dither; }
  int Compression() const { return settings_.Compression; }
  // Raises GIFException("Invalid compression method") for a code other than 0 or 1.
  void SetCompression(int compression);
  uint16_t DrawOptions() const { return settings_.DrawOptions; }
  void SetDrawOptions(uint16_t options) { settings_.DrawOptions = options; }

  // The logical screen. 0 (the default) means the extent of the frames.
  int Width() const;
  int Height() const;
  // 16-bit in the file; outside 0..65535 raises GIFException.
  void SetWidth(int width);
  void SetHeight(int height);

  size_t Count() const { return frames_.size(); }
  bool Empty() const { return frames_.empty(); }
  GifFrame& Images(size_t index) { return *frames_.at(index); }
  const GifFrame& Images(size_t index) const { return *frames_.at(index); }
  void Delete(size_t index);
  void Clear();

  // Adds a frame and returns its index. A 24-bit picture is reduced with the
  // image's ColorReduction, ReductionBits and DitherMode; an indexed picture
  // or a frame keeps its own palette (a frame of another image is copied
  // with its extensions and position; one without a local table takes the
  // palette of its image). An empty picture raises GIFException("Image is
  // empty"), an indexed one without palette "Color table is empty", and an
  // index outside the palette "Invalid color index".
  int Add(const Picture& picture);
  int Add(const IndexedPicture& picture);
  int Add(const GifFrame& frame, const GifPalette* owner_global = nullptr);
  // Takes a frame built for this image (its indices refer to its own table
  // or, without one, to the global table). Errors as above.
  int Add(std::unique_ptr<GifFrame> frame);

  // With packing on, frames are packed when added and after every change the
  // image's own operations make, so that memory does not grow with the frame
  // count. Off by default.
  bool PackFrames() const { return pack_frames_; }
  void SetPackFrames(bool on) { pack_frames_ = on; }
  // Packs frame index for writing when packing is on.
  void Repack(size_t index);
  void Repack(GifFrame& frame, const GifPalette& map) const;

  // Replaces the whole content with one frame made from the picture.
  void Assign(const Picture& picture);

  GifPalette& GlobalColorMap() { return global_map_; }
  const GifPalette& GlobalColorMap() const { return global_map_; }
  // The colour table a frame's indices refer to.
  const GifPalette& ActiveColorMap(size_t index) const;

  // One global colour table for all frames; local tables are removed.
  void OptimizeColorMap();
  // Applies the optimisation option bits. reduction, dither and bits belong
  // to options this writer does not offer and have no effect. Never makes
  // the written file larger than it was before the call.
  void Optimize(int options, int reduction, int dither, int bits);

  // The whole file. No frames raises GIFException("Unsupported GIF version");
  // a frame with no colour table to use, "Color table is empty".
  std::vector<uint8_t> SaveToBytes() const;
  // Written part by part (the header, then each frame), so the whole file
  // is never held in memory. Errors as SaveToBytes, after the parts before.
  void SaveToStream(std::ostream& out) const;
  // The size SaveToBytes would give, without building the file.
  size_t FileSize() const;
  // The file handed to sink part by part: the header, each frame, the
  // trailer. Errors as SaveToBytes, after the parts before.
  void Save(const std::function<void(const std::vector<uint8_t>&)>& sink) const;
  // The bytes frame index takes in the file (extensions, descriptor, local
  // table and image data).
  size_t FrameFileSize(size_t index) const;
  // The bytes a frame would take in this image's file, its indices referring
  // to map.
  size_t FrameFileSize(const GifFrame& frame, const GifPalette& map) const;

 private:
  int AddFrame(std::unique_ptr<GifFrame> frame);

  GifCodecSettings settings_;
  int width_ = 0, height_ = 0;
  GifPalette global_map_;
  std::vector<std::unique_ptr<GifFrame>> frames_;
  bool pack_frames_ = false;
};

// GIF table bits for a palette: the smallest n >= 1 with 2^n >= size.
int ColorTableBits(size_t size);
// The LZW minimum code size for a palette: table bits, at least 2.
int MinCodeSizeFor(size_t palette_size);
// The encoded image data (code stream only) of indices with the given
// compression code.
std::vector<uint8_t> EncodeImageData(const uint8_t* indices, size_t count, int min_code_size, int compression);
// Lossy LZW levels: 0 writes every index as it is; 1..100 let a pixel take
// another opaque colour up to LossyErrorBound(level) away (squared RGB
// distance) when that lets the encoder send a longer string.
inline constexpr int kMaxLossy = 100;
uint32_t LossyErrorBound(int level);
// The error (squared RGB distance) a pixel more in one LZW code is worth at
// a lossy level: the encoder sends a longer string only where it brings
// less error than this per pixel gained. against_source: errors are
// measured from the picture before reduction (LzwTolerance::source), not
// from the palette colour wanted.
uint32_t LossyPixelWorth(int level, bool against_source);

// The file's pieces, for writers that send a file out frame by frame.
// The header: signature (GIF89a when extended, else GIF87a), logical
// screen, and the global table when there is one.
void AppendGifHeader(std::vector<uint8_t>& out, int width, int height, bool extended, const GifPalette& global_map);
// One frame: its extensions, descriptor, local table and image data, its
// indices referring to map. A packed frame whose code size and compression
// match is copied as packed, unless lossy (a level above 0, LZW only): the
// lossy stream is always made afresh from the exact indices, which packed
// data keeps, so writing or measuring a frame again never moves a pixel
// further from its colour. A lossy frame written over a screen (the
// pictures shown so far, GifScreen) is measured against what it shows, and
// the screen then shows the frame; without one, transparency stands only
// for itself. Raises GIFException for a frame that cannot be written
// ("Color table is empty", "Image is empty", "Invalid color index").
void AppendGifFrame(std::vector<uint8_t>& out, const GifFrame& frame, const GifPalette& map, int compression,
                    int lossy = 0, GifScreen* screen = nullptr, const Picture* source = nullptr);
size_t GifFrameFileSize(const GifFrame& frame, const GifPalette& map, int compression, int lossy = 0);
inline constexpr uint8_t kGifTrailer = 0x3B;

}  // namespace kt58
