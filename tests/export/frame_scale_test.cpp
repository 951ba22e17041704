// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/frame_scale.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <utility>

#include "engine/bmp_codec.h"
#include "export/bitmap_sequence.h"
#include "export/export_fixture.h"
#include "export/single_frame.h"
#include "platform/picture_scaler.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

using test::TempDir;

TEST(OutputSize, OneSideFollowsTheAspectToTheNearestPixel) {
  const struct {
    OutputSize size;
    int frame_width, frame_height;
    std::pair<int, int> want;
  } cases[] = {
      {{}, 15, 6, {15, 6}},
      {{10, 0}, 15, 6, {10, 4}},      // 4.0
      {{7, 0}, 15, 6, {7, 3}},        // 2.8 up
      {{0, 5}, 15, 6, {13, 5}},       // 12.5: halves round up
      {{1, 0}, 15, 6, {1, 1}},        // 0.4, at least one pixel
      {{0, 1}, 6, 15, {1, 1}},
      {{20, 30}, 15, 6, {20, 30}},    // both sides: the aspect is not kept
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.size.For(c.frame_width, c.frame_height), c.want) << c.size.width << "x" << c.size.height;
}

// What an export writes at a size equals the composed frame passed through
// the same scaler: shrinking, growing and one side each way.
TEST(FrameScale, ExportsWriteTheComposedFrameScaled) {
  TempDir dir;
  auto a = test::MakeStillProject(dir, 15, 6, 3, 100, 30);
  for (const OutputSize size : {OutputSize{7, 3}, OutputSize{31, 13}, OutputSize{0, 9}, OutputSize{5, 0}}) {
    WorkPicture composed = test::RenderStoredFrame(a, 1);
    const auto [width, height] = size.For(composed->Width(), composed->Height());
    Picture want(width, height);
    PictureScaler().Scale(composed->Bits(), composed->Width(), composed->Height(), want.Bits(), width, height);

    ExportSingleFrame(*a, a.sequence, 1, dir / "f.bmp", size);
    EXPECT_EQ(test::ReadFileBytes(dir / "f.bmp"), EncodeBmp(want)) << width << "x" << height;

    SequenceFiles files;
    files.frames = {1, 1, 1};
    files.size = size;
    const SequenceResult r = ExportBitmapSequence(*a, a.sequence, dir.path(), "s#", 0, {}, files);
    ASSERT_EQ(r.saved, 1);
    EXPECT_EQ(test::ReadFileBytes(dir / r.names[0]), EncodeBmp(want)) << width << "x" << height;
  }
}

}  // namespace
}  // namespace kt58
