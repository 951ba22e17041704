// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/document/playback.h"

#include "render/frame_sequence.h"

Playback::Playback(const kt58::Project& project, const kt58::FrameSequence& sequence)
    : project_(&project), sequence_(sequence) {}

void Playback::setPlaying(bool playing) {
  if (playing == playing_) return;
  playing_ = playing;
  if (playing) {
    playStart_ = current_;
    playTick_ = 0;
  }
}

const kt58::SequencedFrame* Playback::shownFrame() const {
  if (construction_) return project_->ConstructorFrame.get();
  return sequence_.Frame(current_);
}

kt58::FrameClock Playback::clock() const {
  return playing_ ? kt58::FrameClock::Playing(playStart_, playTick_) : kt58::FrameClock::Stepping(current_);
}

void Playback::step(int delta) {
  const int64_t last = static_cast<int64_t>(sequence_.Count()) - 1;
  int64_t index = static_cast<int64_t>(current_) + delta;
  if (index < 0)
    index = last;
  else if (index > last)
    index = 0;
  current_ = sequence_.Frame(static_cast<int>(index)) ? static_cast<int>(index) : -1;
  construction_ = current_ < 0;
  if (playing_) ++playTick_;
}

void Playback::first() {
  current_ = sequence_.Empty() ? -1 : 0;
  construction_ = current_ < 0;
}

void Playback::showConstruction() { construction_ = true; }

void Playback::restart() {
  setPlaying(false);
  rendered_ = kt58::FrameCache(project_->GetFrameSize());
  first();
}
