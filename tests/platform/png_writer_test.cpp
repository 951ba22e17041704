// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/png_writer.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/errors.h"
#include "engine/png_picture.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

namespace fs = std::filesystem;

// Widths around the pictures' 4-byte row padding, so that a padding byte
// read as a pixel, or a bottom-up row read top-down, shows.
TEST(PngPicture, FilesHoldExactlyThePixelsTopRowFirst) {
  test::TempDir dir;
  const struct {
    int width, height;
  } sizes[] = {{1, 1}, {3, 7}, {4, 2}, {5, 5}, {33, 3}};
  uint32_t seed = 1;
  for (const auto& s : sizes) {
    SCOPED_TRACE(std::to_string(s.width) + "x" + std::to_string(s.height));
    const Picture p = test::MakeRandomPicture(s.width, s.height, seed++);
    const fs::path file = dir / "p.png";
    SavePngFile(p, file);
    const test::RgbaImage back = test::ReadPng(file);
    ASSERT_EQ(back.width, s.width);
    ASSERT_EQ(back.height, s.height);
    for (int y = 0; y < s.height; ++y)
      for (int x = 0; x < s.width; ++x) {
        const uint8_t* got = back.rgba.data() + (static_cast<size_t>(y) * s.width + x) * 4;
        const Color c = test::PixelColor(p, x, y);
        ASSERT_EQ(RGBColor(got[0], got[1], got[2]), c) << "pixel " << x << "," << y;
        ASSERT_EQ(got[3], 255);
      }
  }
}

TEST(PngPicture, FailuresAreEngineErrorsAndLeaveNoFile) {
  test::TempDir dir;
  EXPECT_EQ(test::ErrorCodeOf<EngineError>([&] { SavePngFile(test::MakeSolidPicture(2, 2, 0), dir / "no" / "a.png"); }),
            EngineErrorCode::Png);
  EXPECT_EQ(test::ErrorCodeOf<EngineError>([&] { SavePngFile(Picture(), dir / "empty.png"); }), EngineErrorCode::Png);
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(PngWriter, PixelOrderSwapsOnlyRedAndBlue) {
  const uint8_t row[] = {10, 20, 30, 40, 50, 60};
  const uint8_t* rows[] = {row};
  test::TempDir dir;
  for (const PngPixelOrder order : {PngPixelOrder::Rgb, PngPixelOrder::Bgr}) {
    const fs::path file = dir / "o.png";
    WritePngFile(file, 2, 1, rows, order);
    const test::RgbaImage back = test::ReadPng(file);
    const std::vector<uint8_t> want = order == PngPixelOrder::Rgb
                                          ? std::vector<uint8_t>{10, 20, 30, 255, 40, 50, 60, 255}
                                          : std::vector<uint8_t>{30, 20, 10, 255, 60, 50, 40, 255};
    EXPECT_EQ(back.rgba, want);
  }
}

TEST(PngWriter, RefusesSizesTheRowsDoNotFit) {
  const uint8_t row[6] = {};
  const uint8_t* two[] = {row, row};
  const struct {
    int width, height;
    size_t rows;
  } cases[] = {{0, 2, 2}, {2, 0, 0}, {-1, 2, 2}, {2, 3, 2}, {2, 1, 2}};
  for (const auto& c : cases)
    EXPECT_EQ(test::ErrorCodeOf<PlatformError>(
                  [&] { EncodePng(c.width, c.height, std::span<const uint8_t* const>(two, c.rows), PngPixelOrder::Rgb); }),
              PlatformErrorCode::Png)
        << c.width << "x" << c.height << " with " << c.rows << " rows";
}

}  // namespace
}  // namespace kt58
