// SPDX-License-Identifier: GPL-3.0-or-later
// Lossy writing of merged frames: a transparent pixel left by merging may be
// written in a colour near the one it stands for and an opaque pixel near
// what is shown beneath may become transparent, always judged against the
// colour the animation wants there, never against a colour already off by
// the bound; a transparent background never becomes opaque. And the
// picture before reduction, where it is known, steers which near colour
// is taken.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "export/gif/gif_frame_optimizer.h"
#include "export/gif/gif_image.h"
#include "export/gif/gif_screen.h"
#include "export/gif/gif_stream_writer.h"
#include "export/gif/lzw_decoder.h"
#include "export/gif/lzw_encoder.h"
#include "gif_decode_helpers.h"

namespace kt58 {
namespace {

uint32_t SquaredDistance(const GifColor& a, const GifColor& b) {
  const int dr = a.r - b.r, dg = a.g - b.g, db = a.b - b.b;
  return static_cast<uint32_t>(dr * dr + dg * dg + db * db);
}

GifFrame Row(const std::vector<uint8_t>& indices, int transparent, bool merged) {
  GifFrame f(static_cast<int>(indices.size()), 1);
  f.Data() = indices;
  if (transparent >= 0) {
    auto& gce = f.AddExtension<GifGraphicControlExtension>();
    gce.Transparent = true;
    gce.TransparentColorIndex = static_cast<uint8_t>(transparent);
  }
  f.SetMergedTransparency(merged);
  return f;
}

// Level 10 allows a squared distance of 9: c0 and c1 are within it, c0 and
// c2 are not, c1 and c2 are close; c3 is as near c0 as c1 is but twice as
// far from c1.
constexpr int kLevel = 10;
const GifPalette kLine = {{100, 100, 100}, {103, 100, 100}, {104, 100, 100}, {97, 100, 100}, {0, 0, 0}};
constexpr uint8_t c0 = 0, c1 = 1, c2 = 2, c3 = 3, t = 4;

// A screen on which an earlier frame wanted c1 everywhere; `shown` is what
// its lossy writing left there.
GifScreen ScreenWanting(uint8_t shown, int width) {
  GifScreen screen(0, 0, width, 1);
  const std::vector<uint8_t> wanted(static_cast<size_t>(width), c1);
  screen.Show(Row(wanted, -1, false), kLine, GifLossyFrame{{}, wanted, std::vector<uint8_t>(wanted.size(), shown)});
  return screen;
}

// A merged frame over that screen, with one probe pixel among a row of one
// index: what may the probe become? The pixel shown under a pixel left
// transparent is what every later frame that leaves it shows, so each
// choice is measured against the colour wanted now, with what is shown
// counted as it really is.
TEST(GifScreen, MergedPixelsAreMeasuredAgainstTheColourWantedNotAnEarlierError) {
  const struct {
    const char* name;
    uint8_t shown, row, probe;
    uint8_t index;  // what the probe is written as (is), or never written as
    bool is;
  } cases[] = {
      // c2 is one step from c1, but 16 from the c0 shown: left transparent
      // it would show c0, too far from c2.
      {"changed pixel over a colour shown with an error", c0, t, c2, t, false},
      {"changed pixel over the colour shown exactly", c1, t, c2, t, true},
      // The left pixel stands for c1: c2 is near it (and far from the c0
      // shown), c3 is near the c0 shown and far from it.
      {"left pixel among a colour near the one it stands for", c0, c2, t, c2, true},
      {"left pixel among a colour near only the error shown", c0, c3, t, c3, false},
  };
  constexpr int kWidth = 64, kProbe = 30;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const GifScreen screen = ScreenWanting(c.shown, kWidth);
    std::vector<uint8_t> indices(kWidth, c.row);
    indices[kProbe] = c.probe;
    const GifFrame f = Row(indices, t, true);
    const int bits = MinCodeSizeFor(kLine.size());
    const GifLossyFrame out =
        screen.Encode(f, indices, LzwTolerance{&kLine, t, LossyErrorBound(kLevel), LossyPixelWorth(kLevel, false)}, bits);
    // What the writer keeps as shown is what a decoder reads.
    EXPECT_EQ(DecodeLzwStream(out.data.data(), out.data.size(), bits, indices.size()), out.written);
    EXPECT_EQ(out.written[kProbe] == c.index, c.is) << int(out.written[kProbe]);
    for (size_t k = 0; k < indices.size(); ++k) {
      const GifColor want = kLine[indices[k] == t ? c1 : indices[k]];
      const GifColor seen = kLine[out.written[k] == t ? c.shown : out.written[k]];
      EXPECT_LE(SquaredDistance(seen, want), LossyErrorBound(kLevel)) << k;
    }
  }
}

// Frames through the stream writer, read back by giflib and played: a row
// of one colour with transparent holes, over a frame that showed that
// colour. Only holes merging left, over a picture still shown, may be
// filled; a background's holes, or holes over a cleared screen, stay
// transparent and the rest opaque.
TEST(GifScreen, OnlyPixelsLeftByMergingOverAShownPictureTakeAColour) {
  const GifPalette palette = {{100, 100, 100}, {0, 0, 0}};
  const struct {
    const char* name;
    bool merged;
    int first_disposal;
    bool filled;
  } cases[] = {
      {"merged, over the frame before", true, dmNone, true},
      {"a transparent background, over the frame before", false, dmNone, false},
      {"merged, over a screen cleared to the background", true, dmBackground, false},
  };
  constexpr int kWidth = 200;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> bytes;
    GifStreamWriter writer(gcLZW, kMaxLossy, 0, palette, [&](const auto& b) { bytes.insert(bytes.end(), b.begin(), b.end()); });
    GifFrame first = Row(std::vector<uint8_t>(kWidth, 0), -1, false);
    first.AddExtension<GifGraphicControlExtension>().Disposal = static_cast<uint8_t>(c.first_disposal);
    writer.Add(first);
    std::vector<uint8_t> holes(kWidth, 0);
    for (int x = 3; x < kWidth; x += 7) holes[static_cast<size_t>(x)] = 1;
    writer.Add(Row(holes, 1, c.merged));
    writer.Finish();

    const test::DecodedGif gif = test::DecodeWithGiflib(bytes);
    ASSERT_EQ(gif.frames.size(), 2u);
    // Filled: written as one index, holes and all, whichever it is (the
    // colour, or transparency over a picture of that colour).
    EXPECT_EQ(gif.frames[1].indices != holes, c.filled);
    // Played, every pixel shows the colour the frame wants, or nothing
    // where a cleared screen shows through.
    const std::vector<test::ShownPicture> shown = test::Composite(gif);
    ASSERT_FALSE(shown.empty());
    for (size_t k = 0; k < holes.size(); ++k) {
      const uint32_t px = shown.back().pixels[k];
      if (holes[k] == 1 && c.first_disposal == dmBackground) {
        EXPECT_EQ(px, test::kUnset) << k;
      } else {
        EXPECT_EQ(px, 0x646464u) << k;
      }
    }
  }
}

