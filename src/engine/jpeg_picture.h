// SPDX-License-Identifier: GPL-3.0-or-later
// JPEG files as 24-bit pictures: the still resources of type Jpg and the
// single-frame export.
#pragma once

#include <filesystem>

#include "engine/picture.h"

namespace kt58 {

// The quality of the single-frame export (the codec's default).
inline constexpr int kDefaultJpegQuality = 90;

// Decodes a JPEG file into the picture. Raises EngineError (Jpeg) naming the file.
void LoadJpegFile(const std::filesystem::path& path, Picture& out);
// Writes the picture as a baseline colour JPEG. Raises EngineError (Jpeg).
void SaveJpegFile(const Picture& picture, const std::filesystem::path& path, int quality = kDefaultJpegQuality);

}  // namespace kt58
