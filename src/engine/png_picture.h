// SPDX-License-Identifier: GPL-3.0-or-later
// PNG files of 24-bit pictures: the single-frame and sequence exports'
// lossless format.
#pragma once

#include <filesystem>
#include <optional>

#include "engine/colors.h"
#include "engine/picture.h"

namespace kt58 {

// Writes the picture as an 8-bit RGB PNG holding exactly its pixels,
// atomically (an existing file is replaced only by a complete one); with a
// transparent key, as 8-bit RGBA whose pixels of the key's colour are
// transparent (KeyedBgra). Raises EngineError (Png) naming the file.
void SavePngFile(const Picture& picture, const std::filesystem::path& path,
                 const std::optional<BGR>& transparent = std::nullopt);

}  // namespace kt58
