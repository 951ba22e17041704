// SPDX-License-Identifier: GPL-3.0-or-later
// The whole-animation palette, the pixel-stable ditherer, packed frames and
// the worker threads: files the same whatever the number of threads, still
// areas that stay still under diffusion, and frames that decode to what was
// meant.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
#include <utility>
#include <vector>

#include "engine/bmp_codec.h"
#include "export/gif/color_lookup.h"
#include "export/gif/gif_exception.h"
#include "export/gif/gif_image.h"
#include "export/gif/lzw_decoder.h"
#include "export/gif/lzw_encoder.h"
#include "export/gif/rle_encoder.h"
#include "export/gif_export.h"
#include "export/export_fixture.h"
#include "gif_decode_helpers.h"
#include "platform/worker_threads.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

GifPalette RandomPalette(size_t size, uint32_t seed) {
  std::mt19937 rng(seed);
  GifPalette p;
  for (size_t i = 0; i < size; ++i)
    p.push_back({static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng())});
  // Repeats and close greens make ties, which must go to the lowest index.
  if (size > 4) p[size - 1] = p[1], p[size - 2] = {p[2].r, static_cast<uint8_t>(p[2].g ^ 1), p[2].b};
  return p;
}

template <class Metric>
int Distance(const GifColor& c, int r, int g, int b) {
  return Metric::Term(r - c.r) + Metric::Term(g - c.g) + Metric::Term(b - c.b);
}

template <class Metric>
int FullScan(const GifPalette& p, int r, int g, int b) {
  int best = std::numeric_limits<int>::max(), index = 0;
  for (size_t i = 0; i < p.size(); ++i) {
    const int d = Distance<Metric>(p[i], r, g, b);
    if (d < best) best = d, index = static_cast<int>(i);
  }
  return index;
}

// A colour to look up: any colour, or (near_entry) one on or next to an
// entry, where ties are.
GifColor Probe(const GifPalette& p, std::mt19937& rng, bool near_entry) {
  if (!near_entry) return {static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng())};
  const GifColor c = p[rng() % p.size()];
  return {c.r, static_cast<uint8_t>(std::clamp(c.g + static_cast<int>(rng() % 3) - 1, 0, 255)), c.b};
}

TEST(OrderedNearestSearch, AgreesWithAFullScanInPaletteOrder) {
  std::mt19937 rng(7);
  for (size_t size : {1u, 2u, 7u, 64u, 256u}) {
    const GifPalette p = RandomPalette(size, static_cast<uint32_t>(size));
    const OrderedNearestSearch<AbsoluteDifference> l1(p);
    const OrderedNearestSearch<SquaredDifference> l2(p);
    for (int k = 0; k < 4000; ++k) {
      const GifColor c = Probe(p, rng, k % 2 == 1);
      ASSERT_EQ(l1.Find(c.r, c.g, c.b), FullScan<AbsoluteDifference>(p, c.r, c.g, c.b))
          << size << " " << +c.r << "," << +c.g << "," << +c.b;
      ASSERT_EQ(l2.Find(c.r, c.g, c.b), FullScan<SquaredDifference>(p, c.r, c.g, c.b))
          << size << " " << +c.r << "," << +c.g << "," << +c.b;
    }
  }
}

// A hint (any entry, often a tied later one) never changes the answer, and
// the bound given for the other entries never exceeds the nearest of them:
// the palette passes skip searches on that bound.
template <class Metric>
void CheckHintsAndBound(const GifPalette& p, std::mt19937& rng) {
  const OrderedNearestSearch<Metric> search(p);
  for (int k = 0; k < 4000; ++k) {
    const GifColor c = Probe(p, rng, k % 2 == 1);
    const int r = c.r, g = c.g, b = c.b;
    const int expected = FullScan<Metric>(p, r, g, b);
    const int hint = static_cast<int>(rng() % p.size());
    int others = 0;
    ASSERT_EQ(search.Find(r, g, b, hint), expected) << r << "," << g << "," << b << " hint " << hint;
    ASSERT_EQ(search.Find(r, g, b, hint, &others), expected) << r << "," << g << "," << b << " hint " << hint;
    int nearest_other = std::numeric_limits<int>::max();
    for (size_t i = 0; i < p.size(); ++i)
      if (static_cast<int>(i) != expected) nearest_other = std::min(nearest_other, Distance<Metric>(p[i], r, g, b));
    ASSERT_LE(others, nearest_other) << r << "," << g << "," << b;
  }
}

