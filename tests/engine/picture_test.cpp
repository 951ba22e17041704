// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstring>
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

// A picture resized frame after frame keeps its buffer while the size fits
// it, and the old size's bytes never show where they must not: SetSize
// zeroes every byte, SetSizeForOverwrite every padding byte (BMP files are
// written straight from the buffer), and a picture written whole after
// either reads back exactly.
TEST(Picture, ResizingWithinTheBufferKeepsItAndClearsWhatMustBeClear) {
  struct Step {
    int width, height;
    bool overwrite;  // SetSizeForOverwrite, else SetSize
    bool same_buffer;
  };
  const Step steps[] = {
      {9, 6, false, false},  // 28-byte rows, 1 byte of padding
      {2, 3, true, true},    // smaller: 6 + 2 bytes of padding
      {7, 4, false, true},   // grown within the buffer, 3 bytes of padding
      {5, 5, true, true},    // 15 + 1 byte of padding, another shape
      {9, 6, true, true},    // back to the first size
      {10, 6, true, false},  // larger than anything before
      {0, 4, true, true},
      {3, 3, false, true},
  };
  Picture p;
  uint32_t seed = 1;
  for (const Step& step : steps) {
    SCOPED_TRACE(testing::Message() << step.width << " x " << step.height << (step.overwrite ? " overwrite" : ""));
    // Every byte of the buffer as it stands, padding included, is not zero.
    if (p.ImageBytes()) std::memset(p.Bits(), 0xA5, p.ImageBytes());
    const uint8_t* before = p.Bits();
    if (step.overwrite)
      p.SetSizeForOverwrite(step.width, step.height);
    else
      p.SetSize(step.width, step.height);
    ASSERT_EQ(p.Width(), step.width);
    ASSERT_EQ(p.Height(), step.height);
    ASSERT_EQ(p.RowBytes(), Picture::RowBytesFor(step.width));
    if (before) {
      EXPECT_EQ(p.Bits() == before, step.same_buffer);
    }
    const size_t used = static_cast<size_t>(step.width) * 3;
    for (int r = 0; r < step.height; ++r)
      for (size_t i = step.overwrite ? used : 0; i < p.RowBytes(); ++i)
        ASSERT_EQ(p.Row(r)[i], 0) << "row " << r << " byte " << i;
    // Written whole, the picture is exactly that picture.
    const Picture want = test::MakeRandomPicture(step.width, step.height, seed++);
    if (used)
      for (int r = 0; r < step.height; ++r) std::memcpy(p.Row(r), want.Row(r), used);
    EXPECT_TRUE(test::PicturesEqual(p, want));
    EXPECT_EQ(EncodeBmp(p), EncodeBmp(want)) << "padding bytes reach the file";
  }
  // A copy takes the pixels, not the larger buffer's contents.
  const Picture copy = p;
  EXPECT_TRUE(test::PicturesEqual(copy, p));
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
