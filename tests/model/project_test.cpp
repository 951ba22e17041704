// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>

#include "model/model_fixture.h"
#include "model/project.h"

namespace kt58::test {
namespace {

using ProjectTest = ModelTest;

// A layer beyond the layers x frames bound would make a project that saves
// but never opens again: adding it is refused before anything changes.
TEST_F(ProjectTest, AddingALayerBeyondTheLayerFramesBoundIsRefused) {
  const auto file = WriteBmp("a.bmp", MakeSolidPicture(4, 3, 0x00FF00));
  project.FrameCount = kMaxFrameCount;
  for (int64_t i = 0; i < kMaxLayerFrames / kMaxFrameCount; ++i) AddBareLayer();
  const size_t before = project.ConstructorFrame->Layers.size();
  try {
    project.AddLayerFromFile(file);
    FAIL() << "a layer beyond the bound was added";
  } catch (const Kt58Error& e) {
    EXPECT_NE(std::string(e.what()).find("1001 layers over 1000 frames"), std::string::npos) << e.what();
  }
  EXPECT_EQ(project.ConstructorFrame->Layers.size(), before);
  EXPECT_EQ(project.References->Count(), 0);
}

TEST_F(ProjectTest, FrameSizeIsFixedOrAutomatic) {
  project.AutoWidth = 30;
  project.AutoHeight = 20;
  EXPECT_EQ(project.GetFrameSize(), (FrameSize{30, 20}));
  project.FixedFrameSize = true;
  EXPECT_EQ(project.GetFrameSize(), (FrameSize{10, 10}));
  project.ResetProject();
  EXPECT_EQ(project.GetFrameSize(), (FrameSize{0, 0}));
  EXPECT_EQ(project.FrameCount, 10);
  EXPECT_TRUE(project.NonRenderedPlayback);
}

}  // namespace
}  // namespace kt58::test
