// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/document/playback.h"

#include <algorithm>

#include "gui/document/document.h"
#include "gui/document/window_progress.h"
#include "model/project.h"
#include "render/compose.h"
#include "render/frame_sequence.h"

Playback::Playback(Document& document) : document_(document) {}

const kt58::SequencedFrame* Playback::shownFrame() const {
  if (construction_) return document_.project().ConstructorFrame.get();
  return document_.sequence().Frame(current_);
}

kt58::FrameClock Playback::clock() const {
  return playing_ ? kt58::FrameClock::Playing(playStart_, playTick_) : kt58::FrameClock::Stepping(current_);
}

void Playback::showConstruction() { construction_ = true; }

void Playback::moveBy(int delta) {
  const int64_t last = static_cast<int64_t>(document_.sequence().Count()) - 1;
  int64_t index = static_cast<int64_t>(current_) + delta;
  if (index < 0)
    index = last;
  else if (index > last)
    index = 0;
  current_ = document_.sequence().Frame(static_cast<int>(index)) ? static_cast<int>(index) : -1;
  construction_ = current_ < 0;
}

void Playback::first() {
  current_ = document_.sequence().Empty() ? -1 : 0;
  construction_ = current_ < 0;
}

void Playback::restart() {
  playing_ = false;
  rendered_ = kt58::FrameCache(document_.project().GetFrameSize());
  first();
}

// ---- playing

void Playback::play() {
  if (playBlocked_ || playing_ || document_.project().LayerCount() < 1) return;
  playLoop(true);
}

void Playback::stop() {
  playing_ = false;
  if (looping_) endLoop();
}

void Playback::playLoop(bool regenerate) {
  if (regenerate) document_.Regenerate(true);
  if (document_.sequence().Empty()) return;
  // A new loop plays from the current frame; a loop resumed (in another
  // playback mode) goes on with its clock.
  if (!playing_) {
    playStart_ = current_;
    playTick_ = 0;
  }
  playing_ = true;
  looping_ = true;
  ++run_;
  pacer_.Start();
  windowStart_ = 0;
  passes_ = 0;
  fps_ = maxFps_ = 0.0;
  emit playingChanged(true);
  pacer_.WaitFor(document_.project().FrameDelay);
}

void Playback::tick() {
  if (!playing_) {
    endLoop();
    return;
  }
  if (!pacer_.Take(document_.project().FrameDelay)) return;
  const int64_t now = pacer_.Elapsed();
  if (now - windowStart_ >= 1000) {
    fps_ = passes_ * 1000.0 / static_cast<double>(now - windowStart_);
    maxFps_ = std::max(maxFps_, fps_);
    windowStart_ = now;
    passes_ = 0;
  }
  moveBy(1);
  ++playTick_;
  const uint64_t run = run_;
  if (current_ >= 0 && playing_) {
    drawCurrentFrame();  // a handler may stop playing here
    if (run != run_) return;
  }
  ++passes_;
  emit statusChanged();
  if (!playing_) {
    endLoop();
    return;
  }
  pacer_.WaitFor(document_.project().FrameDelay);
}

void Playback::drawCurrentFrame() {
  emit frameDue(clock());
  emit frameShown(current_);
}

void Playback::endLoop() {
  playing_ = false;
  looping_ = false;
  ++run_;
  pacer_.Stop();
  first();
  emit statusChanged();
  emit playingChanged(false);
}

void Playback::applyPlaybackMode(bool non_rendered) {
  const bool was_playing = playing_;
  document_.project().NonRenderedPlayback = non_rendered;
  if (!non_rendered && was_playing && rendered_.Count() == 0) {
    kt58::DialogProgress progress = WindowProgress();
    rendered_ = kt58::ComposeAllFrames(document_.project(), document_.sequence(), progress);
  }
  if (was_playing) playLoop(false);
}

// ---- stepping

void Playback::step(int delta) {
  if (playing_) return;
  moveBy(delta);
  if (current_ >= 0) drawCurrentFrame();
  emit statusChanged();
}
