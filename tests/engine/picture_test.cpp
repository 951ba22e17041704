// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <sstream>

#include "engine/bmp_codec.h"
#include "engine/colors.h"
#include "engine/errors.h"
#include "engine/picture.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

using test::MakePicture;
using test::PixelColor;

TEST(Picture, RowsAreTopDownOverBottomUpStorage) {
  Picture p = MakePicture({{0x0000FF, 0x00FF00}, {0xFF0000, 0x123456}, {0x010203, 0x040506}});
  ASSERT_EQ(p.RowBytes(), 8u);  // 6 bytes padded to 8
  EXPECT_EQ(p.Stride(), -8);
  // Row 0 is stored last; the stride walks from row 0 to row 1.
  EXPECT_EQ(p.RowStart(), p.Bits() + 2 * 8);
  EXPECT_EQ(p.RowStart() + p.Stride(), p.Row(1));
  // Blue, green, red byte order.
  EXPECT_EQ(p.Row(0)[0], 0x00);
  EXPECT_EQ(p.Row(0)[2], 0xFF);
  EXPECT_EQ(PixelColor(p, 1, 1), 0x123456u);
}

TEST(Picture, AssignmentTakesSizeAndPixels) {
  Picture a = test::MakeRandomPicture(5, 3, 1);
  Picture b(9, 9);
  b.Assign(a);
  EXPECT_TRUE(test::PicturesEqual(a, b));
  Picture c = a;
  EXPECT_TRUE(test::PicturesEqual(a, c));
}

TEST(Picture, AbsurdSizesAreRefused) {
  Picture p;
  EXPECT_EQ(test::ErrorCodeOf<EngineError>([&] { p.SetSize(-1, 5); }), EngineErrorCode::PictureSize);
  EXPECT_EQ(test::ErrorCodeOf<EngineError>([&] { p.SetSize(kMaxPictureSide + 1, 1); }), EngineErrorCode::PictureSize);
  EXPECT_EQ(test::ErrorCodeOf<EngineError>([&] { p.SetSize(8192, 4097); }),
            EngineErrorCode::PictureSize);  // one row over 2^25 pixels
  EXPECT_NO_THROW(p.SetSize(0, 7));
  EXPECT_TRUE(p.Empty());
  EXPECT_NO_THROW(p.SetSize(7680, 4320));  // 8K UHD fits
}

TEST(Picture, LivePictureCountFollowsCreateAndFree) {
  const int before = LivePictureCount();
  WorkPicture a = CreateWorkPicture();
  WorkPicture b = CreateWorkPicture24();
  WorkPicture c = CreateSizedPicture24(4, 3);
  EXPECT_EQ(LivePictureCount(), before + 3);
  EXPECT_EQ(c->Width(), 4);
  EXPECT_EQ(c->Height(), 3);
  FreeWorkPicture(a);
  EXPECT_EQ(a, nullptr);
  FreeWorkPicture(a);  // nothing for an empty handle
  EXPECT_EQ(LivePictureCount(), before + 2);
  b.reset();
  c.reset();
  EXPECT_EQ(LivePictureCount(), before);
}

TEST(BmpWriter, WritesThe24BitFileImageExactly) {
  Picture p = MakePicture({{0x0000FF}, {0x00FF00}});  // 1 x 2: rows of 3 bytes padded to 4
  const std::vector<uint8_t> bytes = EncodeBmp(p);
  ASSERT_EQ(bytes.size(), 54u + 8u);
  const std::vector<uint8_t> header(bytes.begin(), bytes.begin() + 54);
  const std::vector<uint8_t> expected = {
      'B', 'M', 62, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  // file header: total length, offset
      40, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0,            // size, width, height
      1, 0, 24, 0, 0, 0, 0, 0, 8, 0, 0, 0,            // planes, bits, compression, image size
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(header, expected);
  // Bottom row (green) first, each row padded with a zero byte.
  const std::vector<uint8_t> pixels(bytes.begin() + 54, bytes.end());
  EXPECT_EQ(pixels, (std::vector<uint8_t>{0, 0xFF, 0, 0, 0, 0, 0xFF, 0}));
}

TEST(BmpWriter, RoundTripsThroughTheStreamReader) {
  Picture p = test::MakeRandomPicture(7, 5, 3);
  std::stringstream s;
  WriteBmpImage(p, s);
  WriteBmpImage(p, s);
  Picture q, r;
  ReadBmpImage(s, q, "memory");
  ReadBmpImage(s, r, "memory");
  EXPECT_TRUE(test::PicturesEqual(p, q));
  EXPECT_TRUE(test::PicturesEqual(p, r));
}

TEST(Colors, ColorToBGRSplitsWithoutResolvingSystemColours) {
  EXPECT_EQ(ColorToBGR(0x00123456), (BGR{0x12, 0x34, 0x56}));
  EXPECT_EQ(ColorToBGR(0x8000000F), (BGR{0x00, 0x00, 0x0F}));
  ResetSystemColors();
  EXPECT_EQ(ResolveColor(0x8000000F), RGBColor(0xF0, 0xF0, 0xF0));  // button face
  SetSystemColor(15, 0x00ABCDEF);
  EXPECT_EQ(ResolveColor(0x8000000F), 0x00ABCDEFu);
  EXPECT_EQ(ResolveColor(0x800000FF), 0u);  // no such system colour
  EXPECT_EQ(ResolveColor(0x00FF0000), 0x00FF0000u);
  ResetSystemColors();
}

}  // namespace
}  // namespace kt58
