// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <utility>

#include "engine/raster_ops.h"
#include "model/project.h"
#include "model/image_resource.h"
#include "model/model_fixture.h"
#include "render/compose.h"
#include "support/recording_progress.h"

namespace kt58::test {
namespace {

constexpr Color R = RGBColor(255, 0, 0);
constexpr Color G = RGBColor(0, 255, 0);
constexpr Color B = RGBColor(0, 0, 255);
constexpr Color K = RGBColor(0, 0, 0);
constexpr Color W = RGBColor(255, 255, 255);
constexpr Color Y = RGBColor(255, 255, 0);
constexpr Color BG = RGBColor(10, 20, 30);

class CompositionTest : public ModelTest {
 protected:
  CompositionTest() {
    project.BackgroundColor = BG;
    project.FixedFrameSize = true;
  }
  void FrameSize(int w, int h) {
    project.FixedWidth = w;
    project.FixedHeight = h;
  }
  WorkPicture Render() { return ComposeFrame(project, project.ConstructorFrame.get(), clock); }
  FrameClock clock = FrameClock::Stepping(-1);
  // A layer whose transparent colour is one the tests never draw.
  Layer* AddLayer(const std::string& name, const Picture& picture) {
    Layer* l = AddLayerFromFile(WriteBmp(name, picture));
    l->TransparentColor = RGBColor(1, 2, 3);
    return l;
  }
};

TEST_F(CompositionTest, EmptyFramesAndLayersWithoutPictures) {
  FrameSize(3, 2);
  EXPECT_FALSE(ComposeFrame(project, nullptr, clock));
  EXPECT_FALSE(Render());
  AddBareLayer();
  const int before = LivePictureCount();
  {
    WorkPicture p = Render();
    ASSERT_TRUE(p);
    EXPECT_TRUE(PicturesEqual(*p, MakeSolidPicture(3, 2, BG)));
    EXPECT_EQ(LivePictureCount(), before + 1) << "the work picture is freed";
  }
  EXPECT_EQ(LivePictureCount(), before);
}

// One picture composed into frame after frame, as the exports and the
// player do: nothing of an earlier frame, nor of the layer composed before,
// shows in the next one.
TEST_F(CompositionTest, AReusedPictureShowsNothingOfEarlierFramesOrLayers) {
  Layer* still = AddLayer("red.bmp", MakeSolidPicture(3, 2, R));
  Picture frame;
  FrameSize(3, 2);
  ASSERT_TRUE(ComposeFrameInto(project, project.ConstructorFrame.get(), clock, frame));
  EXPECT_TRUE(PicturesEqual(frame, MakeSolidPicture(3, 2, R)));
  const uint8_t* buffer = frame.Bits();

  // A smaller frame the layer covers only in part.
  FrameSize(2, 2);
  still->OffsetX = 1;
  ASSERT_TRUE(ComposeFrameInto(project, project.ConstructorFrame.get(), clock, frame));
  EXPECT_TRUE(PicturesEqual(frame, MakePicture({{BG, R}, {BG, R}})));
  EXPECT_EQ(frame.Bits(), buffer) << "the smaller frame reuses the buffer";

  // A video layer on top whose stored frame cannot be read is left out; the
  // red layer's picture, composed just before it, must not stand in for it.
  const std::vector<Color> pal = {K, G, B, W};
  Layer* video = AddLayerFromFile(WriteGif("clip.gif", MakeTinyGif(2, 1, pal, {{{1, 2}}, {{2, 1}}})));
  ASSERT_TRUE(video && video->ImageRef->Store());
  video->TransparentColor = RGBColor(1, 2, 3);
  clock = FrameClock::Stepping(0);
  ASSERT_TRUE(ComposeFrameInto(project, project.ConstructorFrame.get(), clock, frame));
  EXPECT_TRUE(PicturesEqual(frame, MakePicture({{G, B}, {BG, R}})));
  std::filesystem::resize_file(video->ImageRef->Store()->FileName, 10);
  ASSERT_TRUE(ComposeFrameInto(project, project.ConstructorFrame.get(), clock, frame));
  EXPECT_TRUE(PicturesEqual(frame, MakePicture({{BG, R}, {BG, R}})));

  // A larger frame again: its background covers what the buffer held.
  FrameSize(4, 2);
  ASSERT_TRUE(ComposeFrameInto(project, project.ConstructorFrame.get(), clock, frame));
  EXPECT_TRUE(PicturesEqual(frame, MakePicture({{BG, R, R, R}, {BG, R, R, R}})));
  // No frame: the picture is left as it was.
  EXPECT_FALSE(ComposeFrameInto(project, nullptr, clock, frame));
  EXPECT_TRUE(PicturesEqual(frame, MakePicture({{BG, R, R, R}, {BG, R, R, R}})));
}

TEST_F(CompositionTest, OffsetsAtTheEndsOfIntMoveFurtherOutWithoutOverflow) {
  // A 2 x 4 layer turned by 90 degrees becomes 4 x 2 with shifts (-1, +1):
  // added to offsets at the ends of int they leave the int range, which the
  // composition must neither wrap (drawing the layer into the frame) nor
  // overflow (undefined; the sanitizer build traps on it).
  FrameSize(3, 2);
  Layer* l = AddLayer("tall.bmp", MakeSolidPicture(2, 4, R));
  l->Angle = 90;
  l->Clockwise = false;
  for (const auto& [x, y] : {std::pair{INT_MIN, 0}, std::pair{0, INT_MAX}, std::pair{INT_MIN, INT_MAX}}) {
    l->OffsetX = x;
    l->OffsetY = y;
    WorkPicture p = Render();
    ASSERT_TRUE(p);
    EXPECT_TRUE(PicturesEqual(*p, MakeSolidPicture(3, 2, BG))) << x << ", " << y;
  }
}

TEST_F(CompositionTest, LayersStackFromTheBottomWithColourKeyAndOffsets) {
  FrameSize(4, 3);
  // Bottom layer (index 1) at (1, 1); top layer (index 0) at (-1, 0) with a
  // transparent white pixel.
  AddLayer("bottom.bmp", MakePicture({{R, R, R}, {R, G, R}}))->OffsetX = 1;
  project.ConstructorFrame->Layers[0]->OffsetY = 1;
  Layer* top = AddLayer("top.bmp", MakePicture({{B, B, W}, {B, W, Y}}));
  top->OffsetX = -1;
  top->TransparentColor = W;
  WorkPicture p = Render();
  ASSERT_TRUE(p);
  EXPECT_TRUE(PicturesEqual(*p, MakePicture({{B, BG, BG, BG},  //
                                             {BG, Y, R, R},
                                             {BG, R, G, R}})));
}

TEST_F(CompositionTest, BlendingUsesTheLocalTypeAndTheTransparencies) {
  FrameSize(2, 1);
  project.BackgroundColor = RGBColor(200, 100, 0);
  Layer* l = AddLayer("l.bmp", MakeSolidPicture(2, 1, RGBColor(0, 0, 100)));
  struct Case {
    const char* name;
    int blend, trans, alt, fade;
    Color left, right;
  };
  // Each byte: (frame * t + layer * (100 - t)) div 100.
  const Case cases[] = {
      {"none", bt_No_Blend, 40, 0, fm_No_Fade, RGBColor(0, 0, 100), RGBColor(0, 0, 100)},
      {"normal 25", bt_Blend, 25, 0, fm_No_Fade, RGBColor(50, 25, 75), RGBColor(50, 25, 75)},
      // A faded layer with "None" is blended with its own transparency.
      {"none but faded", bt_No_Blend, 50, 0, fm_Pulse, RGBColor(100, 50, 50), RGBColor(100, 50, 50)},
      // Across a 2-wide layer: t = round((alt - t) / 2 * s) + t for s = 0, 1.
      {"horizontal", bt_H_Blend, 0, 100, fm_No_Fade, RGBColor(0, 0, 100), RGBColor(100, 50, 50)},
      {"vertical one row", bt_V_Blend, 10, 90, fm_No_Fade, RGBColor(20, 10, 90), RGBColor(20, 10, 90)},
  };
  for (const Case& c : cases) {
    l->BlendType = c.blend;
    l->Transparency = c.trans;
    l->AltTransparency = c.alt;
    l->FadeMode = c.fade;
    WorkPicture p = Render();
    ASSERT_TRUE(p);
    EXPECT_TRUE(PicturesEqual(*p, MakePicture({{c.left, c.right}}))) << c.name;
    EXPECT_EQ(l->BlendType, c.blend) << c.name << ": the record is not changed";
  }
}

TEST_F(CompositionTest, TintRecoloursKeepingBrightness) {
  FrameSize(2, 1);
  Layer* l = AddLayer("l.bmp", MakePicture({{W, RGBColor(0, 102, 51)}}));
  l->TintEnabled = true;
  l->TintColor = RGBColor(255, 0, 100);
  WorkPicture p = Render();
  // Brightest byte 102: k = 0.4, so (102, 0, 40).
  EXPECT_TRUE(PicturesEqual(*p, MakePicture({{RGBColor(255, 0, 100), RGBColor(102, 0, 40)}})));
}

TEST_F(CompositionTest, MirrorAndFlipComeBeforePixelRotation) {
  FrameSize(3, 2);
  Layer* l = AddLayer("l.bmp", MakePicture({{R, G, B}, {K, W, Y}}));
  l->Mirror = true;
  l->Flip = true;
  l->PixelRotate = true;
  l->PixelRotateDirection = pr_Left;
  l->PixelRotateShift = 1;
  // Mirror: {B G R / Y W K}; flip: {Y W K / B G R}; left by one column.
  WorkPicture p = Render();
  EXPECT_TRUE(PicturesEqual(*p, MakePicture({{W, K, Y}, {G, R, B}})));

  l->Mirror = l->Flip = false;
  l->PixelRotateDirection = pr_Down;
  EXPECT_TRUE(PicturesEqual(*Render(), MakePicture({{K, W, Y}, {R, G, B}})));
}

TEST_F(CompositionTest, ClockwiseQuarterTurnOfA100By50Layer) {
  FrameSize(120, 100);
  // Left half red, right half green.
  Picture src(100, 50);
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 100; ++x) SetPixelColor(src, x, y, x < 50 ? R : G);
  Layer* l = AddLayer("wide.bmp", src);
  l->OffsetX = 10;
  l->Angle = 90;
  for (bool clockwise : {true, false}) {
    l->Clockwise = clockwise;
    WorkPicture p = Render();
    ASSERT_TRUE(p);
    // Drawn as 50 x 100 at (10 + 25, 0 - 25): columns 35..84, rows -25..74.
    // Turned clockwise the left half lies on top.
    const Color upper = clockwise ? R : G;
    const Color lower = clockwise ? G : R;
    Picture expected = MakeSolidPicture(120, 100, BG);
    for (int y = 0; y < 75; ++y)
      for (int x = 35; x < 85; ++x) SetPixelColor(expected, x, y, y < 25 ? upper : lower);
    EXPECT_TRUE(PicturesEqual(*p, expected)) << "clockwise " << clockwise;
  }
  EXPECT_EQ(l->OffsetX, 10);
}

TEST_F(CompositionTest, BevelTurnsWithThePicture) {
  FrameSize(100, 80);
  // A 100 x 50 layer bevelled by one pixel (highlight on its left column and
  // top row, shadow on its right column and bottom row), then turned a
  // quarter clockwise and drawn at (25, -25): its left column becomes the
  // top row, its bottom row the left column, its top row the right column.
  Layer* l = AddLayer("l.bmp", MakeSolidPicture(100, 50, G));
  l->ButtonizeEnabled = true;
  l->ButtonizeAmount = 1;
  l->ButtonizeHighlight = W;
  l->ButtonizeShadow = K;
  l->Angle = 90;
  WorkPicture p = Render();
  ASSERT_TRUE(p);
  for (int y : {10, 40, 60}) {
    EXPECT_EQ(PixelColor(*p, 24, y), BG) << y;
    EXPECT_EQ(PixelColor(*p, 25, y), K) << y;
    EXPECT_EQ(PixelColor(*p, 26, y), G) << y;
    EXPECT_EQ(PixelColor(*p, 73, y), G) << y;
    EXPECT_EQ(PixelColor(*p, 74, y), W) << y;
    EXPECT_EQ(PixelColor(*p, 75, y), BG) << y;
  }
  EXPECT_EQ(PixelColor(*p, 50, 74), K);  // the right column, now at the bottom
  EXPECT_EQ(PixelColor(*p, 50, 73), G);
  EXPECT_EQ(PixelColor(*p, 50, 75), BG);
}

TEST_F(CompositionTest, VideoFramesByIndexOrInSequenceWhilePlaying) {
  FrameSize(4, 1);
  const std::vector<Color> pal = {K, R, G, B};
  const auto gif = WriteGif("v.gif", MakeTinyGif(2, 1, pal, {{{1, 1}}, {{2, 2}}, {{3, 3}}}));
  Layer* bottom = AddLayerFromFile(gif);
  Layer* top = AddLayerFromFile(gif);
  ASSERT_NE(top, nullptr);
  ASSERT_EQ(top->ImageRef, bottom->ImageRef);
  top->OffsetX = 2;
  top->TransparentColor = bottom->TransparentColor = RGBColor(1, 2, 3);

  // Before the first resequencing (index -1) a video layer has no picture.
  EXPECT_TRUE(PicturesEqual(*Render(), MakeSolidPicture(4, 1, BG)));
  clock = FrameClock::Stepping(1);
  EXPECT_TRUE(PicturesEqual(*Render(), MakeSolidPicture(4, 1, G)));
  // Beyond the store the layers are absent.
  clock = FrameClock::Stepping(12);
  EXPECT_TRUE(PicturesEqual(*Render(), MakeSolidPicture(4, 1, BG)));

  // Playing from no frame: each of the two layers takes the next stored
  // frame, bottom layer first, whatever was composed in between.
  const std::vector<Picture> played = {MakePicture({{R, R, G, G}}), MakePicture({{B, B, R, R}}),
                                       MakePicture({{G, G, B, B}})};
  for (int tick : {3, 1, 2, 1}) {
    clock = FrameClock::Playing(-1, tick);
    EXPECT_TRUE(PicturesEqual(*Render(), played[static_cast<size_t>(tick - 1)])) << tick;
  }
}

TEST_F(CompositionTest, GeneratedFramesComposeTheirOwnValues) {
  FrameSize(2, 2);
  project.FrameCount = 2;
  Layer* l = AddLayer("l.bmp", MakePicture({{R, G}, {B, W}}));
  l->PixelRotate = true;
  l->PixelRotateDirection = pr_Up;
  const FrameSequence sequence = MakeFrameSequence(project);
  ASSERT_EQ(sequence.Count(), 2);
  EXPECT_TRUE(PicturesEqual(*ComposeFrame(project, sequence.Frame(0), FrameClock::Stepping(0)), MakePicture({{R, G}, {B, W}})));
  EXPECT_TRUE(PicturesEqual(*ComposeFrame(project, sequence.Frame(1), FrameClock::Stepping(1)), MakePicture({{B, W}, {R, G}})));
}

TEST_F(CompositionTest, RenderAllFramesFillsTheCacheWithProgress) {
  FrameSize(2, 1);
  project.FrameCount = 3;
  Layer* l = AddLayer("l.bmp", MakePicture({{R, G}}));
  l->PixelRotate = true;
  l->PixelRotateDirection = pr_Right;
  const FrameSequence sequence = MakeFrameSequence(project);
  RecordingProgress progress;
  const FrameCache cache = ComposeAllFrames(project, sequence, progress);
  ASSERT_EQ(cache.Count(), 3);
  EXPECT_EQ(cache.Width, 2);
  EXPECT_EQ(cache.Height, 1);
  // Shifts 0, round(0.667) = 1, round(1.333) = 1.
  EXPECT_TRUE(PicturesEqual(cache.Images[0], MakePicture({{R, G}})));
  EXPECT_TRUE(PicturesEqual(cache.Images[1], MakePicture({{G, R}})));
  EXPECT_TRUE(PicturesEqual(cache.Images[2], MakePicture({{G, R}})));
  EXPECT_EQ(progress.caption, "Rendering Frames...");
  EXPECT_FALSE(progress.offer_cancel);
  EXPECT_EQ(progress.steps, (std::vector<ProgressStep>{{"Constructing Frame : 0", 0, 3},
                                                        {"Constructing Frame : 1", 1, 3},
                                                        {"Constructing Frame : 2", 2, 3}}));
}

TEST_F(CompositionTest, FrameCacheOfAnEmptyProjectIsTenByTen) {
  project.FixedFrameSize = false;
  RecordingProgress progress;
  const FrameCache cache = ComposeAllFrames(project, MakeFrameSequence(project), progress);
  EXPECT_EQ(cache.Count(), 0);
  EXPECT_EQ(cache.Width, 10);
  EXPECT_EQ(cache.Height, 10);
  EXPECT_TRUE(progress.steps.empty());
}

// The frame size may change after the cache was made: a picture of another
// size is cut at the right and bottom, or padded there with black.
TEST_F(CompositionTest, FrameCacheKeepsItsSizeForPicturesOfAnother) {
  FrameCache cache(::kt58::FrameSize{2, 2});
  Picture same = MakePicture({{R, G}, {B, W}});
  Picture wider = MakePicture({{R, G, Y}, {B, W, Y}, {Y, Y, Y}});
  Picture smaller = MakePicture({{W}});
  cache.Add(same);
  cache.Add(wider);
  cache.Add(smaller);
  ASSERT_EQ(cache.Count(), 3);
  EXPECT_TRUE(PicturesEqual(cache.Images[0], MakePicture({{R, G}, {B, W}})));
  EXPECT_TRUE(PicturesEqual(cache.Images[1], MakePicture({{R, G}, {B, W}})));
  EXPECT_TRUE(PicturesEqual(cache.Images[2], MakePicture({{W, K}, {K, K}})));
}

}  // namespace
}  // namespace kt58::test
