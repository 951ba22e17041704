// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/memory_plan.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/memory_budget.h"

namespace kt58 {
namespace {

constexpr uint64_t kMiB = uint64_t{1} << 20;

// A project whose frames are width x height (a fixed size: no layers needed).
std::unique_ptr<Project> Sized(int width, int height) {
  auto p = std::make_unique<Project>();
  p->FixedFrameSize = true;
  p->FixedWidth = width;
  p->FixedHeight = height;
  return p;
}

// Every frame size the exports meet keeps each encoder's own settings, so
// their files stay as they were; only frames too large for the budget get
// fewer threads and less lookahead, and a plan's peak is always within it.
TEST(MemoryPlan, EncodersKeepTheirDefaultsUntilTheFrameIsTooLarge) {
  const struct {
    VideoFormat format;
    int width, height;
    uint64_t budget_mb;
    bool defaults;
  } cases[] = {
      {VideoFormat::Mp4, 1920, 1080, 1024, true},   {VideoFormat::WebM, 1920, 1080, 1024, true},
      {VideoFormat::WebP, 3840, 2160, 1024, true},  {VideoFormat::Apng, 3840, 2160, 1024, true},
      {VideoFormat::Mp4, 8192, 4096, 4096, false},  {VideoFormat::Mp4, 8192, 4096, 2000, false},
      {VideoFormat::WebM, 8192, 4096, 4096, false}, {VideoFormat::WebM, 8192, 4096, 3000, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(VideoFormatName(c.format)) + " " + std::to_string(c.width) + "x" +
                 std::to_string(c.height) + " in " + std::to_string(c.budget_mb) + " MB");
    const EncoderPlan plan = PlanVideoEncoder(c.format, *Sized(c.width, c.height), {}, c.budget_mb * kMiB);
    EXPECT_LE(plan.bytes, c.budget_mb * kMiB);
    EXPECT_EQ(plan.threads == 0 && plan.lookahead == -1, c.defaults);
    if (!c.defaults) {
      EXPECT_GE(plan.threads, 1);
    }
  }
  // A smaller budget never plans more threads or lookahead.
  const auto huge = Sized(8192, 4096);
  const EncoderPlan roomy = PlanVideoEncoder(VideoFormat::Mp4, *huge, {}, 4096 * kMiB);
  const EncoderPlan tight = PlanVideoEncoder(VideoFormat::Mp4, *huge, {}, 2000 * kMiB);
  EXPECT_LE(tight.threads, roomy.threads);
  EXPECT_LE(tight.lookahead, roomy.lookahead);
}

TEST(MemoryPlan, WhatCannotFitIsRefusedWithItsNumbers) {
  const auto huge = Sized(8192, 4096);
  try {
    PlanVideoEncoder(VideoFormat::WebM, *huge, {}, 1536 * kMiB);
    FAIL() << "no refusal";
  } catch (const ENotEnoughMemory& e) {
    const std::string text = e.what();
    EXPECT_EQ(text.rfind("Exporting 8192 x 4096 frames as WebM needs about ", 0), 0u) << text;
    EXPECT_NE(text.find(" MB of memory; the memory limit is 1536 MB"), std::string::npos) << text;
  }
  // The scaled size is what the encoder holds; the composed one is ours.
  EXPECT_NO_THROW(PlanVideoEncoder(VideoFormat::WebM, *huge, OutputSize{1024, 512}, 1536 * kMiB));
  EXPECT_THROW(CheckFrameAtATime("BMP", *huge, {}, 256 * kMiB), ENotEnoughMemory);
  EXPECT_NO_THROW(CheckFrameAtATime("BMP", *huge, {}, 1024 * kMiB));
  EXPECT_THROW(PlanGifFramesInFlight(*huge, {}, 5, 256 * kMiB), ENotEnoughMemory);
  // Frames written larger than composed are planned at the written size.
  EXPECT_THROW(PlanGifFramesInFlight(*Sized(1024, 512), OutputSize{8192, 4096}, 5, 256 * kMiB), ENotEnoughMemory);
}

TEST(MemoryPlan, GifFramesInFlightShrinkWithTheBudget) {
  EXPECT_EQ(PlanGifFramesInFlight(*Sized(640, 480), {}, 5, 1024 * kMiB), 5);
  const auto huge = Sized(8192, 4096);
  const int roomy = PlanGifFramesInFlight(*huge, {}, 9, 4096 * kMiB);
  const int tight = PlanGifFramesInFlight(*huge, {}, 9, 1024 * kMiB);
  EXPECT_GE(tight, 1);
  EXPECT_LT(tight, roomy);
}

TEST(MemoryPlan, TheBudgetIsSetInOnePlace) {
  const uint64_t fallback = DefaultMemoryBudget();
  EXPECT_GT(fallback, 0u);
  EXPECT_LE(fallback, uint64_t{4} << 30);
  EXPECT_EQ(MemoryBudget(), fallback);
  SetMemoryBudget(512 * kMiB);
  EXPECT_EQ(MemoryBudget(), 512 * kMiB);
  SetMemoryBudget(0);
  EXPECT_EQ(MemoryBudget(), fallback);
}

}  // namespace
}  // namespace kt58
