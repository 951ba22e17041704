// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary bytes as a JPEG file: an image or PlatformError (Jpeg), nothing else. The
// pixel bound is lowered so that a tiny header claiming a huge image is
// refused rather than decoded into grey for seconds.
#include <cstddef>
#include <cstdint>

#include "platform/jpeg_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    kt58::JpegImage image = kt58::DecodeJpeg(data, size, int64_t{1} << 22);
    (void)image;
  } catch (const kt58::PlatformError&) {
  }
  return 0;
}
