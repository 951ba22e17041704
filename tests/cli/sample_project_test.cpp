// SPDX-License-Identifier: GPL-3.0-or-later
// The sample project that the build makes with the tool.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/picture.h"
#include "model/project.h"
#include "render/compose.h"
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
  ASSERT_TRUE(a.LoadFromFile(path));
  ASSERT_TRUE(a.MakeFrameSequence());
  EXPECT_EQ(a.LayerCount(), 7);
  EXPECT_EQ(a.GetFrameSize(), (FrameSize{160, 120}));
  bool has_animated_gif = false;
  for (int i = 0; i < a.References->Count(); ++i) {
    const ImageResource& r = *a.References->Item(i);
    EXPECT_TRUE(r.HasPicture()) << r.SourceFileName;
    has_animated_gif |= r.SourceType == st_Gifa;
  }
  EXPECT_TRUE(has_animated_gif);

  ASSERT_EQ(a.Frames.size(), static_cast<size_t>(a.FrameCount));
  std::vector<WorkPicture> frames;
  for (size_t i = 0; i < a.Frames.size(); ++i) {
    // Multi-frame layers show the stored frame of the frame's index.
    frames.push_back(ComposeFrame(a, a.Frames[i].get(), FrameClock::Stepping(static_cast<int>(i))));
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
