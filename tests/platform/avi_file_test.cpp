// SPDX-License-Identifier: GPL-3.0-or-later
// The AVI reader against FFmpeg's own command-line decoding of files made by
// the ffmpeg tool in every codec the program must read.
#include "platform/avi_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/avi_test_support.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

using test::AviCase;
using test::RawFrames;

std::vector<AviFrame> ReadAllFrames(const std::filesystem::path& path, AviStreamRange* range_out = nullptr) {
  std::string error;
  auto file = AviFile::Open(path, &error);
  EXPECT_TRUE(file) << error;
  if (!file) return {};
  auto decoder = file->OpenFrameDecoder(&error);
  EXPECT_TRUE(decoder) << error;
  if (!decoder) return {};
  if (range_out) *range_out = file->Range();
  std::vector<AviFrame> frames;
  for (int32_t p = file->Range().start; p < file->Range().length; ++p) {
    const AviFrame* f = decoder->GetFrame(p);
    if (!f) break;
    frames.push_back(*f);
  }
  return frames;
}

// Lowest PSNR over all frames (infinity when every frame is identical).
double MinPsnr(const std::vector<AviFrame>& ours, const RawFrames& theirs) {
  double worst = INFINITY;
  for (size_t i = 0; i < ours.size(); ++i) {
    double se = 0;
    const AviFrame& f = ours[i];
    for (int y = 0; y < f.height; ++y)
      for (int x = 0; x < f.width * 3; ++x) {
        const double d = double(f.Row(y)[x]) - theirs.Pixel(i, y, x);
        se += d * d;
      }
    const double mse = se / (double(f.width) * f.height * 3);
    if (mse > 0) worst = std::min(worst, 10 * std::log10(255.0 * 255.0 / mse));
  }
  return worst;
}

class AviCodecTest : public ::testing::TestWithParam<AviCase> {};

TEST_P(AviCodecTest, FramesMatchFfmpegsOwnDecoding) {
  const AviCase& c = GetParam();
  test::TempDir dir;
  const auto avi = dir / "in.avi";
  if (!test::MakeAvi(c, avi)) {
    if (c.optional) GTEST_SKIP() << "this ffmpeg cannot encode " << c.name;
    FAIL() << "ffmpeg could not make " << c.name;
  }
  const RawFrames expected = test::DecodeWithFfmpeg(avi, dir.path());
  ASSERT_GT(expected.count, 0u);

  AviStreamRange range;
  const auto frames = ReadAllFrames(avi, &range);
  EXPECT_EQ(range.start, 0);
  EXPECT_EQ(range.length, c.frames);
  ASSERT_EQ(frames.size(), expected.count);
  ASSERT_EQ(frames.size(), static_cast<size_t>(c.frames));
  for (const AviFrame& f : frames) {
    ASSERT_EQ(f.width, expected.width);
    ASSERT_EQ(f.height, expected.height);
  }
  const double psnr = MinPsnr(frames, expected);
  RecordProperty("min_psnr_db", std::isinf(psnr) ? std::string("exact") : std::to_string(psnr));
  if (c.lossless)
    EXPECT_EQ(psnr, INFINITY) << "a lossless file must decode exactly as ffmpeg decodes it";
  else
    EXPECT_GE(psnr, 45.0);
}

INSTANTIATE_TEST_SUITE_P(Codecs, AviCodecTest, ::testing::ValuesIn(test::AviCodecCases()),
                         [](const auto& info) { return info.param.name; });

TEST(AviFile, FormatComesFromTheStreamHeaders) {
  test::TempDir dir;
  struct Row {
    const char* name;
    uint16_t bits;
    uint32_t compression;
    size_t palette;
    int height;
  };
  const Row rows[] = {
      {"bgr24_topdown", 24, 0, 0, -48},
      {"bgr24_bottomup", 24, 0, 0, 48},
      {"pal8", 8, 0, 256, 48},
      {"mjpeg", 24, 0x47504A4D, 0, 48},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const auto avi = dir / (std::string(row.name) + ".avi");
    ASSERT_TRUE(test::MakeAvi(test::FindAviCase(row.name), avi));
    std::string error;
    auto file = AviFile::Open(avi, &error);
    ASSERT_TRUE(file) << error;
    const AviVideoFormat& f = file->Format();
    EXPECT_EQ(f.width, 64);
    EXPECT_EQ(f.height, row.height);
    EXPECT_EQ(f.bit_count, row.bits);
    EXPECT_EQ(f.compression, row.compression) << FourccText(f.compression);
    EXPECT_EQ(f.palette.size(), row.palette);
  }
}

