// SPDX-License-Identifier: GPL-3.0-or-later
// The 24-bit picture: blue, green, red per pixel; rows addressed top-down
// through RowStart() and a signed Stride(); stored bottom-up with each row
// padded to a multiple of 4 bytes (the layout of a BMP file's pixel data).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/picture_limits.h"

namespace kt58 {

class Picture {
 public:
  Picture() = default;
  Picture(int width, int height) { SetSize(width, height); }
  Picture(const Picture& other) { Assign(other); }
  Picture& operator=(const Picture& other) {
    Assign(other);
    return *this;
  }
  Picture(Picture&& other) noexcept;
  Picture& operator=(Picture&& other) noexcept;
  ~Picture() = default;

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ == 0 || height_ == 0; }

  // Neither form reallocates when the new size fits the buffer the picture
  // has (a smaller picture keeps the larger buffer).
  // New size with every byte zero; raises EngineError (PictureSize) for a negative size or
  // one beyond the picture limits (an operation that would grow a picture
  // past them, a rotation say, fails rather than allocating).
  void SetSize(int width, int height);
  void SetWidth(int width) { SetSize(width, height_); }
  void SetHeight(int height) { SetSize(width_, height); }
  // New size whose pixel bytes the caller overwrites: they hold whatever the
  // buffer held (the old size's pixels, shuffled). Padding bytes are zero.
  void SetSizeForOverwrite(int width, int height);

  // Assignment: takes the other picture's size and pixels.
  void Assign(const Picture& other);
  // Takes the other picture's storage; the other becomes empty.
  void TakeFrom(Picture& other) noexcept;
  // Exchanges storage, size and pixels with the other picture: an effect
  // that builds its result in a scratch picture swaps it in, and both
  // buffers stay for the next frame.
  void SwapWith(Picture& other) noexcept;

  // Bytes per stored row (3 * width rounded up to a multiple of 4).
  size_t RowBytes() const { return row_bytes_; }
  static size_t RowBytesFor(int width) { return (static_cast<size_t>(width) * 3 + 3) & ~size_t{3}; }
  // Address of row 0 (the top row) and the signed distance from row r to r+1.
  uint8_t* RowStart() { return height_ ? bits_.get() + (height_ - 1) * row_bytes_ : nullptr; }
  const uint8_t* RowStart() const { return height_ ? bits_.get() + (height_ - 1) * row_bytes_ : nullptr; }
  ptrdiff_t Stride() const { return -static_cast<ptrdiff_t>(row_bytes_); }
  uint8_t* Row(int r) { return bits_.get() + static_cast<size_t>(height_ - 1 - r) * row_bytes_; }
  const uint8_t* Row(int r) const { return bits_.get() + static_cast<size_t>(height_ - 1 - r) * row_bytes_; }

  // The pixel data in stored (bottom-up) order, RowBytes() * Height() bytes.
  uint8_t* Bits() { return bits_.get(); }
  const uint8_t* Bits() const { return bits_.get(); }
  size_t ImageBytes() const { return row_bytes_ * static_cast<size_t>(height_); }


 private:
  void Allocate(int width, int height, bool zero);

  int width_ = 0;
  int height_ = 0;
  size_t row_bytes_ = 0;
  // Bytes of bits_, at least ImageBytes().
  size_t capacity_ = 0;
  std::unique_ptr<uint8_t[]> bits_;
};

// Pictures made by the picture utilities are counted in LivePictureCount
// until FreeWorkPicture (or the handle's destruction) gives them back.
struct WorkPictureDeleter {
  void operator()(Picture* p) const noexcept;
};
using WorkPicture = std::unique_ptr<Picture, WorkPictureDeleter>;

WorkPicture CreateWorkPicture();
WorkPicture CreateWorkPicture24();
// Width set first, then height.
WorkPicture CreateSizedPicture24(int width, int height);
// Frees and uncounts the picture (nothing for an empty handle); the handle
// is left empty.
void FreeWorkPicture(WorkPicture& picture) noexcept;
int LivePictureCount();

}  // namespace kt58
