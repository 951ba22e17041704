// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/picture_scaler.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/picture.h"

namespace kt58 {
namespace {

// Halving a picture of solid 2x2 blocks gives each block's colour exactly:
// no colour leaks between blocks, and none is shifted through another
// colour space. The odd width puts padding at every row's end.
TEST(PictureScaler, HalvingSolidBlocksKeepsTheirColours) {
  const int blocks_x = 5, blocks_y = 3;
  Picture source(2 * blocks_x, 2 * blocks_y);
  auto colour = [](int bx, int by, int c) { return static_cast<uint8_t>((bx * 53 + by * 97 + c * 71 + 11) % 256); };
  for (int y = 0; y < source.Height(); ++y)
    for (int x = 0; x < source.Width(); ++x)
      for (int c = 0; c < 3; ++c) source.Row(y)[3 * x + c] = colour(x / 2, y / 2, c);
  Picture half(blocks_x, blocks_y);
  PictureScaler scaler;
  for (int run = 0; run < 2; ++run) {  // the kept context scales alike
    scaler.Scale(source.Bits(), source.Width(), source.Height(), half.Bits(), blocks_x, blocks_y);
    for (int by = 0; by < blocks_y; ++by)
      for (int bx = 0; bx < blocks_x; ++bx)
        for (int c = 0; c < 3; ++c)
          ASSERT_EQ(half.Row(by)[3 * bx + c], colour(bx, by, c)) << bx << "," << by << " channel " << c;
    for (int y = 0; y < blocks_y; ++y)
      for (size_t b = 3 * blocks_x; b < half.RowBytes(); ++b) EXPECT_EQ(half.Row(y)[b], 0);
  }
}

}  // namespace
}  // namespace kt58