TEST(AviFile, StartPositionOfTheStreamHeaderSkipsPositions) {
  test::TempDir dir;
  const auto avi = dir / "start2.avi";
  ASSERT_TRUE(test::MakeAvi(test::FindAviCase("bgr24_topdown"), avi));  // 10 frames
  const RawFrames all = test::DecodeWithFfmpeg(avi, dir.path());
  ASSERT_EQ(all.count, 10u);
  test::PatchStreamStart(avi, 2);

  AviStreamRange range;
  const auto frames = ReadAllFrames(avi, &range);
  EXPECT_EQ(range.start, 2);
  EXPECT_EQ(range.length, 10);
  ASSERT_EQ(frames.size(), 8u);
  // Position 2 is the stream's first frame.
  RawFrames first8 = all;
  first8.count = 8;
  EXPECT_EQ(MinPsnr(frames, first8), INFINITY);

  auto file = AviFile::Open(avi);
  ASSERT_TRUE(file);
  auto decoder = file->OpenFrameDecoder();
  ASSERT_TRUE(decoder);
  EXPECT_EQ(decoder->GetFrame(1), nullptr) << "before the start";
}

TEST(AviFile, LengthFromTheStreamHeaderOrTheOpenDmlHeader) {
  test::TempDir dir;
  const auto avi = dir / "a.avi";
  ASSERT_TRUE(test::MakeAvi(test::FindAviCase("bgr24_topdown"), avi));  // 10 frames
  // ffmpeg reserves the OpenDML header as a JUNK chunk holding "odml",
  // "dmlh" and the total; naming it a LIST makes it the real header.
  auto bytes = test::ReadFileBytes(avi);
  const std::string odml = "odmldmlh";
  const size_t odml_at =
      static_cast<size_t>(std::search(bytes.begin(), bytes.end(), odml.begin(), odml.end()) - bytes.begin());
  ASSERT_LT(odml_at, bytes.size());
  std::copy_n("LIST", 4, bytes.begin() + static_cast<std::ptrdiff_t>(odml_at - 8));
  const size_t dmlh_at = odml_at + 12;
  struct Row {
    uint32_t dw_length, total_frames;
    int32_t length;
  } rows[] = {{4, 0, 4}, {4, 10, 10}, {10, 3, 10}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.dw_length);
    auto patched = bytes;
    const size_t strh = test::StrhOffset(patched);
    for (int i = 0; i < 4; ++i) {
      patched[strh + 32 + i] = uint8_t(row.dw_length >> (8 * i));
      patched[dmlh_at + i] = uint8_t(row.total_frames >> (8 * i));
    }
    auto file = AviFile::OpenMemory(patched.data(), patched.size());
    ASSERT_TRUE(file);
    EXPECT_EQ(file->Range().length, row.length);
  }
}

TEST(AviFile, EarlierPositionRestartsDecoding) {
  test::TempDir dir;
  const auto avi = dir / "b.avi";
  ASSERT_TRUE(test::MakeAvi(test::FindAviCase("mpeg4_bframes"), avi));
  auto file = AviFile::Open(avi);
  ASSERT_TRUE(file);
  auto decoder = file->OpenFrameDecoder();
  ASSERT_TRUE(decoder);
  const AviFrame* f5 = decoder->GetFrame(5);
  ASSERT_TRUE(f5);
  const std::vector<uint8_t> five = f5->pixels;
  const AviFrame* f2 = decoder->GetFrame(2);
  ASSERT_TRUE(f2);
  EXPECT_NE(f2->pixels, five);
  const AviFrame* again = decoder->GetFrame(5);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->pixels, five);
  EXPECT_EQ(decoder->GetFrame(12), nullptr) << "past the last frame";
  EXPECT_FALSE(decoder->LastError().empty());
}

