// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/png_picture.h"

#include <algorithm>
#include <vector>

#include "engine/errors.h"
#include "platform/png_writer.h"

namespace kt58 {

void SavePngFile(const Picture& picture, const std::filesystem::path& path) {
  // The picture keeps its rows bottom-up and its pixels B, G, R; the
  // encoder takes them in place, top row first.
  std::vector<const uint8_t*> rows(static_cast<size_t>(std::max(picture.Height(), 0)));
  for (int r = 0; r < picture.Height(); ++r) rows[static_cast<size_t>(r)] = picture.Row(r);
  try {
    WritePngFile(path, picture.Width(), picture.Height(), rows, PngPixelOrder::Bgr);
  } catch (const PlatformError& e) {
    throw EngineError(EngineErrorCode::Png, path.string() + ": " + e.what());
  }
}

}  // namespace kt58
