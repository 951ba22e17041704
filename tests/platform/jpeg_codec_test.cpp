// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/jpeg_codec.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

#include "engine/colors.h"
#include "engine/errors.h"
#include "engine/jpeg_picture.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

// Writes raw samples with libjpeg itself, so the decoder is checked against
// files it did not make through our encoder.
struct RawJpegOptions {
  int components = 3;
  J_COLOR_SPACE color_space = JCS_RGB;
  int quality = 95;
  bool progressive = false;
  bool adobe_marker = true;  // libjpeg's default for CMYK
};

std::vector<uint8_t> CompressRaw(int width, int height, const std::vector<uint8_t>& samples,
                                 const RawJpegOptions& o) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr err{};
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = o.components;
  cinfo.in_color_space = o.color_space;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, o.quality, TRUE);
  if (o.color_space == JCS_CMYK) cinfo.write_Adobe_marker = o.adobe_marker ? TRUE : FALSE;
  if (o.progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<uint8_t*>(samples.data()) + cinfo.next_scanline * width * o.components;
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<uint8_t> out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

// A smooth test image (gradients and soft waves): JPEG's home ground, so a
// correct codec gives a high PSNR and a broken one (swapped channels, wrong
// row stride) a very low one.
JpegImage SmoothImage(int w, int h) {
  JpegImage img;
  img.width = w;
  img.height = h;
  img.rgb.resize(static_cast<size_t>(w) * h * 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &img.rgb[(static_cast<size_t>(y) * w + x) * 3];
      p[0] = static_cast<uint8_t>(255 * x / (w - 1));
      p[1] = static_cast<uint8_t>(255 * y / (h - 1));
      p[2] = static_cast<uint8_t>(128 + 100 * std::sin(x / 7.0) * std::cos(y / 9.0));
    }
  return img;
}

double Psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  EXPECT_EQ(a.size(), b.size());
  double se = 0;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) se += (a[i] - b[i]) * double(a[i] - b[i]);
  const double mse = se / static_cast<double>(a.size());
  return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

TEST(JpegCodec, RoundTripKeepsSizeAndPixelsWithinQuality) {
  const JpegImage src = SmoothImage(67, 45);  // sizes off the 8/16 block grid
  for (int quality : {90, 50}) {
    const std::vector<uint8_t> bytes = EncodeJpeg(src, quality);
    ASSERT_GT(bytes.size(), 100u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xD8);
    const JpegImage back = DecodeJpeg(bytes.data(), bytes.size());
    EXPECT_EQ(back.width, 67);
    EXPECT_EQ(back.height, 45);
    EXPECT_GT(Psnr(src.rgb, back.rgb), quality == 90 ? 34.0 : 28.0) << "quality " << quality;
  }
}

TEST(JpegCodec, ProgressiveDecodesLikeTheSource) {
  const JpegImage src = SmoothImage(40, 32);
  RawJpegOptions o;
  o.progressive = true;
  const std::vector<uint8_t> bytes = CompressRaw(src.width, src.height, src.rgb, o);
  const JpegImage back = DecodeJpeg(bytes.data(), bytes.size());
  ASSERT_EQ(back.width, 40);
  ASSERT_EQ(back.height, 32);
  EXPECT_GT(Psnr(src.rgb, back.rgb), 34.0);
}

TEST(JpegCodec, GreyscaleBecomesEqualRgbBytes) {
  const int w = 16, h = 8;
  std::vector<uint8_t> grey(w * h);
  for (int i = 0; i < w * h; ++i) grey[i] = static_cast<uint8_t>((i % w) * 16);
  RawJpegOptions o;
  o.components = 1;
  o.color_space = JCS_GRAYSCALE;
  o.quality = 100;
  const std::vector<uint8_t> bytes = CompressRaw(w, h, grey, o);
  const JpegImage back = DecodeJpeg(bytes.data(), bytes.size());
  ASSERT_EQ(back.rgb.size(), static_cast<size_t>(w * h * 3));
  for (int i = 0; i < w * h; ++i) {
    EXPECT_EQ(back.rgb[3 * i], back.rgb[3 * i + 1]);
    EXPECT_EQ(back.rgb[3 * i], back.rgb[3 * i + 2]);
    EXPECT_NEAR(back.rgb[3 * i], grey[i], 4) << "pixel " << i;
  }
}

