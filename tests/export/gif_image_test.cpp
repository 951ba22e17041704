// SPDX-License-Identifier: GPL-3.0-or-later
// The GIF image: codec settings, adding frames, extensions, the written file
// layout and the single colour map.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "export/gif/gif_exception.h"
#include "export/gif/gif_image.h"
#include "gif_decode_helpers.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

template <class F>
std::string ThrownText(F&& f) {
  try {
    f();
  } catch (const GIFException& e) {
    return e.what();
  }
  return "(nothing thrown)";
}

IndexedPicture Indexed(int width, int height, GifPalette palette, std::vector<uint8_t> indices) {
  return IndexedPicture{width, height, std::move(palette), std::move(indices)};
}

const GifPalette kRGB = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};

// The blocks of a written file, walked by hand: what a strict reader sees.
struct Block {
  uint8_t kind;   // 0x21 extension, 0x2C image, 0x3B trailer
  uint8_t label;  // extension label
  std::vector<size_t> sub_block_sizes;
  std::vector<uint8_t> first_sub_block;
};

std::vector<Block> WalkBlocks(const std::vector<uint8_t>& b) {
  std::vector<Block> blocks;
  size_t pos = 13;
  if (b[10] & 0x80) pos += 3 * (size_t{1} << ((b[10] & 7) + 1));
  auto sub_blocks = [&](Block& blk) {
    for (;;) {
      const size_t n = b.at(pos++);
      if (n == 0) break;
      if (blk.sub_block_sizes.empty()) blk.first_sub_block.assign(b.begin() + pos, b.begin() + pos + n);
      blk.sub_block_sizes.push_back(n);
      pos += n;
    }
  };
  while (pos < b.size()) {
    Block blk{b[pos], 0, {}, {}};
    if (blk.kind == 0x3B) {
      blocks.push_back(blk);
      ++pos;
      continue;
    }
    if (blk.kind == 0x21) {
      blk.label = b.at(pos + 1);
      pos += 2;
      sub_blocks(blk);
    } else if (blk.kind == 0x2C) {
      const uint8_t packed = b.at(pos + 9);
      pos += 10;
      if (packed & 0x80) pos += 3 * (size_t{1} << ((packed & 7) + 1));
      ++pos;  // LZW minimum code size
      sub_blocks(blk);
    } else {
      ADD_FAILURE() << "unknown block " << int{blk.kind} << " at " << pos;
      break;
    }
    blocks.push_back(blk);
  }
  return blocks;
}

TEST(GifImage, NewImagesStartFromTheCodecSettings) {
  const GifImage fresh;
  EXPECT_EQ(fresh.DrawOptions(), (1 << 0) | (1 << 1) | (1 << 2) | (1 << 3) | (1 << 9) | (1 << 10));
  EXPECT_EQ(fresh.ColorReduction(), 6);
  EXPECT_EQ(fresh.ReductionBits(), 8);
  EXPECT_EQ(fresh.DitherMode(), 0);
  EXPECT_EQ(fresh.Compression(), 0);

  // Settings are the image's own: another image's change leaves it alone.
  GifImage other;
  other.SetColorReduction(rmQuantize);
  other.SetReductionBits(4);
  other.SetDitherMode(dmBurkes);
  const GifImage later;
  EXPECT_EQ(later.ColorReduction(), 6);
  EXPECT_EQ(later.ReductionBits(), 8);
  EXPECT_EQ(later.DitherMode(), 0);
}

TEST(GifImage, ReductionBitsOutsideThreeToEightAreRefused) {
  GifImage image;
  for (int bits : {-1, 0, 2, 9, 24}) {
    EXPECT_EQ(ThrownText([&] { image.SetReductionBits(bits); }), "Invalid Bits Per Pixel value") << bits;
  }
  EXPECT_EQ(image.ReductionBits(), 8);
  image.SetReductionBits(3);
  EXPECT_EQ(image.ReductionBits(), 3);
}

