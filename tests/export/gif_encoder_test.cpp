// SPDX-License-Identifier: GPL-3.0-or-later
// Both image-data encoders, judged by other decoders: every stream must come
// back from giflib and from Pillow as exactly the palette and indices written.
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <random>
#include <utility>
#include <string>
#include <vector>

#include "export/gif/gif_code_writer.h"
#include "export/gif/gif_exception.h"
#include "export/gif/gif_image.h"
#include "export/gif/lzw_encoder.h"
#include "export/gif/rle_encoder.h"
#include "gif_decode_helpers.h"
#include "support/giflib_reference.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

struct StreamCase {
  std::string name;
  IndexedPicture picture;
};

GifPalette RampPalette(int colors) {
  GifPalette p;
  for (int i = 0; i < colors; ++i)
    p.push_back({static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>((i * 37) & 255)});
  return p;
}

IndexedPicture Indexed(int width, int height, int colors, const std::function<int(int, int)>& index_at) {
  IndexedPicture p{width, height, RampPalette(colors), {}};
  p.indices.resize(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) p.indices[static_cast<size_t>(y) * width + x] = static_cast<uint8_t>(((index_at(x, y) % colors) + colors) % colors);
  return p;
}

// Random runs of one index with lengths drawn from 1..max_run.
IndexedPicture Runs(int width, int height, int colors, int max_run, uint32_t seed) {
  std::mt19937 rng(seed);
  IndexedPicture p{width, height, RampPalette(colors), {}};
  const size_t n = static_cast<size_t>(width) * height;
  while (p.indices.size() < n) {
    const auto v = static_cast<uint8_t>(rng() % colors);
    const size_t len = 1 + rng() % max_run;
    p.indices.insert(p.indices.end(), std::min(len, n - p.indices.size()), v);
  }
  return p;
}

std::vector<StreamCase> Cases() {
  std::vector<StreamCase> cases;
  // Palette sizes that give every code size 2..8, powers of two and not.
  for (int colors : {1, 2, 3, 4, 7, 8, 16, 31, 32, 64, 100, 128, 200, 256}) {
    const std::string c = std::to_string(colors);
    std::mt19937 rng(static_cast<uint32_t>(colors));
    cases.push_back({"random/" + c, Indexed(61, 37, colors, [&](int, int) { return static_cast<int>(rng()); })});
    cases.push_back({"runs/" + c, Runs(200, 150, colors, 300, 7u + colors)});
    cases.push_back({"single/" + c, Indexed(40, 30, colors, [&](int, int) { return colors - 1; })});
    cases.push_back({"one-pixel/" + c, Indexed(1, 1, colors, [&](int, int) { return colors / 2; })});
    // Enough codes to fill the 4096-entry table many times over.
    cases.push_back({"table-fill-random/" + c, Indexed(512, 300, colors, [&](int, int) { return static_cast<int>(rng()); })});
    cases.push_back({"table-fill-short-runs/" + c, Runs(512, 300, colors, 6, 99u + colors)});
    // Repeating patterns let LZW build long strings.
    cases.push_back({"pattern/" + c, Indexed(300, 200, colors, [](int x, int y) { return (x * y / 7 + x / 3) & 255; })});
  }
  // One long run: the run-length encoder's learned run codes grow to
  // thousands of pixels; two alternating long runs share the table.
  cases.push_back({"long-run", Indexed(1000, 1000, 16, [](int, int) { return 5; })});
  cases.push_back({"alternating-long-runs", Indexed(2000, 300, 2, [](int x, int y) { return ((y * 2000 + x) / 4999) & 1; })});
  return cases;
}

class EncoderRoundTrip : public ::testing::TestWithParam<int> {};

