// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/widgets/picture_image.h"

#include <cstring>

#include "engine/picture.h"

QImage PictureImage(const kt58::Picture& picture) {
  const int w = picture.Width(), h = picture.Height();
  if (w <= 0 || h <= 0) return {};
  // Both hold blue, green, red per pixel; the picture's rows are bottom-up,
  // walked with its signed stride.
  QImage image(w, h, QImage::Format_BGR888);
  const uint8_t* top = picture.RowStart();
  for (int row = 0; row < h; ++row)
    std::memcpy(image.scanLine(row), top + static_cast<ptrdiff_t>(row) * picture.Stride(), static_cast<size_t>(w) * 3);
  return image;
}