TEST(GifImage, AddReturnsIndicesAndKeepsIndexedPalettes) {
  GifImage image;
  EXPECT_EQ(image.Add(Indexed(2, 1, kRGB, {2, 0})), 0);
  GifFrame other(1, 2);
  other.ColorMap() = {{9, 9, 9}, {8, 8, 8}};
  other.Data() = {1, 0};
  other.AddExtension<GifGraphicControlExtension>().Delay = 7;
  EXPECT_EQ(image.Add(other), 1);
  EXPECT_EQ(image.Images(0).ColorMap(), kRGB);
  EXPECT_EQ(image.Images(1).ColorMap(), other.ColorMap());
  EXPECT_EQ(image.Images(1).Data(), other.Data());
  ASSERT_NE(image.Images(1).GraphicControlExtension(), nullptr);
  EXPECT_EQ(image.Images(1).GraphicControlExtension()->Delay, 7);
  EXPECT_EQ(image.Images(1).GraphicControlExtension()->SubImage(), &image.Images(1));
}

TEST(GifImage, AddReducesATrueColourPictureWithTheImagesOwnSettings) {
  // Greys reduce exactly with the 256-grey palette: index = grey level.
  const Picture picture = test::MakePicture({{0x000000, 0x101010}, {0x808080, 0xFFFFFF}});
  GifImage image;
  image.SetColorReduction(rmGrayScale);
  image.Add(picture);
  EXPECT_EQ(image.Images(0).Data(), (std::vector<uint8_t>{0x00, 0x10, 0x80, 0xFF}));
  EXPECT_EQ(image.Images(0).ColorMap().size(), 256u);

  image.SetColorReduction(rmQuantize);
  image.SetReductionBits(3);
  image.Add(test::MakeRandomPicture(32, 32, 5));
  EXPECT_LE(image.Images(1).ColorMap().size(), 8u);

  image.Assign(picture);
  EXPECT_EQ(image.Count(), 1u);
}

TEST(GifImage, BadFramesAreRefusedAndEarlierFramesKept) {
  GifImage image;
  image.Add(Indexed(1, 1, kRGB, {0}));
  EXPECT_EQ(ThrownText([&] { image.Add(Picture()); }), "Image is empty");
  EXPECT_EQ(ThrownText([&] { image.Add(Indexed(0, 3, kRGB, {})); }), "Image is empty");
  EXPECT_EQ(ThrownText([&] { image.Add(Indexed(1, 1, {}, {0})); }), "Color table is empty");
  EXPECT_EQ(ThrownText([&] { image.Add(Indexed(2, 1, kRGB, {0, 3})); }), "Invalid color index");
  EXPECT_EQ(ThrownText([&] { image.Add(Indexed(2, 2, kRGB, {0})); }), "Image is empty");
  image.SetColorReduction(rmWindows256);  // a code the reducer does not offer
  EXPECT_EQ(ThrownText([&] { image.Add(test::MakePicture({{0x123456}})); }), "Invalid reduction method");
  EXPECT_EQ(image.Count(), 1u);
  EXPECT_EQ(ThrownText([] { GifImage().SaveToBytes(); }), "Unsupported GIF version");
  EXPECT_EQ(ThrownText([&] { image.SetCompression(2); }), "Invalid compression method");
}

