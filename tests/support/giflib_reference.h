// SPDX-License-Identifier: GPL-3.0-or-later
// giflib's own encoder as the yardstick for ours: the tests check that our
// LZW data is never larger, the benchmark sets the two side by side.
#pragma once

#include <gif_lib.h>

#include <cstdint>
#include <vector>

#include "export/gif/gif_image.h"

namespace kt58::test {

// Bytes giflib's encoder writes for the indices as the code size byte and
// the data sub-blocks: the same span our frame data occupies.
inline size_t GiflibImageDataSize(const IndexedPicture& p) {
  std::vector<uint8_t> sink;
  auto write = [](GifFileType* gif, const GifByteType* data, int n) {
    auto* s = static_cast<std::vector<uint8_t>*>(gif->UserData);
    s->insert(s->end(), data, data + n);
    return n;
  };
  int error = 0;
  GifFileType* gif = EGifOpen(&sink, write, &error);
  const int bits = MinCodeSizeFor(p.palette.size());
  ColorMapObject* map = GifMakeMapObject(1 << bits, nullptr);
  for (size_t i = 0; i < p.palette.size(); ++i) map->Colors[i] = {p.palette[i].r, p.palette[i].g, p.palette[i].b};
  EGifPutScreenDesc(gif, p.width, p.height, bits, 0, map);
  EGifPutImageDesc(gif, 0, 0, p.width, p.height, false, nullptr);
  EGifPutLine(gif, const_cast<GifPixelType*>(p.indices.data()), static_cast<int>(p.indices.size()));
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  // Everything after the screen descriptor, colour table and image
  // descriptor, less the trailer.
  return sink.size() - (13 + 3 * (size_t{1} << bits) + 10) - 1;
}

}  // namespace kt58::test
