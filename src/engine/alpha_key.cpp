// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/alpha_key.h"

namespace kt58 {

void KeyedBgra(const Picture& picture, BGR key, std::vector<uint8_t>& out) {
  const size_t width = static_cast<size_t>(picture.Width());
  out.resize(4 * width * static_cast<size_t>(picture.Height()));
  uint8_t* to = out.data();
  // Row r of the buffer is stored row r of the picture: both bottom-up.
  for (int y = picture.Height(); y-- > 0;) {
    const uint8_t* from = picture.Row(y);
    for (size_t x = 0; x < width; ++x, from += 3, to += 4) {
      to[0] = from[0];
      to[1] = from[1];
      to[2] = from[2];
      to[3] = IsKeyPixel(from, key) ? 0 : 255;
    }
  }
}

}  // namespace kt58
