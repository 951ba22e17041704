// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/frame_sequence.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "model/image_resource.h"
#include "model/model_fixture.h"
#include "model/project.h"
#include "support/recording_progress.h"

namespace kt58::test {
namespace {

using FrameSequenceTest = ModelTest;

template <typename F>
std::vector<decltype(std::declval<F>()(std::declval<const Layer&>()))> PerFrame(const FrameSequence& s, F f,
                                                                                    int layer = 0) {
  std::vector<decltype(f(std::declval<const Layer&>()))> out;
  for (int i = 0; i < s.Count(); ++i) out.push_back(f(*s.Frame(i)->Layers.at(static_cast<size_t>(layer))));
  return out;
}

TEST_F(FrameSequenceTest, FadeTables) {
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
    project.FrameCount = c.frames;
    Layer* l = AddBareLayer();
    l->FadeMode = c.mode;
    l->FadeStart = c.start;
    l->FadeFinal = c.final_;
    l->Transparency = c.base;
    {
      const FrameSequence s = MakeFrameSequence(project);
      EXPECT_EQ(PerFrame(s, [](const Layer& x) { return int{x.Transparency}; }), c.expected) << c.name;
    }
    EXPECT_EQ(l->Transparency, c.base) << c.name << ": the master keeps its value";
    project.ConstructorFrame->RemoveLayer(l);
  }
}

TEST_F(FrameSequenceTest, AnglesAreInterpolatedAndKeptAsReals) {
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
    project.FrameCount = c.frames;
    Layer* l = AddBareLayer();
    l->StartAngle = l->Angle = c.start;
    l->DegreesToRotate = c.degrees;
    {
      const FrameSequence s = MakeFrameSequence(project);
      const auto angles = PerFrame(s, [](const Layer& x) { return x.Angle; });
      ASSERT_EQ(angles.size(), c.expected.size());
      for (size_t i = 0; i < angles.size(); ++i) EXPECT_DOUBLE_EQ(angles[i], c.expected[i]) << "frame " << i;
    }
    project.ConstructorFrame->RemoveLayer(l);
  }
}

TEST_F(FrameSequenceTest, PixelRotateShiftsFollowTheResourceSize) {
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
    project.FrameCount = c.frames;
    Layer* l = AddLayerFromFile(tall);
    l->PixelRotate = true;
    l->PixelRotateDirection = c.direction;
    {
      const FrameSequence s = MakeFrameSequence(project);
      EXPECT_EQ(PerFrame(s, [](const Layer& x) { return int{x.PixelRotateShift}; }), c.expected)
          << "direction " << c.direction;
    }
    EXPECT_EQ(l->PixelRotateShift, 0);
    project.ConstructorFrame->RemoveLayer(l);
  }
}

TEST_F(FrameSequenceTest, ReportsEachFrameAndKeepsTheMasterOrder) {
  RecordingProgress progress;
  FrameSequence s = MakeFrameSequence(project, progress);
  EXPECT_TRUE(s.Empty()) << "no layers, no frames";
  EXPECT_FALSE(s.Sequenced());
  EXPECT_EQ(s.Frame(0), nullptr);
  EXPECT_TRUE(progress.steps.empty());

  project.FrameCount = 3;
  AddBareLayer()->OffsetX = 2;
  AddBareLayer()->OffsetX = 1;
  s = MakeFrameSequence(project, progress);
  EXPECT_EQ(progress.steps, (std::vector<ProgressStep>{{"Creating Frame : 0", 0, 3},
                                                        {"Creating Frame : 1", 1, 3},
                                                        {"Creating Frame : 2", 2, 3}}));
  ASSERT_EQ(s.Count(), 3);
  EXPECT_TRUE(s.Sequenced());
  for (int i = 0; i < s.Count(); ++i) {
    ASSERT_NE(s.Frame(i), nullptr);
    ASSERT_EQ(s.Frame(i)->Layers.size(), 2u);
    EXPECT_NE(s.Frame(i)->Layers[0].get(), project.ConstructorFrame->Layers[0].get()) << "copies, not the masters";
    EXPECT_EQ(s.Frame(i)->Layers[0]->OffsetX, 1);
    EXPECT_EQ(s.Frame(i)->Layers[1]->OffsetX, 2);
  }
  EXPECT_EQ(s.Frame(-1), nullptr);
  EXPECT_EQ(s.Frame(3), nullptr);

  // One frame is no animation to play or export.
  project.FrameCount = 1;
  s = MakeFrameSequence(project);
  EXPECT_EQ(s.Count(), 1);
  EXPECT_FALSE(s.Sequenced());
}

