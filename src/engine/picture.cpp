// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/picture.h"

#include <atomic>
#include <cstring>
#include <new>
#include <string>
#include <utility>

#include "engine/errors.h"

namespace kt58 {

namespace {
std::atomic<int> g_live_pictures{0};
}

Picture::Picture(Picture&& other) noexcept { TakeFrom(other); }

Picture& Picture::operator=(Picture&& other) noexcept {
  if (this != &other) TakeFrom(other);
  return *this;
}

void Picture::Allocate(int width, int height, bool zero) {
  if (width < 0 || height < 0)
    throw EngineError(EngineErrorCode::PictureSize,
                      "Invalid picture size " + std::to_string(width) + " x " + std::to_string(height));
  if (!WithinPictureLimits(width, height))
    throw EngineError(EngineErrorCode::PictureSize, "Picture size " + PictureLimitText(width, height));
  const size_t row_bytes = RowBytesFor(width);
  const size_t total = row_bytes * static_cast<size_t>(height);
  // A buffer that holds the new size is kept: pictures resized every frame
  // (work pictures, stored frames read again and again) then cost no
  // allocation and no page faults. The capacity stays until the picture goes.
  if (total > capacity_) {
    // Allocated before anything changes: a failure leaves the picture as it was.
    bits_ = std::make_unique_for_overwrite<uint8_t[]>(total);
    capacity_ = total;
  }
  width_ = width;
  height_ = height;
  row_bytes_ = row_bytes;
  if (!total) return;
  if (zero) {
    std::memset(bits_.get(), 0, total);
  } else if (row_bytes != static_cast<size_t>(width) * 3) {
    const size_t used = static_cast<size_t>(width) * 3;
    for (int r = 0; r < height; ++r) std::memset(bits_.get() + r * row_bytes + used, 0, row_bytes - used);
  }
}

void Picture::SetSize(int width, int height) { Allocate(width, height, true); }

void Picture::SetSizeForOverwrite(int width, int height) {
  // Same size: the padding bytes are still zero.
  if (width == width_ && height == height_) return;
  Allocate(width, height, false);
}

void Picture::Assign(const Picture& other) {
  if (this == &other) return;
  SetSizeForOverwrite(other.width_, other.height_);
  if (other.ImageBytes()) std::memcpy(bits_.get(), other.bits_.get(), other.ImageBytes());
}

void Picture::TakeFrom(Picture& other) noexcept {
  bits_ = std::move(other.bits_);
  width_ = std::exchange(other.width_, 0);
  height_ = std::exchange(other.height_, 0);
  row_bytes_ = std::exchange(other.row_bytes_, 0);
  capacity_ = std::exchange(other.capacity_, 0);
}

void Picture::SwapWith(Picture& other) noexcept {
  std::swap(bits_, other.bits_);
  std::swap(width_, other.width_);
  std::swap(height_, other.height_);
  std::swap(row_bytes_, other.row_bytes_);
  std::swap(capacity_, other.capacity_);
}

void WorkPictureDeleter::operator()(Picture* p) const noexcept {
  if (!p) return;
  delete p;
  g_live_pictures.fetch_sub(1, std::memory_order_relaxed);
}

WorkPicture CreateWorkPicture() {
  WorkPicture p(new Picture());
  g_live_pictures.fetch_add(1, std::memory_order_relaxed);
  return p;
}

WorkPicture CreateWorkPicture24() { return CreateWorkPicture(); }

WorkPicture CreateSizedPicture24(int width, int height) {
  WorkPicture p = CreateWorkPicture();
  p->SetSize(width, height);
  return p;
}

void FreeWorkPicture(WorkPicture& picture) noexcept { picture.reset(); }

int LivePictureCount() { return g_live_pictures.load(std::memory_order_relaxed); }

}  // namespace kt58