TEST(OrderedNearestSearch, HintsKeepTheAnswerAndTheBoundOfOtherEntriesHolds) {
  std::mt19937 rng(11);
  for (size_t size : {1u, 2u, 7u, 64u, 256u}) {
    const GifPalette p = RandomPalette(size, static_cast<uint32_t>(size) + 100);
    CheckHintsAndBound<AbsoluteDifference>(p, rng);
    CheckHintsAndBound<SquaredDifference>(p, rng);
  }
}

// Rounds in which most entries step a little (some further than the step a
// bound absorbs) and a few jump anywhere, as in a refinement: the tracked
// answers, most of them kept without a search, are every time those of a
// full scan, ties included.
template <class Metric>
void CheckTrackedOverMovingRounds(std::mt19937& rng) {
  GifPalette p = RandomPalette(64, 21);
  std::vector<GifColor> colours;
  for (int k = 0; k < 3000; ++k) colours.push_back(Probe(p, rng, k % 2 == 1));
  TrackedNearest<Metric> tracked(colours.size());
  auto nudge = [&](uint8_t v, int reach) {
    return static_cast<uint8_t>(std::clamp(v + static_cast<int>(rng() % (2 * reach + 1)) - reach, 0, 255));
  };
  for (int round = 0; round < 12; ++round) {
    tracked.NewRound(p);
    for (size_t i = 0; i < colours.size(); ++i) {
      const GifColor c = colours[i];
      ASSERT_EQ(tracked.Find(i, c), FullScan<Metric>(p, c.r, c.g, c.b))
          << "round " << round << " colour " << +c.r << "," << +c.g << "," << +c.b;
    }
    for (GifColor& e : p) {
      const int reach = rng() % 8 == 0 ? 6 : 2;
      e = {nudge(e.r, reach), nudge(e.g, reach), nudge(e.b, reach)};
    }
    for (int j = 0; j < 3; ++j) p[rng() % p.size()] = Probe(p, rng, false);
    p[5] = p[9];  // a repeated entry: the lower index must keep winning
  }
}

TEST(TrackedNearest, AnswersAsAFullScanWhileEntriesMove) {
  std::mt19937 rng(13);
  CheckTrackedOverMovingRounds<AbsoluteDifference>(rng);
  CheckTrackedOverMovingRounds<SquaredDifference>(rng);
}

// The shared answers of the exact look-up remember one colour per slot; a
// colour that finds another colour's answer in its slot must be searched
// again. Enough colours for many to share slots, each asked twice in turn,
// all agree with a full scan.
TEST(ExactNearestAnswers, RememberedAnswersAreTheNearestEntryOfTheirOwnColour) {
  const GifPalette p = RandomPalette(256, 5);
  const ExactNearestAnswers answers(p);
  std::mt19937 rng(9);
  std::vector<std::pair<GifColor, int>> probes(1u << 16);
  for (auto& [c, nearest] : probes) {
    c = {static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng())};
    nearest = FullScan<SquaredDifference>(p, c.r, c.g, c.b);
  }
  for (int round = 0; round < 2; ++round)
    for (const auto& [c, nearest] : probes)
      ASSERT_EQ(answers.Find(c.r, c.g, c.b), nearest) << +c.r << "," << +c.g << "," << +c.b << " round " << round;
}

// A reserved last entry (the transparent background's) keeps its colour in
// the palette but is never an answer, not even for its own colour.
TEST(ExactNearestAnswers, AReservedEntryIsNeverFound) {
  const GifPalette p = RandomPalette(40, 6);
  const ExactNearestAnswers answers(p, p.size() - 1);
  EXPECT_EQ(answers.Palette(), p);
  const GifPalette searched(p.begin(), p.end() - 1);
  const GifColor reserved = p.back();
  EXPECT_EQ(answers.Find(reserved.r, reserved.g, reserved.b),
            FullScan<SquaredDifference>(searched, reserved.r, reserved.g, reserved.b));
  std::mt19937 rng(4);
  for (int k = 0; k < 4096; ++k) {
    const GifColor c{static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng())};
    ASSERT_EQ(answers.Find(c.r, c.g, c.b), FullScan<SquaredDifference>(searched, c.r, c.g, c.b));
  }
}

