// SPDX-License-Identifier: GPL-3.0-or-later
// Composition is a function of the frame and the clock: the frames of a
// project with a video layer, an animated GIF read by two layers and stores
// shorter and longer than the animation come out the same in any order and
// on several threads at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <thread>
#include <vector>

#include "model/project.h"
#include "model/image_resource.h"
#include "model/model_fixture.h"
#include "render/compose.h"
#include "support/avi_test_support.h"

namespace kt58::test {
namespace {

class ComposeOrderTest : public ModelTest {
 protected:
  ComposeOrderTest() {
    project.FixedFrameSize = true;
    project.FixedWidth = 72;
    project.FixedHeight = 54;
    project.FrameCount = 14;
  }

  // Frame i under the clock the given pass gives it.
  struct Pass {
    const char* name;
    FrameClock (*clock)(int);
  };

  std::vector<Picture> Compose(const Pass& pass, const std::vector<int>& order) {
    std::vector<Picture> out(static_cast<size_t>(sequence.Count()));
    for (int i : order) {
      WorkPicture p = ComposeFrame(project, sequence.Frame(i), pass.clock(i));
      EXPECT_TRUE(p) << i;
      if (p) out[static_cast<size_t>(i)] = *p;
    }
    return out;
  }

  // Dropped before the project, whose resources its layers count.
  FrameSequence sequence;
};

TEST_F(ComposeOrderTest, ShuffledAndOnTwoThreadsTheFramesAreTheSameAsInOrder) {
  // Ten video frames, fewer than the animation's fourteen; the animated GIF's
  // three frames are read by two layers.
  const auto avi = dir / "clip.avi";
  ASSERT_TRUE(MakeAvi(FindAviCase("bgr24_topdown"), avi, 40, 30));
  const std::vector<Color> pal = {RGBColor(0, 0, 0), RGBColor(250, 10, 10), RGBColor(10, 250, 10),
                                  RGBColor(10, 10, 250)};
  const auto gif = WriteGif("spin.gif", MakeTinyGif(8, 6, pal, {{{1, 1}}, {{2, 2}}, {{3, 3}}}));
  Layer* video = AddLayerFromFile(avi);
  Layer* lower = AddLayerFromFile(gif);
  Layer* upper = AddLayerFromFile(gif);
  ASSERT_TRUE(video && lower && upper);
  ASSERT_EQ(lower->ImageRef, upper->ImageRef) << "one store read by two layers";
  ASSERT_EQ(video->ImageRef->Store()->FrameCount, 10);
  // Colours the pictures never hold: every pixel of every layer shows.
  for (Layer* l : {video, lower, upper}) l->TransparentColor = RGBColor(1, 2, 3);
  lower->OffsetX = 44;
  upper->OffsetX = 56;
  upper->OffsetY = 40;
  upper->Mirror = true;
  sequence = MakeFrameSequence(project);
  const int count = sequence.Count();
  ASSERT_EQ(count, 14);

  std::vector<int> in_order(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) in_order[static_cast<size_t>(i)] = i;
  std::vector<int> shuffled = in_order;
  std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(58));
  // Backwards as well: a cursor left past the end by a previous read would
  // show here.
  std::vector<int> backwards(in_order.rbegin(), in_order.rend());

  const Pass passes[] = {{"stepping", [](int i) { return FrameClock::Stepping(i); }},
                         {"played from frame 0", [](int i) { return FrameClock::Playing(0, i); }},
                         {"played from frame 5", [](int i) { return FrameClock::Playing(5, i); }}};
  for (const Pass& pass : passes) {
    SCOPED_TRACE(pass.name);
    const std::vector<Picture> want = Compose(pass, in_order);
    // The pictures really change over the frames (the clip's pattern moves
    // every frame or two), so an order mix-up shows.
    int distinct = 0;
    for (size_t i = 0; i < want.size(); ++i)
      distinct += std::none_of(want.begin(), want.begin() + static_cast<std::ptrdiff_t>(i),
                               [&](const Picture& p) { return PicturesEqual(p, want[i]); });
    EXPECT_GE(distinct, 5);

    for (const auto* order : {&shuffled, &backwards}) {
      const std::vector<Picture> got = Compose(pass, *order);
      for (int i = 0; i < count; ++i)
        EXPECT_TRUE(PicturesEqual(got[static_cast<size_t>(i)], want[static_cast<size_t>(i)])) << "frame " << i;
    }

    // Two threads, each composing every frame in its own order, at once.
    std::vector<Picture> a, b;
    std::thread first([&] { a = Compose(pass, shuffled); });
    std::thread second([&] { b = Compose(pass, backwards); });
    first.join();
    second.join();
    for (int i = 0; i < count; ++i) {
      EXPECT_TRUE(PicturesEqual(a[static_cast<size_t>(i)], want[static_cast<size_t>(i)])) << "frame " << i;
      EXPECT_TRUE(PicturesEqual(b[static_cast<size_t>(i)], want[static_cast<size_t>(i)])) << "frame " << i;
    }
  }
}

}  // namespace
}  // namespace kt58::test
