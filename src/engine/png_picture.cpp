// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/png_picture.h"

#include <algorithm>
#include <vector>

#include "engine/alpha_key.h"
#include "engine/errors.h"
#include "platform/png_writer.h"

namespace kt58 {

void SavePngFile(const Picture& picture, const std::filesystem::path& path, const std::optional<BGR>& transparent) {
  // The picture keeps its rows bottom-up and its pixels B, G, R; the
  // encoder takes them in place (or their keyed copy), top row first.
  const size_t height = static_cast<size_t>(std::max(picture.Height(), 0));
  std::vector<const uint8_t*> rows(height);
  std::vector<uint8_t> keyed;
  if (transparent) {
    KeyedBgra(picture, *transparent, keyed);
    const size_t row_bytes = 4 * static_cast<size_t>(std::max(picture.Width(), 0));
    for (size_t r = 0; r < height; ++r) rows[r] = keyed.data() + (height - 1 - r) * row_bytes;
  } else {
    for (size_t r = 0; r < height; ++r) rows[r] = picture.Row(static_cast<int>(r));
  }
  try {
    WritePngFile(path, picture.Width(), picture.Height(), rows,
                 transparent ? PngPixelOrder::Bgra : PngPixelOrder::Bgr);
  } catch (const PlatformError& e) {
    throw EngineError(EngineErrorCode::Png, path.string() + ": " + e.what());
  }
}

}  // namespace kt58
