// SPDX-License-Identifier: GPL-3.0-or-later
// Which generated frame the desktop app shows and whether it is playing:
// the current frame (or the constructor frame of master layers while the
// user edits), the clock that tells each video layer its stored frame, and
// the frames composed ahead for rendered playback.
#pragma once

#include <cstdint>

#include "render/frame_cache.h"
#include "render/frame_clock.h"

namespace kt58 {
class FrameSequence;
class SequencedFrame;
class Project;
}  // namespace kt58

class Playback final {
 public:
  Playback(const kt58::Project& project, const kt58::FrameSequence& sequence);
  Playback(const Playback&) = delete;
  Playback& operator=(const Playback&) = delete;
  // The document's project after it replaced the last one.
  void setProject(const kt58::Project& project) { project_ = &project; }

  bool isPlaying() const { return playing_; }
  // Starting makes the current frame the clock's start (tick 0); ending
  // leaves the frame where it is.
  void setPlaying(bool playing);

  // The current generated frame; -1 for none.
  int currentFrame() const { return current_; }
  // The frame to draw: the constructor frame while it is shown (see
  // showConstruction), else the current generated frame; none without one.
  const kt58::SequencedFrame* shownFrame() const;
  // The clock the shown frame is composed with: playing from the frame
  // playing began at, else stepping at the current frame.
  kt58::FrameClock clock() const;

  // Moves the current frame by delta, wrapping at both ends (none without
  // frames); while playing, one more frame played.
  void step(int delta);
  // Frame 0 current (none without frames), the constructor frame no longer
  // shown.
  void first();
  // The constructor frame is drawn until the current frame moves.
  void showConstruction();

  // The frames composed ahead for rendered playback.
  const kt58::FrameCache& renderedFrames() const { return rendered_; }
  void setRenderedFrames(kt58::FrameCache cache) { rendered_ = std::move(cache); }

  // The sequence was made anew or dropped: playing stops, the cache goes,
  // and frame 0 is current (none without frames).
  void restart();

 private:
  // The document's, which outlive the playback.
  const kt58::Project* project_;
  const kt58::FrameSequence& sequence_;
  bool playing_ = false;
  bool construction_ = true;
  int current_ = -1;
  // The frame shown when playing began and the frames played since.
  int playStart_ = -1;
  int64_t playTick_ = 0;
  kt58::FrameCache rendered_;
};
