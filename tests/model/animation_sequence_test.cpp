// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <stdexcept>

#include "model/project.h"
#include "model/image_resource.h"
#include "model/model_fixture.h"

namespace kt58::test {
namespace {

using SequenceTest = ModelTest;

template <typename F>
std::vector<decltype(std::declval<F>()(std::declval<const Layer&>()))> PerFrame(const Project& a, F f,
                                                                                    int layer = 0) {
  std::vector<decltype(f(std::declval<const Layer&>()))> out;
  for (const auto& frame : a.Frames) out.push_back(f(*frame->Layers.at(static_cast<size_t>(layer))));
  return out;
}

TEST_F(SequenceTest, FadeTables) {
  struct Case {
    const char* name;
    int frames, mode, start, final_, base;
    std::vector<int> expected;
  };
  const Case cases[] = {
      {"pulse 10", 10, fm_Pulse, 0, 100, 0, {0, 10, 20, 30, 40, 50, 60, 70, 80, 90}},
      {"smooth 10", 10, fm_Smooth, 0, 100, 0, {0, 20, 40, 60, 80, 100, 80, 60, 40, 20}},
      // h = 1 and step = d: the base, then the base plus d.
      {"smooth 2", 2, fm_Smooth, 20, 80, 10, {10, 70}},
      // h = 3: k = 0 1 2 4 3 2 1 times d / 3.5; the peak (114) is clamped.
      {"smooth 7", 7, fm_Smooth, 0, 100, 0, {0, 29, 57, 100, 86, 57, 29}},
      // Only the difference counts; a falling fade is clamped at 0.
      {"pulse down", 10, fm_Pulse, 100, 0, 50, {50, 40, 30, 20, 10, 0, 0, 0, 0, 0}},
      // Steps of 2.5 round half to even.
      {"pulse halves", 10, fm_Pulse, 0, 25, 0, {0, 2, 5, 8, 10, 12, 15, 18, 20, 22}},
      {"no fade", 3, fm_No_Fade, 0, 100, 35, {35, 35, 35}},
  };
  for (const Case& c : cases) {
    anim.FrameCount = c.frames;
    Layer* l = AddBareLayer();
    l->FadeMode = c.mode;
    l->FadeStart = c.start;
    l->FadeFinal = c.final_;
    l->Transparency = c.base;
    ASSERT_TRUE(anim.MakeFrameSequence()) << c.name;
    EXPECT_EQ(PerFrame(anim, [](const Layer& x) { return int{x.Transparency}; }), c.expected) << c.name;
    EXPECT_EQ(l->Transparency, c.base) << c.name << ": the master keeps its value";
    anim.ClearFrames();
    anim.ConstructorFrame->RemoveLayer(l);
  }
}

TEST_F(SequenceTest, AnglesAreInterpolatedAndKeptAsReals) {
  struct Case {
    int frames;
    double start, degrees;
    std::vector<double> expected;
  };
  const Case cases[] = {
      {10, 0, 360, {0, 36, 72, 108, 144, 180, 216, 252, 288, 324}},
      {4, 10, 90, {10, 32.5, 55, 77.5}},
      {3, 45, 0, {45, 45, 45}},
  };
  for (const Case& c : cases) {
    anim.FrameCount = c.frames;
    Layer* l = AddBareLayer();
    l->StartAngle = l->Angle = c.start;
    l->DegreesToRotate = c.degrees;
    ASSERT_TRUE(anim.MakeFrameSequence());
    const auto angles = PerFrame(anim, [](const Layer& x) { return x.Angle; });
    ASSERT_EQ(angles.size(), c.expected.size());
    for (size_t i = 0; i < angles.size(); ++i) EXPECT_DOUBLE_EQ(angles[i], c.expected[i]) << "frame " << i;
    anim.ClearFrames();
    anim.ConstructorFrame->RemoveLayer(l);
  }
}

TEST_F(SequenceTest, PixelRotateShiftsFollowTheResourceSize) {
  const auto tall = WriteBmp("tall.bmp", MakeSolidPicture(5, 100, 0x808080));
  struct Case {
    int frames, direction;
    std::vector<int> expected;
  };
  const Case cases[] = {
      {10, pr_Up, {0, 10, 20, 30, 40, 50, 60, 70, 80, 90}},
      {4, pr_Down, {0, 25, 50, 75}},
      // Width 5 over 2 frames: 2.5 rounds to 2.
      {2, pr_Left, {0, 2}},
      {4, pr_Right, {0, 1, 2, 4}},  // 1.25 steps: 0, 1.25, 2.5, 3.75
  };
  for (const Case& c : cases) {
    anim.FrameCount = c.frames;
    Layer* l = AddLayerFromFile(tall);
    l->PixelRotate = true;
    l->PixelRotateDirection = c.direction;
    ASSERT_TRUE(anim.MakeFrameSequence());
    EXPECT_EQ(PerFrame(anim, [](const Layer& x) { return int{x.PixelRotateShift}; }), c.expected)
        << "direction " << c.direction;
    EXPECT_EQ(l->PixelRotateShift, 0);
    anim.ClearFrames();
    anim.ConstructorFrame->RemoveLayer(l);
  }
}

TEST_F(SequenceTest, StatusTextsAndResult) {
  EXPECT_FALSE(anim.MakeFrameSequence());
  EXPECT_EQ(statuses, (std::vector<std::string>{"Creating Frame : 0"}));
  EXPECT_TRUE(anim.Frames.empty());
  EXPECT_FALSE(anim.Sequenced);

  statuses.clear();
  anim.FrameCount = 3;
  AddBareLayer();
  AddBareLayer();
  EXPECT_TRUE(anim.MakeFrameSequence());
  EXPECT_EQ(statuses, (std::vector<std::string>{"Creating Frame : 0", "Creating Frame : 1", "Creating Frame : 2",
                                                "Resequence Complete", ""}));
  ASSERT_EQ(anim.Frames.size(), 3u);
  for (const auto& f : anim.Frames) {
    EXPECT_EQ(f->Layers.size(), 2u);
    EXPECT_EQ(f->Owner, &anim);
    EXPECT_EQ(f->Layers[0]->Owner, &anim);
  }
  EXPECT_TRUE(anim.Sequenced);
  EXPECT_EQ(anim.CurrentFrameIndex, 0);
  EXPECT_EQ(anim.CurrentFrame, anim.Frames[0].get());
  // Master order is kept in every frame.
  anim.ConstructorFrame->Layers[0]->OffsetX = 1;
  anim.ConstructorFrame->Layers[1]->OffsetX = 2;
  ASSERT_TRUE(anim.MakeFrameSequence());
  EXPECT_EQ(anim.Frames[2]->Layers[0]->OffsetX, 1);
  EXPECT_EQ(anim.Frames[2]->Layers[1]->OffsetX, 2);
}

TEST_F(SequenceTest, StepsWrapAndBadIndicesSelectNothing) {
  anim.FrameCount = 3;
  AddBareLayer();
  ASSERT_TRUE(anim.MakeFrameSequence());
  anim.StepFrame(-1);
  EXPECT_EQ(anim.CurrentFrameIndex, 2);
  EXPECT_EQ(anim.CurrentFrame, anim.Frames[2].get());
  anim.StepFrame(1);
  EXPECT_EQ(anim.CurrentFrameIndex, 0);
  anim.StepFrame(2);
  EXPECT_EQ(anim.CurrentFrame, anim.Frames[2].get());
  anim.CurrentFrameIndex = 12;
  EXPECT_FALSE(anim.SelectCurrentFrame());
  EXPECT_EQ(anim.CurrentFrameIndex, -1);
  EXPECT_EQ(anim.CurrentFrame, nullptr);
  anim.FirstFrame();
  EXPECT_EQ(anim.CurrentFrame, anim.Frames[0].get());
}

TEST_F(SequenceTest, ClearingFramesNeverLeavesADanglingCurrentFrame) {
  anim.FrameCount = 4;
  AddBareLayer();
  ASSERT_TRUE(anim.MakeFrameSequence());
  anim.StepFrame(2);
  anim.Playing = true;
  anim.ClearFrames();
  EXPECT_TRUE(anim.Frames.empty());
  EXPECT_FALSE(anim.Playing);
  EXPECT_FALSE(anim.Sequenced);
  EXPECT_EQ(anim.CurrentFrame, anim.ConstructorFrame.get());
  EXPECT_EQ(anim.CurrentFrameIndex, 2);
  EXPECT_EQ(anim.RenderedFrames->Count(), 0);

  anim.FreeConstructorFrame();
  EXPECT_EQ(anim.CurrentFrame, nullptr);
  EXPECT_EQ(anim.SelectedLayer, nullptr);
  EXPECT_EQ(anim.LayerCount(), 0);
  EXPECT_FALSE(anim.MakeFrameSequence());
}

TEST_F(SequenceTest, ResourceCountsThroughAddCopyResequenceAndRemove) {
  Layer* a = AddLayerFromFile(WriteBmp("a.bmp", MakeSolidPicture(4, 3, 0x00FF00)));
  ImageResource* ref = a->ImageRef;
  auto copy = a->CopyLayer();
  copy->OffsetX = copy->OffsetY = 0;
  ++ref->NameCounter;
  anim.ConstructorFrame->Layers.insert(anim.ConstructorFrame->Layers.begin(), std::move(copy));
  EXPECT_EQ(ref->RefCount, 2);
  anim.FrameCount = 10;
  ASSERT_TRUE(anim.MakeFrameSequence());
  EXPECT_EQ(ref->RefCount, 22);
  ASSERT_TRUE(anim.MakeFrameSequence());
  EXPECT_EQ(ref->RefCount, 22);

  // "Remove layer": clear the frames, remove, recompute the size.
  anim.ClearFrames();
  EXPECT_EQ(ref->RefCount, 2);
  anim.ConstructorFrame->RemoveLayer(a);
  EXPECT_EQ(anim.SelectedLayer, nullptr);
  anim.ComputeAutoFrameSize(anim.ConstructorFrame.get());
  EXPECT_EQ(ref->RefCount, 1);
  EXPECT_EQ(anim.AutoWidth, 4);
  anim.ConstructorFrame->RemoveLayer(anim.ConstructorFrame->Layers[0].get());
  EXPECT_EQ(anim.References->Count(), 0);
  anim.ComputeAutoFrameSize(anim.ConstructorFrame.get());
  EXPECT_EQ(anim.AutoWidth, 0);
  EXPECT_EQ(anim.AutoHeight, 0);
}

// A layer beyond the layers x frames bound would make a project that saves
// but never opens again: adding it is refused before anything changes.
TEST_F(SequenceTest, AddingALayerBeyondTheLayerFramesBoundIsRefused) {
  const auto file = WriteBmp("a.bmp", MakeSolidPicture(4, 3, 0x00FF00));
  anim.FrameCount = kMaxFrameCount;
  for (int64_t i = 0; i < kMaxLayerFrames / kMaxFrameCount; ++i) AddBareLayer();
  const size_t before = anim.ConstructorFrame->Layers.size();
  try {
    anim.AddLayerFromFile(file);
    FAIL() << "a layer beyond the bound was added";
  } catch (const Kt58Error& e) {
    EXPECT_NE(std::string(e.what()).find("1001 layers over 1000 frames"), std::string::npos) << e.what();
  }
  EXPECT_EQ(anim.ConstructorFrame->Layers.size(), before);
  EXPECT_EQ(anim.References->Count(), 0);
}

TEST_F(SequenceTest, StoreFileIsDeletedWithTheLastLayerUsingIt) {
  const std::vector<Color> pal = {0, RGBColor(255, 0, 0), RGBColor(0, 255, 0), 0};
  const auto gif = WriteGif("clip.gif", MakeTinyGif(3, 2, pal, {{{1, 1, 1, 1, 1, 1}}, {{2, 2, 2, 2, 2, 2}}}));
  Layer* first = AddLayerFromFile(gif);
  ASSERT_NE(first, nullptr);
  Layer* second = AddLayerFromFile(gif);
  const std::filesystem::path data = first->ImageRef->DataFileName;
  EXPECT_EQ(data.filename(), "clip0.Dat");
  EXPECT_TRUE(std::filesystem::exists(data));
  anim.ComputeAutoFrameSize(anim.ConstructorFrame.get());
  EXPECT_EQ(anim.GetFrameSize(), (FrameSize{3, 2}));
  ASSERT_TRUE(anim.MakeFrameSequence());

  anim.ClearFrames();
  anim.ConstructorFrame->RemoveLayer(first);
  EXPECT_TRUE(std::filesystem::exists(data));
  anim.ConstructorFrame->RemoveLayer(second);
  EXPECT_FALSE(std::filesystem::exists(data));
}

TEST_F(SequenceTest, FrameSizeIsFixedOrAutomatic) {
  anim.AutoWidth = 30;
  anim.AutoHeight = 20;
  EXPECT_EQ(anim.GetFrameSize(), (FrameSize{30, 20}));
  anim.FixedFrameSize = true;
  EXPECT_EQ(anim.GetFrameSize(), (FrameSize{10, 10}));
  anim.ResetProject();
  EXPECT_EQ(anim.GetFrameSize(), (FrameSize{0, 0}));
  EXPECT_EQ(anim.FrameCount, 10);
  EXPECT_TRUE(anim.NonRenderedPlayback);
  EXPECT_EQ(anim.CurrentFrame, anim.ConstructorFrame.get());
}

TEST_F(SequenceTest, AnErrorDuringResequencingIsReportedAndClearsTheFrames) {
  anim.FrameCount = 5;
  AddBareLayer();
  int calls = 0;
  ui.on_process_messages = [&] {
    if (++calls == 4) throw std::runtime_error("handler failed");
  };
  EXPECT_FALSE(anim.MakeFrameSequence());
  EXPECT_EQ(ui.messages, (std::vector<std::string>{"Unknown Resequence Exception"}));
  EXPECT_TRUE(anim.Frames.empty());
  EXPECT_EQ(statuses.back(), "");
  EXPECT_EQ(anim.CurrentFrame, anim.ConstructorFrame.get());
}

TEST_F(SequenceTest, HandlersThatClearOrEditDuringResequencingStopItSafely) {
  anim.FrameCount = 6;
  AddBareLayer();
  AddBareLayer();
  int calls = 0;
  ui.on_process_messages = [&] {
    if (++calls == 3) anim.ClearFrames();
  };
  EXPECT_FALSE(anim.MakeFrameSequence());
  EXPECT_TRUE(anim.Frames.empty());

  // Removing every master layer mid-way: no half-made frame list is left.
  calls = 0;
  ui.on_process_messages = [&] {
    if (++calls == 4)
      while (!anim.ConstructorFrame->Layers.empty())
        anim.ConstructorFrame->RemoveLayer(anim.ConstructorFrame->Layers[0].get());
  };
  EXPECT_FALSE(anim.MakeFrameSequence());
  EXPECT_TRUE(anim.Frames.empty());
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SequenceTest, DestroyingTheAnimationGivesEveryResourceBack) {
  const std::vector<Color> pal = {0, RGBColor(255, 0, 0), RGBColor(0, 255, 0), 0};
  std::filesystem::path data;
  {
    Project local;
    Layer* l = new Layer(&local);
    local.ConstructorFrame->Layers.emplace_back(l);
    l->ImageRef = l->AddReference(WriteGif("c.gif", MakeTinyGif(1, 1, pal, {{{1}}, {{2}}})), NoProgress());
    ASSERT_NE(l->ImageRef, nullptr);
    data = l->ImageRef->DataFileName;
    ASSERT_TRUE(local.MakeFrameSequence());
    EXPECT_TRUE(std::filesystem::exists(data));
  }
  EXPECT_FALSE(std::filesystem::exists(data));
}

}  // namespace
}  // namespace kt58::test