TEST(JpegCodec, CmykConvertsToRgbWithAndWithoutAdobeInversion) {
  // Four 8x8 blocks of flat ink: no cyan/full magenta, full cyan, half black
  // and white paper. As inks (0 = none, 255 = full):
  struct Ink {
    uint8_t c, m, y, k;
    uint8_t r, g, b;
  };
  const Ink inks[] = {{0, 255, 0, 0, 255, 0, 255},
                      {255, 0, 0, 0, 0, 255, 255},
                      {0, 0, 0, 128, 127, 127, 127},
                      {0, 0, 0, 0, 255, 255, 255}};
  const int w = 32, h = 8;
  for (bool adobe : {true, false}) {
    std::vector<uint8_t> samples(w * h * 4);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const Ink& ink = inks[x / 8];
        uint8_t* p = &samples[(y * w + x) * 4];
        // Adobe files store every ink byte inverted.
        const uint8_t v[4] = {ink.c, ink.m, ink.y, ink.k};
        for (int k = 0; k < 4; ++k) p[k] = adobe ? static_cast<uint8_t>(255 - v[k]) : v[k];
      }
    RawJpegOptions o;
    o.components = 4;
    o.color_space = JCS_CMYK;
    o.quality = 100;
    o.adobe_marker = adobe;
    const std::vector<uint8_t> bytes = CompressRaw(w, h, samples, o);
    const JpegImage back = DecodeJpeg(bytes.data(), bytes.size());
    ASSERT_EQ(back.width, w);
    for (int block = 0; block < 4; ++block) {
      const uint8_t* p = &back.rgb[(4 * w + block * 8 + 4) * 3];
      EXPECT_NEAR(p[0], inks[block].r, 3) << "adobe " << adobe << " block " << block;
      EXPECT_NEAR(p[1], inks[block].g, 3) << "adobe " << adobe << " block " << block;
      EXPECT_NEAR(p[2], inks[block].b, 3) << "adobe " << adobe << " block " << block;
    }
  }
}

TEST(JpegCodec, BrokenInputsRaiseJpegError) {
  const std::vector<uint8_t> good = EncodeJpeg(SmoothImage(64, 64), 90);
  std::vector<uint8_t> truncated(good.begin(), good.begin() + static_cast<long>(good.size() / 2));
  std::vector<uint8_t> header_only(good.begin(), good.begin() + 20);
  std::vector<uint8_t> garbage(300, 0x5A);
  // Claim 40000 rows in the frame header (SOF0: marker, length, precision,
  // height, width).
  std::vector<uint8_t> huge = good;
  for (size_t i = 0; i + 8 < huge.size(); ++i)
    if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
      huge[i + 5] = 40000 >> 8;
      huge[i + 6] = 40000 & 255;
      break;
    }
  const std::vector<std::pair<const char*, std::vector<uint8_t>>> cases = {
      {"truncated", truncated}, {"header only", header_only}, {"garbage", garbage}, {"40000 rows", huge}};
  for (const auto& [name, bytes] : cases)
    EXPECT_EQ(test::ErrorCodeOf<PlatformError>([&] { DecodeJpeg(bytes.data(), bytes.size()); }),
              PlatformErrorCode::Jpeg)
        << name;
  EXPECT_EQ(test::ErrorCodeOf<PlatformError>([&] { DecodeJpeg(nullptr, 0); }), PlatformErrorCode::Jpeg);
  // The caller's own bound.
  EXPECT_EQ(test::ErrorCodeOf<PlatformError>([&] { DecodeJpeg(good.data(), good.size(), 64 * 64 - 1); }),
            PlatformErrorCode::Jpeg);
  EXPECT_NO_THROW(DecodeJpeg(good.data(), good.size(), 64 * 64));
}

TEST(JpegCodec, EncoderRefusesMismatchedData) {
  JpegImage img;
  img.width = 4;
  img.height = 4;
  img.rgb.resize(10);
  EXPECT_EQ(test::ErrorCodeOf<PlatformError>([&] { EncodeJpeg(img, 90); }), PlatformErrorCode::Jpeg);
  img.width = 0;
  img.rgb.clear();
  EXPECT_EQ(test::ErrorCodeOf<PlatformError>([&] { EncodeJpeg(img, 90); }), PlatformErrorCode::Jpeg);
}

TEST(JpegPicture, FilesKeepColourOrderAndErrorsAreOurs) {
  test::TempDir dir;
  Picture p(16, 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) test::SetPixelColor(p, x, y, x < 8 ? RGBColor(255, 0, 0) : RGBColor(0, 0, 255));
  SaveJpegFile(p, dir / "a.jpg");
  Picture back;
  LoadJpegFile(dir / "a.jpg", back);
  ASSERT_EQ(back.Width(), 16);
  ASSERT_EQ(back.Height(), 16);
  const BGR left = ColorToBGR(test::PixelColor(back, 2, 8));
  const BGR right = ColorToBGR(test::PixelColor(back, 13, 8));
  EXPECT_GT(left.r, 240);
  EXPECT_LT(left.b, 15);
  EXPECT_GT(right.b, 240);
  EXPECT_LT(right.r, 15);

  test::WriteFileBytes(dir / "bad.jpg", {0xFF, 0xD8, 0xFF});
  EXPECT_EQ(test::ErrorCodeOf<EngineError>([&] { LoadJpegFile(dir / "bad.jpg", back); }), EngineErrorCode::Jpeg);
  EXPECT_EQ(test::ErrorCodeOf<EngineError>([&] { LoadJpegFile(dir / "missing.jpg", back); }), EngineErrorCode::Jpeg);
}

}  // namespace
}  // namespace kt58
