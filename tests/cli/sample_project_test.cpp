// SPDX-License-Identifier: GPL-3.0-or-later
// The sample project that the build makes with the tool.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/picture.h"
#include "model/project.h"
#include "render/compose.h"
#include "render/frame_sequence.h"
#include "model/image_resource.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

namespace fs = std::filesystem;

bool SamePixels(const Picture& a, const Picture& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (test::PixelColor(a, x, y) != test::PixelColor(b, x, y)) return false;
  return true;
}

TEST(SampleProject, LoadsAndEveryFrameRenders) {
  test::TempDir dir;  // private program folder for the frame stores
  const fs::path path = fs::path(KT58_BINARY_DIR) / "Projects" / "Dovrenkal.apf";
  ASSERT_TRUE(fs::exists(path)) << path;
  EXPECT_LT(fs::file_size(path), 1u << 20);

  Project a;
  const ProjectReadResult read = a.ReadFromFile(path);
  ASSERT_TRUE(read.ok) << read.message;
  const FrameSequence sequence = MakeFrameSequence(a);
  ASSERT_FALSE(sequence.Empty());
  EXPECT_EQ(a.LayerCount(), 7);
  EXPECT_EQ(a.GetFrameSize(), (FrameSize{160, 120}));
  bool has_animated_gif = false;
  for (int i = 0; i < a.References->Count(); ++i) {
    const ImageResource& r = *a.References->Item(i);
    EXPECT_TRUE(r.HasPicture()) << r.SourceFileName;
    has_animated_gif |= r.SourceType == st_Gifa;
  }
  EXPECT_TRUE(has_animated_gif);

  ASSERT_EQ(sequence.Count(), a.FrameCount);
  std::vector<WorkPicture> frames;
  for (int i = 0; i < sequence.Count(); ++i) {
    // Multi-frame layers show the stored frame of the frame's index.
    frames.push_back(ComposeFrame(a, sequence.Frame(i), FrameClock::Stepping(i)));
    ASSERT_TRUE(frames.back()) << "frame " << i;
    EXPECT_EQ(frames.back()->Width(), 160);
    EXPECT_EQ(frames.back()->Height(), 120);
  }
  // The effects move: no two neighbouring frames are alike.
  for (size_t i = 1; i < frames.size(); ++i)
    EXPECT_FALSE(SamePixels(*frames[i - 1], *frames[i])) << "frames " << i - 1 << " and " << i;
}

}  // namespace
}  // namespace kt58