TEST_P(EncoderRoundTrip, GiflibAndPillowReadBackExactlyWhatWasWritten) {
  const int compression = GetParam();
  test::TempDir dir;
  std::vector<std::filesystem::path> files;
  std::vector<const StreamCase*> for_pillow;
  const std::vector<StreamCase> cases = Cases();
  for (const StreamCase& c : cases) {
    SCOPED_TRACE(c.name);
    GifImage image;
    image.SetCompression(compression);
    image.Add(c.picture);
    const std::vector<uint8_t> bytes = image.SaveToBytes();
    const test::DecodedGif gif = test::DecodeWithGiflib(bytes);
    ASSERT_EQ(gif.frames.size(), 1u);
    const test::DecodedFrame& f = gif.frames[0];
    ASSERT_EQ(f.width, c.picture.width);
    ASSERT_EQ(f.height, c.picture.height);
    ASSERT_GE(f.palette.size(), c.picture.palette.size());
    EXPECT_TRUE(std::equal(c.picture.palette.begin(), c.picture.palette.end(), f.palette.begin()));
    EXPECT_TRUE(f.indices == c.picture.indices) << "indices differ";
    if (c.picture.indices.size() <= 200000) {
      files.push_back(dir / (std::to_string(files.size()) + ".gif"));
      test::WriteFileBytes(files.back(), bytes);
      for_pillow.push_back(&c);
    }
  }
  const auto pillow = test::DecodeWithPillow(files);
  if (!pillow) GTEST_SKIP() << "Pillow is not available to /usr/bin/python3; giflib checks ran";
  ASSERT_EQ(pillow->size(), files.size());
  for (size_t i = 0; i < files.size(); ++i) {
    const StreamCase& c = *for_pillow[i];
    const test::PillowImage& im = (*pillow)[i];
    SCOPED_TRACE(c.name);
    EXPECT_EQ(im.width, c.picture.width);
    EXPECT_EQ(im.height, c.picture.height);
    EXPECT_TRUE(im.indices == c.picture.indices) << "indices differ";
    if (im.mode == "L") {  // Pillow reports a palette of plain greys i -> (i, i, i) as grey levels
      for (size_t k = 0; k < c.picture.palette.size(); ++k) {
        const auto v = static_cast<uint8_t>(k);
        EXPECT_EQ(c.picture.palette[k], (GifColor{v, v, v}));
      }
    } else {
      EXPECT_EQ(im.mode, "P");
      ASSERT_GE(im.palette.size(), c.picture.palette.size());
      EXPECT_TRUE(std::equal(c.picture.palette.begin(), c.picture.palette.end(), im.palette.begin()));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Compression, EncoderRoundTrip, ::testing::Values(int{gcLZW}, int{gcRLE}),
                         [](const auto& info) { return info.param == gcLZW ? "LZW" : "RLE"; });

TEST(LzwEncoder, NeverLargerThanGiflibsEncoder) {
  for (const StreamCase& c : Cases()) {
    if (c.picture.indices.size() > 200000) continue;
    SCOPED_TRACE(c.name);
    GifImage image;
    image.SetCompression(gcLZW);
    image.Add(c.picture);
    // The frame's bytes: descriptor (10), local table, code size byte, sub-blocks.
    const size_t ours = image.FrameFileSize(0) - 10 - 3 * (size_t{1} << ColorTableBits(c.picture.palette.size()));
    EXPECT_LE(ours, test::GiflibImageDataSize(c.picture));
  }
}

// Textbook LZW with an ordered map for its dictionary and the encoder's
// policy (a clear once the next code would be 4095, widths growing as the
// next code passes them): the encoder's fast dictionary must send exactly
// these codes, across every table restart.
std::vector<uint8_t> PlainLzw(const std::vector<uint8_t>& indices, int min_code_size) {
  std::vector<uint8_t> out;
  GifCodeWriter writer(out);
  const int clear = 1 << min_code_size, eoi = clear + 1;
  int bits = min_code_size + 1, next = eoi + 1;
  std::map<std::pair<int, int>, int> dictionary;
  auto put = [&](int code) {
    writer.Put(static_cast<unsigned>(code), bits);
    if (next >= (1 << bits) && bits < kGifMaxCodeBits) ++bits;
  };
  writer.Put(static_cast<unsigned>(clear), bits);
  if (!indices.empty()) {
    int current = indices[0];
    for (size_t i = 1; i < indices.size(); ++i) {
      const auto found = dictionary.find({current, indices[i]});
      if (found != dictionary.end()) {
        current = found->second;
        continue;
      }
      put(current);
      if (next >= kGifTableSize - 1) {
        writer.Put(static_cast<unsigned>(clear), bits);
        dictionary.clear();
        bits = min_code_size + 1, next = eoi + 1;
      } else {
        dictionary[{current, indices[i]}] = next++;
      }
      current = indices[i];
    }
    put(current);
  }
  put(eoi);
  writer.Flush();
  return out;
}

TEST(LzwEncoder, SendsTheCodesOfTextbookLzw) {
  for (const StreamCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    const int bits = MinCodeSizeFor(c.picture.palette.size());
    EXPECT_EQ(LzwEncoder::Encode(c.picture.indices.data(), c.picture.indices.size(), bits),
              PlainLzw(c.picture.indices, bits));
  }
  EXPECT_EQ(LzwEncoder::Encode(nullptr, 0, 2), PlainLzw({}, 2));
}

// With nothing tolerated the lossy encoder is plain LZW: the string it
// finds is the only one, and the entry still to be made is sent where
// textbook LZW sends it (runs of one index).
TEST(LzwEncoder, LossyWithoutToleranceSendsTheExactCodes) {
  for (const StreamCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    const int bits = MinCodeSizeFor(c.picture.palette.size());
    const LzwTolerance none{&c.picture.palette, -1, 0};
    EXPECT_EQ(LzwEncoder::EncodeLossy(c.picture.indices.data(), c.picture.indices.size(), bits, none),
              LzwEncoder::Encode(c.picture.indices.data(), c.picture.indices.size(), bits));
  }
}

// One frame written at a lossy level, as giflib reads it back.
test::DecodedFrame LossyRoundTrip(const IndexedPicture& picture, int transparent, int lossy, size_t* data_size) {
  GifFrame frame(picture.width, picture.height);
  frame.Data() = picture.indices;
  if (transparent >= 0) {
    auto& gce = frame.AddExtension<GifGraphicControlExtension>();
    gce.Transparent = true;
    gce.TransparentColorIndex = static_cast<uint8_t>(transparent);
  }
  std::vector<uint8_t> bytes;
  AppendGifHeader(bytes, picture.width, picture.height, true, picture.palette);
  const size_t header = bytes.size();
  AppendGifFrame(bytes, frame, picture.palette, gcLZW, lossy);
  *data_size = bytes.size() - header;
  bytes.push_back(kGifTrailer);
  const test::DecodedGif gif = test::DecodeWithGiflib(bytes);
  if (gif.frames.size() != 1) {
    ADD_FAILURE() << "giflib found " << gif.frames.size() << " frames";
    return {};
  }
  return gif.frames[0];
}

uint32_t SquaredDistance(const GifColor& a, const GifColor& b) {
  const int dr = a.r - b.r, dg = a.g - b.g, db = a.b - b.b;
  return static_cast<uint32_t>(dr * dr + dg * dg + db * db);
}

// A run of one colour with a pixel of a barely different colour in it:
// lossy writing paints the pixel over with the run's colour, as one
// string, unless the pixel is transparent or the run is (transparency
// never stands in for a colour nor a colour for it, even an equal one).
TEST(LzwEncoder, LossyTakesTheNearMatchButNeverAcrossTransparency) {
  const GifPalette palette = {{100, 100, 100}, {101, 100, 100}, {100, 100, 100}, {0, 0, 255}};
  const struct {
    const char* name;
    uint8_t run, odd;
    int transparent;
    bool painted_over;
  } cases[] = {
      {"near colour in a run", 0, 1, -1, true},
      {"equal colour, the transparent index, in a run", 0, 2, 2, false},
      {"equal colour in a transparent run", 2, 0, 2, false},
      {"far colour in a run", 0, 3, -1, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    IndexedPicture row{200, 1, palette, std::vector<uint8_t>(200, c.run)};
    row.indices[77] = c.odd;
    size_t exact_size = 0, lossy_size = 0;
    const test::DecodedFrame exact = LossyRoundTrip(row, c.transparent, 0, &exact_size);
    const test::DecodedFrame lossy = LossyRoundTrip(row, c.transparent, 10, &lossy_size);
    EXPECT_EQ(exact.indices, row.indices);
    // Compared as shown: entries 0 and 2 have one colour, either may be
    // written for the other where neither is transparent.
    std::vector<uint8_t> expected = row.indices;
    if (c.painted_over) expected[77] = c.run;
    const auto shown = [&](const std::vector<uint8_t>& indices) {
      std::vector<std::optional<GifColor>> colors;
      for (uint8_t v : indices) colors.push_back(v == c.transparent ? std::nullopt : std::optional(palette[v]));
      return colors;
    };
    EXPECT_EQ(shown(lossy.indices), shown(expected));
    if (c.painted_over) {
      EXPECT_LT(lossy_size, exact_size);
    }
  }
}

// Every level on pictures of every kind: giflib reads back a frame whose
// every pixel lies within the level's bound of the one wanted, transparent
// exactly where it was, and the higher levels take fewer bytes.
TEST(LzwEncoder, LossyPixelsStayWithinTheBound) {
  // Neighbouring indices of a ramp are near colours, so lossy has choices.
  GifPalette ramp;
  for (int i = 0; i < 256; ++i)
    ramp.push_back({static_cast<uint8_t>(i), static_cast<uint8_t>(i / 2), static_cast<uint8_t>(255 - i)});
  std::mt19937 rng(5);
  IndexedPicture noisy_gradient{300, 200, ramp, {}};
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 300; ++x) noisy_gradient.indices.push_back(static_cast<uint8_t>((x / 2 + y / 3 + rng() % 7) & 255));
  IndexedPicture with_holes = noisy_gradient;
  for (size_t k = 0; k < with_holes.indices.size(); k += 1 + rng() % 40) with_holes.indices[k] = 255;
  const struct {
    const char* name;
    const IndexedPicture* picture;
    int transparent;
  } pictures[] = {{"noisy gradient", &noisy_gradient, -1}, {"with transparent holes", &with_holes, 255}};
  for (const auto& p : pictures) {
    size_t previous_size = 0;
    for (int lossy : {0, 1, 20, 60, 100}) {
      SCOPED_TRACE(std::string(p.name) + ", lossy " + std::to_string(lossy));
      size_t size = 0;
      const test::DecodedFrame f = LossyRoundTrip(*p.picture, p.transparent, lossy, &size);
      ASSERT_EQ(f.indices.size(), p.picture->indices.size());
      size_t beyond = 0, transparency_moved = 0;
      for (size_t k = 0; k < f.indices.size(); ++k) {
        const uint8_t want = p.picture->indices[k], got = f.indices[k];
        if ((want == p.transparent) != (got == p.transparent)) ++transparency_moved;
        if (SquaredDistance(ramp[want], ramp[got]) > LossyErrorBound(lossy)) ++beyond;
      }
      EXPECT_EQ(beyond, 0u);
      EXPECT_EQ(transparency_moved, 0u);
      if (lossy == 0) {
        EXPECT_EQ(f.indices, p.picture->indices);
      }
      if (lossy >= 20) {
        EXPECT_LT(size, previous_size);
      }
      previous_size = size;
    }
  }
}

TEST(RleEncoder, RunsCostFarFewerBytesThanPixels) {
  // A 1000-pixel run costs about sqrt(2 * 1000) codes, not 1000.
  std::vector<uint8_t> run(1000, 3);
  EXPECT_LT(RleEncoder::Encode(run.data(), run.size(), 2).size(), 60u);
  std::vector<uint8_t> two(100000, 1);
  std::fill(two.begin() + 50000, two.end(), 2);
  EXPECT_LT(RleEncoder::Encode(two.data(), two.size(), 8).size(), 1000u);
}

}  // namespace
}  // namespace kt58
