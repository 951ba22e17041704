// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary bytes as a GIF: decoded images drawn over a screen-sized picture,
// or PlatformError (GifDecode); nothing else.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "engine/gif_import.h"
#include "platform/gif_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    const kt58::DecodedGif gif = kt58::DecodeGif(data, size);
    if (gif.images.empty()) return 0;
    // Clipping is the same for any target size; a smaller one keeps runs fast
    // on screens of hundreds of megapixels.
    kt58::Picture target(std::min(gif.screen_width, 512), std::min(gif.screen_height, 512));
    kt58::PaintGifStill(gif, target);
    for (int i = 0; i < static_cast<int>(gif.images.size()); ++i) kt58::DrawGifImage(gif, i, target);
  } catch (const kt58::PlatformError&) {
  }
  return 0;
}
