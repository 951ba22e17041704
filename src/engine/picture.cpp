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
  std::unique_ptr<uint8_t[]> bits;
  if (total) {
    bits = std::make_unique_for_overwrite<uint8_t[]>(total);
    if (zero) {
      std::memset(bits.get(), 0, total);
    } else if (row_bytes != static_cast<size_t>(width) * 3) {
      const size_t used = static_cast<size_t>(width) * 3;
      for (int r = 0; r < height; ++r) std::memset(bits.get() + r * row_bytes + used, 0, row_bytes - used);
    }
  }
  bits_ = std::move(bits);
  width_ = width;
  height_ = height;
  row_bytes_ = row_bytes;
}

void Picture::SetSize(int width, int height) { Allocate(width, height, true); }

void Picture::SetSizeForOverwrite(int width, int height) {
  if (width == width_ && height == height_ && bits_) return;
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
