// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/gif/gif_image.h"

#include <algorithm>

#include "export/gif/gif_exception.h"
#include "export/gif/lzw_decoder.h"

namespace kt58 {
namespace {

void CheckReductionBits(int bits) {
  if (bits < 3 || bits > 8) throw GIFException("Invalid Bits Per Pixel value");
}

void CheckCompression(int compression) {
  if (compression != gcLZW && compression != gcRLE) throw GIFException("Invalid compression method");
}

void CheckWord(int value, const char* what) {
  if (value < 0 || value > 0xFFFF) throw GIFException(std::string(what) + " is outside 0..65535");
}

}  // namespace


// ---- frames -------------------------------------------------------------------

GifFrame::GifFrame(int width, int height) {
  CheckWord(width, "Frame width");
  CheckWord(height, "Frame height");
  width_ = width;
  height_ = height;
  data_.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
}

GifFrame::GifFrame(const GifFrame& other)
    : left_(other.left_),
      top_(other.top_),
      width_(other.width_),
      height_(other.height_),
      data_(other.data_),
      packed_(other.packed_),
      packed_data_(other.packed_data_),
      packed_code_size_(other.packed_code_size_),
      packed_compression_(other.packed_compression_),
      packed_max_index_(other.packed_max_index_),
      merged_transparency_(other.merged_transparency_),
      color_map_(other.color_map_) {
  for (const auto& ext : other.extensions_) AppendExtension(ext->Clone());
}

GifFrame& GifFrame::operator=(const GifFrame& other) {
  if (this != &other) {
    GifFrame copy(other);
    left_ = copy.left_;
    top_ = copy.top_;
    width_ = copy.width_;
    height_ = copy.height_;
    data_ = std::move(copy.data_);
    packed_ = copy.packed_;
    packed_data_ = std::move(copy.packed_data_);
    packed_code_size_ = copy.packed_code_size_;
    packed_compression_ = copy.packed_compression_;
    packed_max_index_ = copy.packed_max_index_;
    merged_transparency_ = copy.merged_transparency_;
    color_map_ = std::move(copy.color_map_);
    extensions_.clear();
    for (auto& ext : copy.extensions_) AppendExtension(std::move(ext));
  }
  return *this;
}

void GifFrame::SetPosition(int left, int top) {
  CheckWord(left, "Frame position");
  CheckWord(top, "Frame position");
  left_ = left;
  top_ = top;
}

void GifFrame::AppendExtension(std::unique_ptr<GifExtension> ext) {
  ext->sub_image_ = this;
  extensions_.push_back(std::move(ext));
}

void GifFrame::RemoveExtension(size_t index) { extensions_.erase(extensions_.begin() + static_cast<ptrdiff_t>(index)); }

GifGraphicControlExtension* GifFrame::GraphicControlExtension() const {
  for (const auto& ext : extensions_)
    if (ext->Kind() == GIFExtensionKind::GraphicControl) return static_cast<GifGraphicControlExtension*>(ext.get());
  return nullptr;
}

bool GifFrame::Transparent() const {
  const auto* gce = GraphicControlExtension();
  return gce && gce->Transparent;
}

int GifFrame::TransparentIndex() const { return Transparent() ? GraphicControlExtension()->TransparentColorIndex : -1; }

void GifFrame::Pack(int compression, int min_code_size) {
  if (packed_) {
    if (packed_code_size_ == min_code_size && packed_compression_ == compression) return;
    Unpack();
  }
  packed_max_index_ = MaxIndex();
  packed_data_ = EncodeImageData(data_.data(), data_.size(), min_code_size, compression);
  packed_code_size_ = min_code_size;
  packed_compression_ = compression;
  packed_ = true;
  std::vector<uint8_t>().swap(data_);
}

void GifFrame::Unpack() const {
  if (!packed_) return;
  data_ = ExpandedCopy();
  packed_ = false;
}

std::vector<uint8_t> GifFrame::ExpandedCopy() const {
  if (!packed_) return data_;
  return DecodeLzwStream(packed_data_.data(), packed_data_.size(), packed_code_size_,
                         static_cast<size_t>(width_) * static_cast<size_t>(height_));
}

uint8_t GifFrame::MaxIndex() const {
  if (packed_) return packed_max_index_;
  return data_.empty() ? 0 : *std::max_element(data_.begin(), data_.end());
}

void GifFrame::Crop(int x, int y, int width, int height) {
  if (x < 0 || y < 0 || width < 0 || height < 0 || x + width > width_ || y + height > height_)
    throw GIFException("Crop rectangle outside the frame");
  Unpack();
  std::vector<uint8_t> cropped(static_cast<size_t>(width) * static_cast<size_t>(height));
  for (int r = 0; r < height; ++r)
    std::copy_n(data_.begin() + static_cast<ptrdiff_t>(static_cast<size_t>(y + r) * width_ + x), width,
                cropped.begin() + static_cast<ptrdiff_t>(static_cast<size_t>(r) * width));
  left_ += x;
  top_ += y;
  width_ = width;
  height_ = height;
  data_ = std::move(cropped);
}

// ---- image ----------------------------------------------------------------------

GifImage::GifImage() = default;

GifImage::GifImage(const GifImage& other)
    : settings_(other.settings_),
      width_(other.width_),
      height_(other.height_),
      global_map_(other.global_map_),
      pack_frames_(other.pack_frames_) {
  for (const auto& f : other.frames_) frames_.push_back(std::make_unique<GifFrame>(*f));
}

GifImage& GifImage::operator=(const GifImage& other) {
  if (this != &other) {
    GifImage copy(other);
    settings_ = copy.settings_;
    width_ = copy.width_;
    height_ = copy.height_;
    global_map_ = std::move(copy.global_map_);
    frames_ = std::move(copy.frames_);
    pack_frames_ = copy.pack_frames_;
  }
  return *this;
}

void GifImage::SetReductionBits(int bits) {
  CheckReductionBits(bits);
  settings_.ReductionBits = bits;
}

void GifImage::SetCompression(int compression) {
  CheckCompression(compression);
  settings_.Compression = compression;
}

int GifImage::Width() const {
  if (width_ > 0) return width_;
  int w = 0;
  for (const auto& f : frames_) w = std::max(w, f->Left() + f->Width());
  return std::min(w, 0xFFFF);
}

int GifImage::Height() const {
  if (height_ > 0) return height_;
  int h = 0;
  for (const auto& f : frames_) h = std::max(h, f->Top() + f->Height());
  return std::min(h, 0xFFFF);
}

void GifImage::SetWidth(int width) {
  CheckWord(width, "Screen width");
  width_ = width;
}

void GifImage::SetHeight(int height) {
  CheckWord(height, "Screen height");
  height_ = height;
}

void GifImage::Delete(size_t index) { frames_.erase(frames_.begin() + static_cast<ptrdiff_t>(index)); }

void GifImage::Clear() {
  frames_.clear();
  global_map_.clear();
}

const GifPalette& GifImage::ActiveColorMap(size_t index) const {
  const GifFrame& f = Images(index);
  return f.ColorMap().empty() ? global_map_ : f.ColorMap();
}

int GifImage::AddFrame(std::unique_ptr<GifFrame> frame) {
  frames_.push_back(std::move(frame));
  Repack(frames_.size() - 1);
  return static_cast<int>(frames_.size() - 1);
}

int GifImage::Add(std::unique_ptr<GifFrame> frame) {
  if (!frame || frame->Empty()) throw GIFException("Image is empty");
  const GifPalette& map = frame->ColorMap().empty() ? global_map_ : frame->ColorMap();
  if (map.empty()) throw GIFException("Color table is empty");
  if (frame->MaxIndex() >= map.size()) throw GIFException("Invalid color index");
  return AddFrame(std::move(frame));
}

void GifImage::Repack(size_t index) { Repack(Images(index), ActiveColorMap(index)); }

void GifImage::Repack(GifFrame& frame, const GifPalette& map) const {
  if (pack_frames_ && !frame.Empty() && !map.empty()) frame.Pack(settings_.Compression, MinCodeSizeFor(map.size()));
}

int GifImage::Add(const IndexedPicture& picture) {
  if (picture.width <= 0 || picture.height <= 0) throw GIFException("Image is empty");
  if (picture.palette.empty()) throw GIFException("Color table is empty");
  if (picture.palette.size() > 256) throw GIFException("Invalid Bits Per Pixel value");
  const size_t pixels = static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height);
  if (picture.indices.size() != pixels) throw GIFException("Image is empty");
  const uint8_t top = picture.indices.empty() ? 0 : *std::max_element(picture.indices.begin(), picture.indices.end());
  if (top >= picture.palette.size()) throw GIFException("Invalid color index");
  auto frame = std::make_unique<GifFrame>(picture.width, picture.height);
  frame->Data() = picture.indices;
  frame->ColorMap() = picture.palette;
  return AddFrame(std::move(frame));
}

int GifImage::Add(const Picture& picture) {
  if (picture.Empty()) throw GIFException("Image is empty");
  return Add(ReduceColors(picture, settings_.ColorReduction, settings_.ReductionBits, settings_.DitherMode));
}

int GifImage::Add(const GifFrame& frame, const GifPalette* owner_global) {
  if (frame.Empty()) throw GIFException("Image is empty");
  auto copy = std::make_unique<GifFrame>(frame);
  if (copy->ColorMap().empty() && owner_global) copy->ColorMap() = *owner_global;
  const GifPalette& map = copy->ColorMap().empty() ? global_map_ : copy->ColorMap();
  if (map.empty()) throw GIFException("Color table is empty");
  if (copy->MaxIndex() >= map.size())
    throw GIFException("Invalid color index");
  return AddFrame(std::move(copy));
}

void GifImage::Assign(const Picture& picture) {
  if (picture.Empty()) throw GIFException("Image is empty");
  IndexedPicture reduced = ReduceColors(picture, settings_.ColorReduction, settings_.ReductionBits, settings_.DitherMode);
  Clear();
  Add(reduced);
}

}  // namespace kt58
