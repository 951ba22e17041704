// SPDX-License-Identifier: GPL-3.0-or-later
// The render worker composes the frames wanted on its own thread; the tests
// wait for its ready calls, never for time.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <vector>

#include "model/model_fixture.h"
#include "model/project.h"
#include "render/compose.h"
#include "render/frame_sequence.h"
#include "render/render_worker.h"

namespace kt58::test {
namespace {

class RenderWorkerTest : public ModelTest {
 protected:
  RenderWorkerTest() {
    Layer* layer = AddLayerFromFile(WriteBmp("spin.bmp", MakeRandomPicture(30, 20, 5)));
    layer->DegreesToRotate = 90;  // every generated frame differs
    project.FrameCount = 6;
    project.FixedFrameSize = true;
    project.FixedWidth = 30;
    project.FixedHeight = 20;
    sequence = MakeFrameSequence(project);
  }
  ~RenderWorkerTest() override { worker.reset(); }

  void Start(size_t max_bytes) {
    worker = std::make_unique<RenderWorker>(max_bytes, [this] {
      {
        const std::lock_guard lock(mutex);
        ++ready;
      }
      readied.notify_all();
    });
  }
  void WaitForReady(int count) {
    std::unique_lock lock(mutex);
    readied.wait(lock, [&] { return ready >= count; });
  }
  FrameRequest Request(int i) const { return {&project, sequence.Frame(i), FrameClock::Stepping(i)}; }
  std::vector<FrameRequest> Requests(std::initializer_list<int> frames) const {
    std::vector<FrameRequest> r;
    for (int i : frames) r.push_back(Request(i));
    return r;
  }
  bool IsFrame(const ComposedFrame& c, int i) const {
    WorkPicture expected = ComposeFrame(project, sequence.Frame(i), FrameClock::Stepping(i));
    return c.request.SameFrame(Request(i)) && c.picture && expected && PicturesEqual(*c.picture, *expected);
  }
  static size_t FrameBytes() { return Picture::RowBytesFor(30) * 20; }

  FrameSequence sequence;
  std::mutex mutex;
  std::condition_variable readied;
  int ready = 0;
  std::unique_ptr<RenderWorker> worker;
};

TEST_F(RenderWorkerTest, ComposesTheWantedFramesAndHandsThemOverOnce) {
  Start(size_t{64} << 20);
  worker->Want(Requests({4, 1, 3}));
  WaitForReady(3);
  for (int i : {1, 3, 4}) {
    std::optional<ComposedFrame> c = worker->Take(Request(i));
    ASSERT_TRUE(c) << i;
    EXPECT_TRUE(IsFrame(*c, i)) << i;
    EXPECT_FALSE(worker->Take(Request(i))) << "taken once";
  }
  EXPECT_EQ(worker->CachedBytes(), 0u);
}

// Playing takes the newest frame ready among those due, and no later one;
// the frames before it are passed over.
TEST_F(RenderWorkerTest, TakesTheNewestReadyFrameUpToAPosition) {
  Start(size_t{64} << 20);
  worker->Want(Requests({0, 1, 2, 3, 4}));
  WaitForReady(5);
  const struct {
    size_t last;
    int position, frame;  // position -1: none
  } table[] = {{2, 2, 2}, {0, 0, 3}, {5, 0, 4}, {0, -1, -1}};
  for (const auto& row : table) {
    auto taken = worker->TakeNewestUpTo(row.last);
    if (row.position < 0) {
      EXPECT_FALSE(taken) << row.last;
      continue;
    }
    ASSERT_TRUE(taken) << row.last;
    EXPECT_EQ(taken->first, static_cast<size_t>(row.position));
    EXPECT_TRUE(IsFrame(taken->second, row.frame)) << row.frame;
  }
  EXPECT_EQ(worker->CachedBytes(), 0u);
  EXPECT_FALSE(worker->Take(Request(0)));
}

// The cache holds two frames at a bound of two and a half: a third is
// composed only once one is taken, and frames no longer wanted leave it.
TEST_F(RenderWorkerTest, KeepsWithinItsBound) {
  Start(0);
  worker->SetMaxBytes(FrameBytes() * 5 / 2);
  worker->Want(Requests({0, 1, 2, 3, 4, 5}));
  WaitForReady(2);
  EXPECT_LE(worker->CachedBytes(), worker->MaxBytes());
  ASSERT_TRUE(worker->Take(Request(0)));
  WaitForReady(3);
  EXPECT_LE(worker->CachedBytes(), worker->MaxBytes());
  worker->Pause();
  worker->Want(Requests({5}));
  EXPECT_EQ(worker->CachedBytes(), 0u);
  worker->Resume();
  WaitForReady(4);
  ASSERT_TRUE(worker->Take(Request(5)));
  // Below one frame the bound still lets one through.
  worker->SetMaxBytes(1);
  worker->Want(Requests({2, 3}));
  WaitForReady(5);
  EXPECT_EQ(worker->CachedBytes(), FrameBytes());
}

// A change made in a pause, then Clear: what is composed afterwards is the
// changed project's frame.
TEST_F(RenderWorkerTest, FramesComposedAfterAChangeShowIt) {
  Start(size_t{64} << 20);
  worker->Want(Requests({2}));
  WaitForReady(1);
  worker->Pause();
  project.BackgroundColor = RGBColor(0, 200, 0);
  project.FixedFrameSize = true;
  project.FixedWidth = 50;
  project.FixedHeight = 40;
  worker->Clear();
  EXPECT_FALSE(worker->Take(Request(2)));
  worker->Resume();
  WaitForReady(2);
  std::optional<ComposedFrame> c = worker->Take(Request(2));
  ASSERT_TRUE(c);
  EXPECT_EQ(c->picture->Width(), 50);
  EXPECT_TRUE(IsFrame(*c, 2));
}

// Frames of one generated frame go, whatever their clock; the others stay.
TEST_F(RenderWorkerTest, DropsTheFramesOfOneGeneratedFrame) {
  Start(size_t{64} << 20);
  const FrameRequest playing{&project, sequence.Frame(1), FrameClock::Playing(0, 7)};
  std::vector<FrameRequest> wanted = Requests({0, 1, 2});
  wanted.push_back(playing);
  worker->Want(wanted);
  WaitForReady(4);
  // As an edit does it: in a pause, so that nothing is composed anew yet.
  worker->Pause();
  worker->Drop(sequence.Frame(1));
  EXPECT_FALSE(worker->Take(Request(1)));
  EXPECT_FALSE(worker->Take(playing));
  EXPECT_EQ(worker->CachedBytes(), 2 * FrameBytes());
  for (int i : {0, 2}) {
    std::optional<ComposedFrame> c = worker->Take(Request(i));
    ASSERT_TRUE(c) << i;
    EXPECT_TRUE(IsFrame(*c, i));
  }
  worker->Resume();
  // Still wanted: composed anew.
  WaitForReady(6);
  std::optional<ComposedFrame> c = worker->Take(playing);
  ASSERT_TRUE(c);
  WorkPicture expected = ComposeFrame(project, sequence.Frame(1), playing.clock);
  EXPECT_TRUE(PicturesEqual(*c->picture, *expected));
}

}  // namespace
}  // namespace kt58::test