TEST(GifFileLayout, AnimationHeaderExtensionsAndBlocks) {
  GifImage image;
  image.SetCompression(gcRLE);
  for (int i = 0; i < 3; ++i) {
    // 5 colours: the global table is padded to 8 entries after the colour map step.
    std::vector<uint8_t> idx(40 * 30);
    for (size_t k = 0; k < idx.size(); ++k) idx[k] = static_cast<uint8_t>((k * 7 + static_cast<size_t>(i)) % 5);
    const int n = image.Add(Indexed(40, 30, {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}, {13, 14, 15}}, idx));
    if (n == 0) image.Images(0).AddExtension<GifLoopExtension>();
    auto& gce = image.Images(static_cast<size_t>(n)).AddExtension<GifGraphicControlExtension>();
    gce.Delay = 1;  // the smallest delay the export window produces
  }
  image.OptimizeColorMap();
  const std::vector<uint8_t> bytes = image.SaveToBytes();
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF89a");
  EXPECT_EQ(bytes[10] & 0x87, 0x80 | 2);  // global table of 2^(2+1) = 8 entries

  const std::vector<Block> blocks = WalkBlocks(bytes);
  // frame 0: loop, GCE, image; frames 1, 2: GCE, image; trailer.
  ASSERT_EQ(blocks.size(), 8u);
  EXPECT_EQ(blocks[0].label, 0xFF);
  EXPECT_EQ(std::string(blocks[0].first_sub_block.begin(), blocks[0].first_sub_block.end()), "NETSCAPE2.0");
  EXPECT_EQ(blocks[1].label, 0xF9);
  EXPECT_EQ(blocks[2].kind, 0x2C);
  EXPECT_EQ(blocks[3].label, 0xF9);
  EXPECT_EQ(blocks[7].kind, 0x3B);
  for (const Block& b : blocks)
    for (size_t n : b.sub_block_sizes) EXPECT_LE(n, 255u);
  EXPECT_GT(blocks[2].sub_block_sizes.size(), 1u) << "image data should need several sub-blocks";

  const test::DecodedGif gif = test::DecodeWithGiflib(bytes);
  ASSERT_EQ(gif.frames.size(), 3u);
  EXPECT_EQ(gif.global.size(), 8u);
  for (const auto& f : gif.frames) {
    EXPECT_EQ(f.delay, 1);
    EXPECT_FALSE(f.local_map);
  }
  ASSERT_EQ(gif.frames[0].extensions.size(), 2u);
  EXPECT_EQ(gif.frames[0].extensions[0].function, 0xFF);
  ASSERT_EQ(gif.frames[0].extensions[0].continuation.size(), 1u);
  EXPECT_EQ(gif.frames[0].extensions[0].continuation[0], (std::vector<uint8_t>{1, 0, 0}));  // forever
  EXPECT_EQ(gif.frames[0].extensions[1].function, 0xF9);
}

TEST(GifFileLayout, PlainFramesGive87aAndScreenSize) {
  GifImage image;
  image.Add(Indexed(3, 2, kRGB, {0, 1, 2, 2, 1, 0}));
  std::vector<uint8_t> bytes = image.SaveToBytes();
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF87a");
  EXPECT_EQ(bytes[6] | (bytes[7] << 8), 3);  // the frames' extent when no size is set
  EXPECT_EQ(bytes[8] | (bytes[9] << 8), 2);
  image.SetWidth(300);
  image.SetHeight(0x1234);
  bytes = image.SaveToBytes();
  EXPECT_EQ(bytes[6] | (bytes[7] << 8), 300);
  EXPECT_EQ(bytes[8] | (bytes[9] << 8), 0x1234);
  EXPECT_EQ(ThrownText([&] { image.SetWidth(70000); }), "Screen width is outside 0..65535");

  image.Images(0).AddExtension<GifCommentExtension>().Text = std::string(600, 'x');
  bytes = image.SaveToBytes();
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF89a");
  const std::vector<Block> blocks = WalkBlocks(bytes);
  EXPECT_EQ(blocks[0].label, 0xFE);
  EXPECT_EQ(blocks[0].sub_block_sizes, (std::vector<size_t>{255, 255, 90}));
}