TEST(AviFile, RefusesWhatItCannotRead) {
  test::TempDir dir;
  const auto good = dir / "good.avi";
  ASSERT_TRUE(test::MakeAvi(test::FindAviCase("bgr24_topdown"), good));
  const std::vector<uint8_t> bytes = test::ReadFileBytes(good);

  auto wide = bytes;
  test::PatchStrfWidth(wide, 40000);
  auto huge = bytes;  // 8192 x 4097: each side allowed, the area is not
  test::PatchStrfWidth(huge, 8192);
  test::PatchStrfHeight(huge, 4097);
  auto not_riff = bytes;
  not_riff[0] = 'X';
  const std::vector<uint8_t> header_only(bytes.begin(), bytes.begin() + 64);

  struct Row {
    const char* name;
    std::vector<uint8_t> data;
  } rows[] = {{"empty", {}}, {"not_riff", not_riff}, {"header_only", header_only}, {"too_wide", wide}, {"too_many_pixels", huge}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const auto path = dir / (std::string(row.name) + ".avi");
    test::WriteFileBytes(path, row.data);
    std::string error;
    EXPECT_EQ(AviFile::Open(path, &error), nullptr);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(AviFile::OpenMemory(row.data.data(), row.data.size()), nullptr);
  }
  std::string error;
  EXPECT_EQ(AviFile::Open(dir / "missing.avi", &error), nullptr);
  EXPECT_NE(error.find("missing.avi"), std::string::npos) << error;
}

TEST(AviFile, TruncatedFileEndsEarlyWithTheFramesItHolds) {
  test::TempDir dir;
  for (const char* name : {"bgr24_topdown", "mjpeg", "mpeg4_bframes"}) {
    SCOPED_TRACE(name);
    const auto full = dir / "full.avi";
    ASSERT_TRUE(test::MakeAvi(test::FindAviCase(name), full));
    auto bytes = test::ReadFileBytes(full);
    // Cut in the middle of the frame data.
    const std::string movi = "movi";
    const auto at = std::search(bytes.begin(), bytes.end(), movi.begin(), movi.end()) - bytes.begin();
    bytes.resize(static_cast<size_t>(at) + (bytes.size() - static_cast<size_t>(at)) / 2);
    auto file = AviFile::OpenMemory(bytes.data(), bytes.size());
    ASSERT_TRUE(file);
    auto decoder = file->OpenFrameDecoder();
    ASSERT_TRUE(decoder);
    int frames = 0;
    for (int32_t p = file->Range().start; p < file->Range().length && decoder->GetFrame(p); ++p) ++frames;
    EXPECT_GT(frames, 0);
    EXPECT_LT(frames, 10);
  }
}

// Colours as RGBQUAD values (blue in the low byte) and the BGR bytes a
// decoded frame holds for them.
constexpr uint32_t kBlack = 0x000000, kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;
std::vector<uint8_t> Bgr(std::initializer_list<std::initializer_list<uint32_t>> rows_top_down) {
  std::vector<uint8_t> out;
  for (const auto& row : rows_top_down)
    for (uint32_t c : row) out.insert(out.end(), {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16)});
  return out;
}

std::vector<std::vector<uint8_t>> DecodeHandBuilt(const test::HandAviSpec& spec) {
  const std::vector<uint8_t> bytes = test::BuildAvi(spec);
  std::string error;
  auto file = AviFile::OpenMemory(bytes.data(), bytes.size(), &error);
  EXPECT_TRUE(file) << error;
  if (!file) return {};
  EXPECT_EQ(file->Range().length, static_cast<int32_t>(spec.frames.size()));
  auto decoder = file->OpenFrameDecoder(&error);
  EXPECT_TRUE(decoder) << error;
  if (!decoder) return {};
  std::vector<std::vector<uint8_t>> frames;
  for (int32_t p = 0; p < file->Range().length; ++p) {
    const AviFrame* f = decoder->GetFrame(p);
    if (!f) break;
    EXPECT_EQ(f->width, spec.width);
    std::vector<uint8_t> packed;
    for (int r = 0; r < f->height; ++r) packed.insert(packed.end(), f->Row(r), f->Row(r) + 3 * f->width);
    frames.push_back(packed);
  }
  return frames;
}

