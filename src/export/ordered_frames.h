// SPDX-License-Identifier: GPL-3.0-or-later
// The frames of an export composed on every core and handed to the writer
// in order. Composition is a function of the project, the frame and its
// clock, so the frames may be made in any order on any thread: what the
// writer gets is the same picture for picture as composing them one after
// another on its own thread.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/picture.h"
#include "export/frame_scale.h"
#include "model/project.h"
#include "render/frame_clock.h"
#include "render/frame_sequence.h"

namespace kt58 {

// Which clock frame i of the animation is composed with (FrameClock's
// Stepping for most exports).
using ClockOfFrame = FrameClock (*)(int index);

class OrderedFrames {
 public:
  // Composes frame frames[k] of the sequence with clock(frames[k]), scaled
  // to `size`, for k = 0, 1, ... on WorkerThreads() threads (at most
  // `slots`), into a ring of `slots` (at least 1) frame-sized pictures that
  // are reused: at most that many frames are composed and not yet done
  // with. The project and the sequence must not change until the object is
  // gone.
  OrderedFrames(const Project& project, const FrameSequence& sequence, std::vector<int> frames, ClockOfFrame clock,
                const OutputSize& size, size_t slots);
  // Stops the threads (each ends after the frame it is composing) and joins
  // them, whether or not every frame was taken.
  ~OrderedFrames();
  OrderedFrames(const OrderedFrames&) = delete;
  OrderedFrames& operator=(const OrderedFrames&) = delete;

  size_t Count() const { return frames_.size(); }

  // Waits for the next frame in order and gives its picture; null for a
  // frame that has none (not in the sequence, or without layers). The
  // picture is the caller's until the next call, to read, change or move
  // out. Raises what composing or scaling that frame raised; the frames
  // after it go on. A call after the last frame raises std::out_of_range.
  Picture* Next();

 private:
  struct Slot;

  void Work();
  void Make(size_t k, Slot& slot);
  void Stop() noexcept;

  const Project& project_;
  const FrameSequence& sequence_;
  const std::vector<int> frames_;
  const ClockOfFrame clock_;
  std::vector<std::unique_ptr<Slot>> slots_;

  std::mutex mutex_;
  std::condition_variable room_;   // a slot is free, or stopping
  std::condition_variable ready_;  // a frame is done
  size_t claimed_ = 0;             // frames handed to a thread
  size_t released_ = 0;            // frames the caller is done with
  size_t taken_ = 0;               // frames given to the caller
  bool stopping_ = false;
  std::vector<std::thread> threads_;  // last: started once the rest exists
};

}  // namespace kt58