TEST(LzwDecoder, ReadsBackBothEncodersAndRefusesDamage) {
  std::mt19937 rng(3);
  for (int code_size : {2, 5, 8}) {
    const int colours = 1 << code_size;
    // Noise fills the 12-bit table many times over; runs exercise the
    // run-length codes; one pixel and no pixels are the edges.
    std::vector<std::vector<uint8_t>> inputs = {{}, {1}};
    std::vector<uint8_t> noise(70000), runs;
    for (uint8_t& v : noise) v = static_cast<uint8_t>(rng() % colours);
    for (int k = 0; k < 3000; ++k) runs.insert(runs.end(), rng() % 300 + 1, static_cast<uint8_t>(rng() % colours));
    inputs.push_back(noise);
    inputs.push_back(runs);
    for (const auto& in : inputs) {
      SCOPED_TRACE(testing::Message() << "code size " << code_size << ", " << in.size() << " pixels");
      const auto lzw = LzwEncoder::Encode(in.data(), in.size(), code_size);
      const auto rle = RleEncoder::Encode(in.data(), in.size(), code_size);
      EXPECT_EQ(DecodeLzwStream(lzw.data(), lzw.size(), code_size, in.size()), in);
      EXPECT_EQ(DecodeLzwStream(rle.data(), rle.size(), code_size, in.size()), in);
      if (in.size() > 1) {
        EXPECT_THROW(DecodeLzwStream(lzw.data(), lzw.size() / 2, code_size, in.size()), GIFException);
        EXPECT_THROW(DecodeLzwStream(lzw.data(), lzw.size(), code_size, in.size() - 1), GIFException);
      }
    }
  }
}

GifExportOptions Options(int reduction, int dither, bool lossless_optimisations) {
  GifExportOptions o;
  o.ColorReduction = reduction;
  o.DitherMode = dither;
  o.Merge = o.Crop = o.RemovePassive = lossless_optimisations;
  return o;
}

class GifThreadsTest : public ::testing::Test {
 protected:
  void TearDown() override {
    SetWorkerThreads(0);
  }
  TempDir dir;
};

TEST_F(GifThreadsTest, OneThreadAndManyWriteTheSameBytes) {
  auto a = test::MakeStillBackgroundProject(dir, 9);
  GifExportOptions sorted = Options(rmQuantizeWindows, dmStucki, false);
  sorted.SortColors = sorted.OptimizeColorMap = sorted.Merge = true;
  const GifExportOptions cases[] = {Options(rmQuantize, dmNearest, false), Options(rmQuantize, dmNearest, true),
                                    sorted, Options(rmGlobal, dmNearest, true),
                                    Options(rmGlobal, dmFloydSteinberg, true), Options(rmGlobal, dmBurkes, false)};
  for (const GifExportOptions& o : cases) {
    SCOPED_TRACE(testing::Message() << "palette " << o.ColorReduction << " dither " << o.DitherMode);
    SetWorkerThreads(1);
    const std::vector<uint8_t> one = test::ReadFileBytes(BuildAnimatedGif(*a, a.sequence, o)->Path());
    SetWorkerThreads(5);
    const std::vector<uint8_t> many = test::ReadFileBytes(BuildAnimatedGif(*a, a.sequence, o)->Path());
    EXPECT_EQ(one, many);
  }
}

TEST_F(GifThreadsTest, DiffusionKeepsStillAreasStillSoMergeLeavesOnlyTheMovingLayer) {
  auto a = test::MakeStillBackgroundProject(dir, 6);
  for (int dither : {int{dmFloydSteinberg}, int{dmStucki}, int{dmSierra}, int{dmBurkes}}) {
    SCOPED_TRACE(dither);
    const auto gif = test::DecodeWithGiflib(
        test::ReadFileBytes(BuildAnimatedGif(*a, a.sequence, Options(rmGlobal, dither, true))->Path()));
    ASSERT_EQ(gif.frames.size(), 6u);
    EXPECT_FALSE(gif.global.empty());
    for (size_t i = 1; i < gif.frames.size(); ++i) {
      const test::DecodedFrame& f = gif.frames[i];
      EXPECT_FALSE(f.local_map);
      EXPECT_GE(f.left, 5) << "frame " << i;
      EXPECT_GE(f.top, 4) << "frame " << i;
      EXPECT_LE(f.left + f.width, 17) << "frame " << i;
      EXPECT_LE(f.top + f.height, 12) << "frame " << i;
    }
  }
}

