// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/jpeg_picture.h"

#include "engine/errors.h"
#include "platform/jpeg_codec.h"

namespace kt58 {

void LoadJpegFile(const std::filesystem::path& path, Picture& out) {
  JpegImage image;
  try {
    image = DecodeJpegFile(path);
  } catch (const PlatformError& e) {
    throw EngineError(EngineErrorCode::Jpeg, e.what());
  }
  Picture picture;
  picture.SetSizeForOverwrite(image.width, image.height);
  const size_t w = static_cast<size_t>(image.width);
  for (int r = 0; r < image.height; ++r) {
    const uint8_t* src = image.rgb.data() + static_cast<size_t>(r) * w * 3;
    uint8_t* dst = picture.Row(r);
    for (size_t x = 0; x < w; ++x) {
      dst[3 * x] = src[3 * x + 2];
      dst[3 * x + 1] = src[3 * x + 1];
      dst[3 * x + 2] = src[3 * x];
    }
  }
  out.TakeFrom(picture);
}

void SaveJpegFile(const Picture& picture, const std::filesystem::path& path, int quality) {
  JpegImage image;
  image.width = picture.Width();
  image.height = picture.Height();
  const size_t w = static_cast<size_t>(image.width);
  image.rgb.resize(w * 3 * static_cast<size_t>(image.height));
  for (int r = 0; r < image.height; ++r) {
    const uint8_t* src = picture.Row(r);
    uint8_t* dst = image.rgb.data() + static_cast<size_t>(r) * w * 3;
    for (size_t x = 0; x < w; ++x) {
      dst[3 * x] = src[3 * x + 2];
      dst[3 * x + 1] = src[3 * x + 1];
      dst[3 * x + 2] = src[3 * x];
    }
  }
  try {
    EncodeJpegFile(image, quality, path);
  } catch (const PlatformError& e) {
    throw EngineError(EngineErrorCode::Jpeg, e.what());
  }
}

}  // namespace kt58
