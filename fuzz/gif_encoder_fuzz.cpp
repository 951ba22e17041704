// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary bytes as an index stream: both encoders' output must decode with
// giflib to exactly the same indices. The first byte picks the palette size;
// streams are capped so that replaying the whole corpus stays quick.
#include <gif_lib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "export/gif/gif_image.h"

namespace {

struct Input {
  const uint8_t* data;
  size_t size, pos;
};

int Read(GifFileType* gif, GifByteType* buffer, int length) {
  auto* in = static_cast<Input*>(gif->UserData);
  const size_t n = std::min(static_cast<size_t>(length), in->size - in->pos);
  std::memcpy(buffer, in->data + in->pos, n);
  in->pos += n;
  return static_cast<int>(n);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const size_t colors = size_t{data[0]} + 1;
  const size_t count = std::min<size_t>(size - 1, 1 << 16);
  kt58::IndexedPicture p;
  p.width = static_cast<int>(std::min<size_t>(count, 256));
  p.height = static_cast<int>(count / static_cast<size_t>(p.width));
  for (size_t i = 0; i < colors; ++i) p.palette.push_back({static_cast<uint8_t>(i), 0, 0});
  for (size_t i = 0; i < static_cast<size_t>(p.width) * p.height; ++i)
    p.indices.push_back(static_cast<uint8_t>(data[1 + i] % colors));
  for (int compression : {kt58::gcLZW, kt58::gcRLE}) {
    kt58::GifImage image;
    image.SetCompression(compression);
    image.Add(p);
    const std::vector<uint8_t> bytes = image.SaveToBytes();
    Input in{bytes.data(), bytes.size(), 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&in, Read, &error);
    if (!gif || DGifSlurp(gif) != GIF_OK || gif->ImageCount != 1 ||
        !std::equal(p.indices.begin(), p.indices.end(), gif->SavedImages[0].RasterBits))
      std::abort();
    DGifCloseFile(gif, &error);
  }
  return 0;
}