TEST_F(FrameSequenceTest, CancellingStopsAndGivesEveryResourceBack) {
  Layer* l = AddLayerFromFile(WriteBmp("a.bmp", MakeSolidPicture(4, 3, 0x00FF00)));
  ASSERT_NE(l, nullptr);
  project.FrameCount = 6;
  RecordingProgress progress;
  progress.cancel_after = 3;
  EXPECT_THROW(MakeFrameSequence(project, progress), Cancelled);
  EXPECT_EQ(progress.steps.size(), 3u) << "no frame made after the request";
  EXPECT_EQ(l->ImageRef->RefCount, 1) << "the frames made before it are gone again";
}

TEST_F(FrameSequenceTest, ResourceCountsThroughAddCopyResequenceAndRemove) {
  Layer* a = AddLayerFromFile(WriteBmp("a.bmp", MakeSolidPicture(4, 3, 0x00FF00)));
  ImageResource* ref = a->ImageRef;
  auto copy = a->CopyLayer();
  copy->OffsetX = copy->OffsetY = 0;
  ++ref->NameCounter;
  project.ConstructorFrame->Layers.insert(project.ConstructorFrame->Layers.begin(), std::move(copy));
  EXPECT_EQ(ref->RefCount, 2);
  project.FrameCount = 10;
  FrameSequence sequence = MakeFrameSequence(project);
  EXPECT_EQ(ref->RefCount, 22);
  // A new sequence replaces the old one: the old frames' counts go back.
  sequence = MakeFrameSequence(project);
  EXPECT_EQ(ref->RefCount, 22);

  // "Remove layer": drop the frames, remove, recompute the size.
  sequence = FrameSequence();
  EXPECT_EQ(ref->RefCount, 2);
  project.ConstructorFrame->RemoveLayer(a);
  project.ComputeAutoFrameSize(project.ConstructorFrame.get());
  EXPECT_EQ(ref->RefCount, 1);
  EXPECT_EQ(project.AutoWidth, 4);
  project.ConstructorFrame->RemoveLayer(project.ConstructorFrame->Layers[0].get());
  EXPECT_EQ(project.References->Count(), 0);
  project.ComputeAutoFrameSize(project.ConstructorFrame.get());
  EXPECT_EQ(project.AutoWidth, 0);
  EXPECT_EQ(project.AutoHeight, 0);
}

TEST_F(FrameSequenceTest, StoreFileIsDeletedWithTheLastLayerUsingIt) {
  const std::vector<Color> pal = {0, RGBColor(255, 0, 0), RGBColor(0, 255, 0), 0};
  const auto gif = WriteGif("clip.gif", MakeTinyGif(3, 2, pal, {{{1, 1, 1, 1, 1, 1}}, {{2, 2, 2, 2, 2, 2}}}));
  Layer* first = AddLayerFromFile(gif);
  ASSERT_NE(first, nullptr);
  Layer* second = AddLayerFromFile(gif);
  const std::filesystem::path data = first->ImageRef->DataFileName;
  EXPECT_EQ(data.filename(), "clip0.Dat");
  EXPECT_TRUE(std::filesystem::exists(data));
  project.ComputeAutoFrameSize(project.ConstructorFrame.get());
  EXPECT_EQ(project.GetFrameSize(), (FrameSize{3, 2}));
  FrameSequence sequence = MakeFrameSequence(project);
  ASSERT_EQ(sequence.Count(), project.FrameCount);

  project.ConstructorFrame->RemoveLayer(first);
  EXPECT_TRUE(std::filesystem::exists(data));
  project.ConstructorFrame->RemoveLayer(second);
  EXPECT_TRUE(std::filesystem::exists(data)) << "the generated frames still show it";
  sequence = FrameSequence();
  EXPECT_FALSE(std::filesystem::exists(data));
}

TEST_F(FrameSequenceTest, DroppingTheSequenceThenTheProjectGivesEveryResourceBack) {
  const std::vector<Color> pal = {0, RGBColor(255, 0, 0), RGBColor(0, 255, 0), 0};
  std::filesystem::path data;
  {
    Project local;
    Layer* l = new Layer(*local.References);
    local.ConstructorFrame->Layers.emplace_back(l);
    l->ImageRef = l->AddReference(WriteGif("c.gif", MakeTinyGif(1, 1, pal, {{{1}}, {{2}}})), NoProgress());
    ASSERT_NE(l->ImageRef, nullptr);
    data = l->ImageRef->DataFileName;
    const FrameSequence sequence = MakeFrameSequence(local);
    ASSERT_TRUE(sequence.Sequenced());
    EXPECT_TRUE(std::filesystem::exists(data));
  }
  EXPECT_FALSE(std::filesystem::exists(data));
}

}  // namespace
}  // namespace kt58::test