TEST(AviFile, Rle8KeyAndDeltaFrames) {
  test::HandAviSpec spec;
  spec.width = 8;
  spec.height = 4;
  spec.bit_count = 8;
  spec.compression = 1;  // BI_RLE8, rows bottom-up
  spec.palette = {kBlack, kRed, kGreen, kBlue};
  spec.frames = {
      // runs, an absolute run, end of line / end of bitmap
      {8, 1, 0, 0, 0, 8, 0, 1, 2, 3, 0, 1, 2, 3, 0, 0, 4, 2, 4, 3, 0, 0, 8, 0, 0, 1},
      // delta: right 2, up 1, three blue pixels; the rest stays
      {0, 2, 2, 1, 3, 3, 0, 1},
      // nothing changes
      {0, 1},
  };
  spec.key_frames = {true, false, false};
  const auto frames = DecodeHandBuilt(spec);
  const uint32_t K = kBlack, R = kRed, G = kGreen, B = kBlue;
  const auto key = Bgr({{K, K, K, K, K, K, K, K}, {G, G, G, G, B, B, B, B}, {K, R, G, B, K, R, G, B}, {R, R, R, R, R, R, R, R}});
  const auto delta = Bgr({{K, K, K, K, K, K, K, K}, {G, G, G, G, B, B, B, B}, {K, R, B, B, B, R, G, B}, {R, R, R, R, R, R, R, R}});
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_EQ(frames[0], key);
  EXPECT_EQ(frames[1], delta);
  EXPECT_EQ(frames[2], delta);
}

TEST(AviFile, EmptyChunkRepeatsThePreviousFrame) {
  test::HandAviSpec spec;
  spec.width = 4;
  spec.height = 2;
  spec.frames = {std::vector<uint8_t>(24, 1), {}, {}, std::vector<uint8_t>(24, 4), std::vector<uint8_t>(24, 5)};
  const auto frames = DecodeHandBuilt(spec);
  ASSERT_EQ(frames.size(), 5u);
  const uint8_t expected[] = {1, 1, 1, 4, 5};
  for (size_t i = 0; i < 5; ++i) EXPECT_EQ(frames[i], std::vector<uint8_t>(24, expected[i])) << "position " << i;
}

TEST(AviFile, UncompressedDbChunksWithPaddedRows) {
  {  // 24-bit, 5 pixels wide: 15 bytes of pixels padded to 16 per row
    test::HandAviSpec spec;
    spec.width = 5;
    spec.height = 2;
    spec.chunk_id = "00db";
    std::vector<uint8_t> frame(32, 0);
    for (int x = 0; x < 5; ++x) {
      frame[3 * x + 2] = uint8_t(50 * x);       // bottom row: red ramp
      frame[16 + 3 * x] = uint8_t(50 * x + 1);  // top row: blue ramp
    }
    spec.frames = {frame, std::vector<uint8_t>(32, 0x80)};
    const auto frames = DecodeHandBuilt(spec);
    ASSERT_EQ(frames.size(), 2u);
    std::vector<uint8_t> expected(30, 0);
    for (int x = 0; x < 5; ++x) {
      expected[3 * x] = uint8_t(50 * x + 1);
      expected[15 + 3 * x + 2] = uint8_t(50 * x);
    }
    EXPECT_EQ(frames[0], expected);
    EXPECT_EQ(frames[1], std::vector<uint8_t>(30, 0x80));
  }
  {  // 8-bit palettized, top-down
    test::HandAviSpec spec;
    spec.width = 4;
    spec.height = -2;
    spec.bit_count = 8;
    spec.palette = {kBlack, kRed, kGreen, kBlue};
    spec.chunk_id = "00db";
    spec.frames = {{0, 1, 2, 3, 3, 2, 1, 0}};
    const auto frames = DecodeHandBuilt(spec);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], Bgr({{kBlack, kRed, kGreen, kBlue}, {kBlue, kGreen, kRed, kBlack}}));
  }
}

}  // namespace
}  // namespace kt58