TEST(GifFileLayout, GraphicControlFieldsAsWritten) {
  GifImage image;
  image.Add(Indexed(2, 2, kRGB, {0, 1, 2, 1}));
  auto& gce = image.Images(0).AddExtension<GifGraphicControlExtension>();
  gce.Disposal = dmPrevious;
  gce.UserInput = true;
  gce.Transparent = true;
  gce.TransparentColorIndex = 2;
  gce.Delay = 0x1234;
  const std::vector<uint8_t> bytes = image.SaveToBytes();
  const std::vector<uint8_t> expected = {0x21, 0xF9, 4, (3 << 2) | 2 | 1, 0x34, 0x12, 2, 0};
  EXPECT_TRUE(std::search(bytes.begin(), bytes.end(), expected.begin(), expected.end()) != bytes.end());
  const test::DecodedGif gif = test::DecodeWithGiflib(bytes);
  ASSERT_EQ(gif.frames.size(), 1u);
  EXPECT_EQ(gif.frames[0].disposal, 3);
  EXPECT_TRUE(gif.frames[0].user_input);
  EXPECT_EQ(gif.frames[0].transparent, 2);
  EXPECT_EQ(gif.frames[0].delay, 0x1234);
}

TEST(OptimizeColorMap, OneGlobalTableMostUsedFirstPicturesUnchanged) {
  GifImage image;
  // Frame 0 mostly green; frame 1 shares green and red; blue is rare.
  image.Add(Indexed(4, 1, kRGB, {1, 1, 1, 0}));
  image.Add(Indexed(3, 1, {{0, 255, 0}, {255, 0, 0}, {0, 0, 255}}, {0, 1, 2}));
  const std::vector<test::ShownPicture> before = test::Composite(test::DecodeWithGiflib(image.SaveToBytes()));
  image.OptimizeColorMap();
  EXPECT_EQ(image.GlobalColorMap(), (GifPalette{{0, 255, 0}, {255, 0, 0}, {0, 0, 255}}));
  for (size_t i = 0; i < image.Count(); ++i) EXPECT_TRUE(image.Images(i).ColorMap().empty());
  EXPECT_EQ(image.Images(0).Data(), (std::vector<uint8_t>{0, 0, 0, 1}));
  EXPECT_EQ(test::Composite(test::DecodeWithGiflib(image.SaveToBytes())), before);
}

TEST(OptimizeColorMap, OverflowMapsToNearestKeptColourAndKeepsTransparency) {
  GifImage image;
  // 256 distinct used colours plus a transparent frame: 255 kept + black
  // transparent entry; the least used colour goes to its nearest kept one.
  GifPalette many;
  std::vector<uint8_t> idx;
  for (int i = 0; i < 256; ++i) {
    many.push_back({static_cast<uint8_t>(i), 0, 0});
    idx.insert(idx.end(), i == 101 ? 1 : 3, static_cast<uint8_t>(i));
  }
  image.Add(Indexed(static_cast<int>(idx.size()), 1, many, idx));
  image.Add(Indexed(2, 1, {{0, 0, 7}, {50, 60, 70}}, {0, 1}));
  auto& gce = image.Images(1).AddExtension<GifGraphicControlExtension>();
  gce.Transparent = true;
  gce.TransparentColorIndex = 0;
  image.OptimizeColorMap();
  const GifPalette& global = image.GlobalColorMap();
  ASSERT_EQ(global.size(), 256u);
  EXPECT_EQ(global[255], (GifColor{0, 0, 0}));
  EXPECT_EQ(image.Images(1).TransparentIndex(), 255);
  EXPECT_EQ(image.Images(1).Data()[0], 255);
  // (101, 0, 0) is not kept: it becomes (100, 0, 0) or (102, 0, 0).
  const auto& d = image.Images(0).Data();
  const GifColor moved = global[d[static_cast<size_t>(101 * 3)]];
  EXPECT_TRUE(moved == (GifColor{100, 0, 0}) || moved == (GifColor{102, 0, 0}));
  EXPECT_EQ(global[d[0]], (GifColor{0, 0, 0}));
  for (uint8_t v : d) EXPECT_NE(v, 255) << "an opaque pixel became transparent";
}

}  // namespace
}  // namespace kt58
