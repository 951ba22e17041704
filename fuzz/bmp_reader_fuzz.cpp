// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary bytes as a BMP file, both in memory and as the next image of a
// stream: a picture or EngineError (Bmp), nothing else.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "engine/bmp_codec.h"
#include "engine/errors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kt58::Picture picture;
  try {
    kt58::DecodeBmp(data, size, picture, "fuzz.bmp");
  } catch (const kt58::Kt58Error&) {
  }
  std::istringstream stream(std::string(reinterpret_cast<const char*>(data), size));
  try {
    kt58::ReadBmpImage(stream, picture, "fuzz.bmp");
  } catch (const kt58::Kt58Error&) {
  }
  return 0;
}