// The picture before reduction steers the choice: a pixel in a run of one
// colour wants a colour 6 away (squared 36). Painting it over with the
// run's colour costs the full 36 against the palette colour, more than the
// few pixels it adds to a code are worth here (1 each); against the
// picture it costs only what it adds to the error the reduction left.
TEST(LzwEncoder, LossyWeighsChoicesByThePictureBeforeReduction) {
  const GifPalette palette = {{100, 100, 100}, {106, 100, 100}};
  constexpr size_t kProbe = 77;
  const struct {
    const char* name;
    bool with_source;
    uint8_t source_red;  // at the probe; elsewhere the run's colour
    bool painted_over;
  } cases[] = {
      {"palette colours only", false, 103, false},
      {"picture midway between the two", true, 103, true},      // adds 9 - 9
      {"picture beyond the wanted colour", true, 108, false},   // adds 64 - 4
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> indices(200, 0);
    indices[kProbe] = 1;
    std::vector<uint8_t> source;
    for (size_t k = 0; k < indices.size(); ++k) {
      const uint8_t red = k == kProbe ? c.source_red : 100;
      source.insert(source.end(), {red, 100, 100});
    }
    LzwTolerance tolerance{&palette, -1, 100, 1};
    if (c.with_source) tolerance.source = source.data();
    std::vector<uint8_t> written;
    const std::vector<uint8_t> data = LzwEncoder::EncodeLossy(indices.data(), indices.size(), 2, tolerance, &written);
    EXPECT_EQ(DecodeLzwStream(data.data(), data.size(), 2, indices.size()), written);
    EXPECT_EQ(written[kProbe] == 0, c.painted_over);
  }
}

}  // namespace
}  // namespace kt58
