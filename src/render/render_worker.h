// SPDX-License-Identifier: GPL-3.0-or-later
// Composes wanted frames ahead of display on a thread of its own, into a
// cache bounded in bytes. The owner's thread says which frames it wants next
// (the newest wish replaces the older ones), takes the composed pictures and
// pauses the worker around every change to the project: the worker reads the
// project, its generated frames and its resources only while not paused, so
// a change never meets a frame being composed.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "engine/picture.h"
#include "model/project.h"
#include "render/frame_clock.h"

namespace kt58 {

// One frame to compose: a generated frame of the project with its clock.
struct FrameRequest {
  const Project* project = nullptr;
  const SequencedFrame* frame = nullptr;
  FrameClock clock;
  bool SameFrame(const FrameRequest& o) const { return frame == o.frame && clock == o.clock; }
};

// A composed frame. No picture: the frame has nothing to draw (no layers, or
// composing failed), which is an answer all the same.
struct ComposedFrame {
  FrameRequest request;
  std::shared_ptr<const Picture> picture;
};

class RenderWorker {
 public:
  // `ready` runs on the worker's thread after each frame it stored; it must
  // only hand the news on to the owner's thread.
  RenderWorker(size_t max_bytes, std::function<void()> ready);
  ~RenderWorker();
  RenderWorker(const RenderWorker&) = delete;
  RenderWorker& operator=(const RenderWorker&) = delete;

  // The frames wanted, most urgent first. Composed frames not among them
  // leave the cache; a frame being composed that is no longer wanted is
  // thrown away when done.
  void Want(std::vector<FrameRequest> wanted);
  // The composed frame for the request, taken out of the cache and no
  // longer wanted; none while it is not ready.
  std::optional<ComposedFrame> Take(const FrameRequest& request);
  // The ready frame that comes last in the wanted list at or before `last`
  // (an index into it), taken with its index; it and the frames before it
  // are no longer wanted. None when none of them is ready.
  std::optional<std::pair<size_t, ComposedFrame>> TakeNewestUpTo(size_t last);
  // Drops every composed frame (the project changed under them).
  void Clear();
  // Drops the composed pictures of one frame, whatever their clock (the
  // frame's layers changed).
  void Drop(const SequencedFrame* frame);

  // Returns once no frame is being composed; nothing is composed until the
  // matching Resume. Pauses nest.
  void Pause();
  void Resume();

  // The bound of the cache. At least one frame is kept whatever its size,
  // so that any frame can be shown; the frame being composed and the one
  // its taker holds come on top.
  void SetMaxBytes(size_t max_bytes);
  size_t MaxBytes() const;
  size_t CachedBytes() const;
  // Test hook: while held, the worker stops before composing its next frame
  // (not in a pause: Pause does not wait for it). Releasing lets it go on.
  void HoldForTest(bool held);

 private:
  void Run();
  // The first wanted frame not cached, if the cache has room for it.
  std::optional<FrameRequest> NextJob() const;
  static size_t FrameBytes(const Picture* picture);

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<FrameRequest> wanted_;
  std::vector<ComposedFrame> cache_;
  size_t cachedBytes_ = 0;
  size_t maxBytes_;
  int pauses_ = 0;
  bool busy_ = false;
  bool held_ = false;
  bool stop_ = false;
  // Raised by Clear and Drop: a frame composed from the project as it was
  // before is not stored.
  uint64_t generation_ = 0;
  std::function<void()> ready_;
  std::thread thread_;
};

}  // namespace kt58