// Every frame as the screen shows it must be each source pixel's nearest
// entry of the file's palette, merged and cropped or not.
TEST_F(GifThreadsTest, GlobalPaletteFramesShowTheNearestEntryOfEverySourcePixel) {
  auto a = test::MakeStillBackgroundProject(dir, 5);
  std::vector<WorkPicture> sources;
  for (int i = 0; i < 5; ++i) sources.push_back(test::RenderStoredFrame(a, i));
  for (bool optimised : {false, true}) {
    SCOPED_TRACE(optimised);
    const fs::path file = dir / (optimised ? "optimised.gif" : "plain.gif");
    ExportAnimatedGif(*a, a.sequence, Options(rmGlobal, dmNearest, optimised), file);
    const auto gif = test::DecodeWithGiflib(test::ReadFileBytes(file));
    ASSERT_FALSE(gif.frames.empty());
    const GifPalette& palette = gif.global;
    ASSERT_LE(palette.size(), 256u);
    std::vector<test::ShownPicture> expected;
    for (const WorkPicture& source : sources) {
      test::ShownPicture shown;
      shown.delay = 10;  // the default 100 ms
      for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 48; ++x) {
          const uint8_t* p = source->Row(y) + 3 * x;
          const GifColor c = palette[static_cast<size_t>(FullScan<SquaredDifference>(palette, p[2], p[1], p[0]))];
          shown.pixels.push_back((uint32_t{c.r} << 16) | (uint32_t{c.g} << 8) | c.b);
        }
      if (!expected.empty() && expected.back().pixels == shown.pixels)
        expected.back().delay += shown.delay;
      else
        expected.push_back(std::move(shown));
    }
    EXPECT_TRUE(test::Composite(gif) == expected);

    // Pillow plays the same pictures (frames that show nothing new may be
    // gone from the optimised file, so repeats are joined on both sides).
    const auto played = test::PlayWithPillow(file);
    if (!played) continue;
    std::vector<std::vector<GifColor>> shown;
    for (const auto& frame : *played)
      if (shown.empty() || shown.back() != frame) shown.push_back(frame);
    ASSERT_EQ(shown.size(), expected.size());
    for (size_t k = 0; k < shown.size(); ++k) {
      std::vector<uint32_t> rgb;
      for (const GifColor& c : shown[k]) rgb.push_back((uint32_t{c.r} << 16) | (uint32_t{c.g} << 8) | c.b);
      EXPECT_TRUE(rgb == expected[k].pixels) << "Pillow frame " << k;
    }
  }
}

// The whole-animation palette renders every frame twice; a multi-frame layer
// must show the same stored frames in the file as a single pass shows.
TEST_F(GifThreadsTest, GlobalPaletteShowsTheSameFramesOfAMultiFrameLayerAsOnePass) {
  // Two equal projects, each exported once from its freshly loaded state:
  // which stored frame a pass shows depends on where the store was left.
  TempDir other;
  auto a = test::MakeStillProject(dir, 20, 12, 7, 40, 6);
  test::AddAnimatedGifLayer(a, dir, 5);
  auto b = test::MakeStillProject(other, 20, 12, 7, 40, 6);
  test::AddAnimatedGifLayer(b, other, 5);
  const auto one_pass = test::Composite(test::DecodeWithGiflib(
      test::ReadFileBytes(BuildAnimatedGif(*a, a.sequence, Options(rmQuantize, dmNearest, false))->Path())));
  const auto two_passes = test::Composite(test::DecodeWithGiflib(
      test::ReadFileBytes(BuildAnimatedGif(*b, b.sequence, Options(rmGlobal, dmNearest, false))->Path())));
  ASSERT_EQ(one_pass.size(), 7u) << "every frame differs";
  EXPECT_TRUE(one_pass == two_passes);
}

}  // namespace
}  // namespace kt58
