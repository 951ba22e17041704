// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gif_decoder.h"

#include <gtest/gtest.h>

#include "engine/errors.h"
#include "support/gif_builder.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

const std::vector<GifRgb> kPalette = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};

TEST(GifDecoder, ImagesKeepPositionPaletteAndControlData) {
  test::GifImageSpec first = test::SolidGifImage(0, 0, 4, 2, 1);
  first.delay_cs = 7;
  first.disposal = 2;
  test::GifImageSpec second = test::SolidGifImage(3, 1, 2, 2, 0);
  second.indices = {0, 1, 2, 3};
  second.local_palette = {{9, 8, 7}, {6, 5, 4}, {3, 2, 1}, {1, 1, 1}};
  second.transparent_index = 2;
  // Reaches past the 6x3 screen: the data is kept whole.
  test::GifImageSpec third = test::SolidGifImage(5, 2, 3, 3, 3);
  third.control_block = false;
  const auto bytes = test::BuildGif(6, 3, kPalette, 2, {first, second, third});

  const DecodedGif gif = DecodeGif(bytes.data(), bytes.size());
  EXPECT_EQ(gif.screen_width, 6);
  EXPECT_EQ(gif.screen_height, 3);
  EXPECT_EQ(gif.BackgroundColor(), (GifRgb{0, 255, 0}));
  ASSERT_EQ(gif.images.size(), 3u);
  const auto& a = gif.images[0];
  EXPECT_EQ(a.delay_cs, 7);
  EXPECT_EQ(a.disposal, 2);
  EXPECT_EQ(a.transparent_index, -1);
  EXPECT_EQ(a.palette[1], (GifRgb{255, 0, 0}));
  const auto& b = gif.images[1];
  EXPECT_EQ(b.left, 3);
  EXPECT_EQ(b.top, 1);
  EXPECT_EQ(b.indices, (std::vector<uint8_t>{0, 1, 2, 3}));
  EXPECT_EQ(b.palette[0], (GifRgb{9, 8, 7}));
  EXPECT_EQ(b.transparent_index, 2);
  const auto& c = gif.images[2];
  EXPECT_EQ(c.transparent_index, -1);  // the control block does not carry over
  EXPECT_EQ(c.disposal, 0);
  EXPECT_EQ(c.width, 3);
  EXPECT_EQ(c.indices.size(), 9u);
}

TEST(GifDecoder, InterlacedRowsComeOutInOrder) {
  test::GifImageSpec image;
  image.width = 2;
  image.height = 11;
  image.interlaced = true;
  for (int y = 0; y < 11; ++y) image.indices.insert(image.indices.end(), 2, static_cast<uint8_t>(y));
  std::vector<GifRgb> palette(16);
  const auto bytes = test::BuildGif(2, 11, palette, 0, {image});
  const DecodedGif gif = DecodeGif(bytes.data(), bytes.size());
  ASSERT_EQ(gif.images.size(), 1u);
  EXPECT_EQ(gif.images[0].indices, image.indices);
}

TEST(GifDecoder, BrokenOrAbsurdFilesAreRefused) {
  const auto good = test::BuildGif(4, 4, kPalette, 0, {test::SolidGifImage(0, 0, 4, 4, 1)});
  auto with_screen = [&](int w, int h) {
    auto b = good;
    b[6] = static_cast<uint8_t>(w & 0xFF);
    b[7] = static_cast<uint8_t>(w >> 8);
    b[8] = static_cast<uint8_t>(h & 0xFF);
    b[9] = static_cast<uint8_t>(h >> 8);
    return b;
  };
  // A 60000 x 60000 image (3.6 gigapixels) claimed by a file of a few bytes.
  auto huge_image = test::BuildGif(4, 4, kPalette, 0, {test::SolidGifImage(0, 0, 2, 2, 1)});
  // The image descriptor follows the 13-byte header, the 4-entry palette and
  // the 8-byte control extension.
  const size_t desc = 13 + 12 + 8;
  ASSERT_EQ(huge_image[desc], 0x2C);
  auto sized_image = [&](int w, int h) {
    auto b = huge_image;
    b[desc + 5] = static_cast<uint8_t>(w & 0xFF);
    b[desc + 6] = static_cast<uint8_t>(w >> 8);
    b[desc + 7] = static_cast<uint8_t>(h & 0xFF);
    b[desc + 8] = static_cast<uint8_t>(h >> 8);
    return b;
  };
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {"empty", {}},
      {"not a GIF", {'P', 'N', 'G', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"header only", std::vector<uint8_t>(good.begin(), good.begin() + 6)},
      {"zero-width screen", with_screen(0, 4)},
      {"screen too wide", with_screen(40000, 1)},
      {"screen beyond the pixel limit", with_screen(20000, 20000)},
      {"huge image in a tiny file", sized_image(60000, 60000)},
      {"image larger than its data", sized_image(30000, 30000)},
      {"zero-height image", sized_image(2, 0)},
      {"cut inside the only image", std::vector<uint8_t>(good.begin(), good.end() - 5)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(test::ErrorCodeOf<PlatformError>([&] { DecodeGif(c.bytes.data(), c.bytes.size()); }),
              PlatformErrorCode::GifDecode)
        << c.what;
  }
}

TEST(GifDecoder, WholeImagesBeforeADamagedOneStand) {
  const auto bytes = test::BuildGif(4, 4, kPalette, 0,
                                    {test::SolidGifImage(0, 0, 4, 4, 1), test::SolidGifImage(0, 0, 4, 4, 2)});
  // Without the trailer, and cut inside the second image.
  for (size_t cut : {size_t{1}, size_t{6}}) {
    const DecodedGif gif = DecodeGif(bytes.data(), bytes.size() - cut);
    EXPECT_EQ(gif.images.size(), cut == 1 ? 2u : 1u) << cut;
  }
}

TEST(GifDecoder, ImageCountWithoutDecoding) {
  test::TempDir dir;
  const auto bytes = test::BuildGif(4, 4, kPalette, 0,
                                    {test::SolidGifImage(0, 0, 4, 4, 1), test::SolidGifImage(1, 1, 2, 2, 2),
                                     test::SolidGifImage(0, 0, 1, 1, 3)});
  test::WriteFileBytes(dir / "a.gif", bytes);
  test::WriteFileBytes(dir / "junk.gif", {1, 2, 3});
  EXPECT_EQ(GifImageCount(dir / "a.gif"), 3);
  EXPECT_EQ(GifImageCount(dir / "junk.gif"), -1);
  EXPECT_EQ(GifImageCount(dir / "missing.gif"), -1);
  EXPECT_EQ(test::ErrorCodeOf<PlatformError>([&] { DecodeGifFile(dir / "missing.gif"); }),
            PlatformErrorCode::GifDecode);
  EXPECT_EQ(DecodeGifFile(dir / "a.gif").images.size(), 3u);
}

}  // namespace
}  // namespace kt58
