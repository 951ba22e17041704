// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/document/playback.h"

#include <algorithm>
#include <utility>

#include "gui/document/document.h"
#include "gui/document/window_progress.h"
#include "gui/settings.h"
#include "model/project.h"
#include "render/compose.h"
#include "render/frame_sequence.h"

namespace {

// The frames asked for ahead of the one shown while playing, at most: the
// cache's bound usually stops the worker well before.
constexpr int64_t kMaxFramesAhead = 64;

}  // namespace

Playback::Playback(Document& document)
    : document_(document), worker_(size_t{kt58::app::Settings::kDefaultPlaybackCacheMB} << 20, [this] {
        // On the worker's thread: the news goes to this object's thread.
        QMetaObject::invokeMethod(this, &Playback::onFrameComposed, Qt::QueuedConnection);
      }) {
  // Every master layer is copied into every generated frame: layers added,
  // removed or moved and a resource's frames changed may change every
  // composed frame, and they all go.
  for (auto signal : {&Document::layersChanged, &Document::framesChanged, &Document::projectReplaced})
    connect(&document_, signal, this, &Playback::onProjectChanged);
  connect(&document_, &Document::videoFramesChanged, this, &Playback::onProjectChanged);
  // A master layer's settings reach the generated frames only when they
  // are made anew (which drops them all): until then they change the
  // constructor frame alone.
  connect(&document_, &Document::layerChanged, this, [this] {
    worker_.Drop(document_.project().ConstructorFrame.get());
    requestFrames();
  });
  // The animation's settings change every frame through the background and
  // the frame size; the delay and the playback mode change none.
  connect(&document_, &Document::animationChanged, this, [this] {
    if (composedLook_ != lookOf(document_.project())) onProjectChanged();
  });
}

Playback::Look Playback::lookOf(const kt58::Project& project) {
  const kt58::FrameSize size = project.GetFrameSize();
  return {project.BackgroundColor, size.Width, size.Height};
}

const kt58::SequencedFrame* Playback::shownFrame() const {
  if (construction_) return document_.project().ConstructorFrame.get();
  return document_.sequence().Frame(current_);
}

kt58::FrameClock Playback::clock() const {
  return playing_ ? kt58::FrameClock::Playing(playStart_, playTick_) : kt58::FrameClock::Stepping(current_);
}

void Playback::showConstruction() { construction_ = true; }

void Playback::requestConstruction() {
  if (playing_) return;
  const kt58::SequencedFrame* shown = shownFrame();
  const kt58::SequencedFrame* frame = shown ? shown : document_.project().ConstructorFrame.get();
  stepWanted_.reset();
  constructionWanted_ = frame != nullptr;
  if (frame) stepWanted_ = kt58::FrameRequest{&document_.project(), frame, kt58::FrameClock::Stepping(current_)};
  requestFrames();
  if (!frame)
    emit constructionComposed(nullptr);
  else
    onFrameComposed();  // painted at once when composed already
}

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
  // The requests name frames of the sequence that went.
  stepWanted_.reset();
  constructionWanted_ = false;
  worker_.Want({});
  worker_.Clear();
  composedLook_ = lookOf(document_.project());
  first();
}

int Playback::frameAtTick(int64_t tick) const {
  // The frame after the start, wrapping, as moveBy(1) goes.
  const int64_t count = std::max(1, document_.sequence().Count());
  return static_cast<int>(((playStart_ + tick) % count + count) % count);
}

kt58::FrameRequest Playback::requestFor(int index, kt58::FrameClock clock) const {
  return {&document_.project(), document_.sequence().Frame(index), clock};
}

void Playback::requestFrames() {
  if (!playing_) {
    worker_.Want(stepWanted_ ? std::vector{*stepWanted_} : std::vector<kt58::FrameRequest>{});
    return;
  }
  const int64_t count = document_.sequence().Count();
  const int64_t ahead = std::min(count, kMaxFramesAhead);
  std::vector<kt58::FrameRequest> wanted;
  wanted.reserve(static_cast<size_t>(ahead));
  // Behind the pace, the frames already late are passed over: composing
  // goes on from the one due now.
  wantedFrom_ = std::max(playTick_ + 1, dueTick_);
  for (int64_t t = wantedFrom_; t < wantedFrom_ + ahead; ++t) {
    wanted.push_back(requestFor(frameAtTick(t), kt58::FrameClock::Playing(playStart_, t)));
  }
  worker_.Want(std::move(wanted));
}

void Playback::onProjectChanged() {
  worker_.Clear();
  composedLook_ = lookOf(document_.project());
  requestFrames();
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
    dueTick_ = 0;
    skipped_ = 0;
  }
  playing_ = true;
  looping_ = true;
  ++run_;
  stepWanted_.reset();
  constructionWanted_ = false;
  requestFrames();
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
  const int delay = document_.project().FrameDelay;
  if (!pacer_.Take(delay)) return;
  // Without a delay the pace is the worker's: the next frame is due once
  // the one before is shown, and none is ever passed over.
  if (delay > 0 || dueTick_ == playTick_) ++dueTick_;
  const uint64_t run = run_;
  showDueFrame();  // a handler may stop playing here
  if (run != run_) return;
  if (!playing_) {
    endLoop();
    return;
  }
  // A frame not ready without a delay: its arrival wakes the pacer.
  if (delay > 0 || dueTick_ == playTick_) pacer_.WaitFor(delay);
}

bool Playback::showDueFrame() {
  if (dueTick_ < wantedFrom_) return false;
  // Wanted position i holds tick wantedFrom_ + i.
  auto ready = worker_.TakeNewestUpTo(static_cast<size_t>(dueTick_ - wantedFrom_));
  if (!ready) return false;
  const int64_t tick = wantedFrom_ + static_cast<int64_t>(ready->first);
  skipped_ += tick - playTick_ - 1;
  playTick_ = tick;
  current_ = frameAtTick(playTick_);
  construction_ = false;
  const int64_t now = pacer_.Elapsed();
  if (now - windowStart_ >= 1000) {
    fps_ = passes_ * 1000.0 / static_cast<double>(now - windowStart_);
    maxFps_ = std::max(maxFps_, fps_);
    windowStart_ = now;
    passes_ = 0;
  }
  requestFrames();
  const uint64_t run = run_;
  showFrame(ready->second, current_);
  if (run != run_) return true;
  ++passes_;
  emit statusChanged();
  return true;
}

void Playback::showFrame(const kt58::ComposedFrame& frame, int index) {
  emit frameComposed(frame.picture.get());
  emit frameShown(index);
}

void Playback::onFrameComposed() {
  if (playing_) {
    const uint64_t run = run_;
    if (showDueFrame() && run == run_ && playing_ && document_.project().FrameDelay <= 0) pacer_.WakeNow();
    return;
  }
  if (!stepWanted_) return;
  std::optional<kt58::ComposedFrame> ready = worker_.Take(*stepWanted_);
  if (!ready) return;
  stepWanted_.reset();
  requestFrames();
  if (std::exchange(constructionWanted_, false))
    emit constructionComposed(ready->picture.get());
  else
    showFrame(*ready, current_);
}

void Playback::endLoop() {
  playing_ = false;
  looping_ = false;
  ++run_;
  pacer_.Stop();
  worker_.Want({});
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
  // The newest request wins: a frame asked for before and not yet shown is
  // no longer wanted.
  stepWanted_.reset();
  constructionWanted_ = false;
  if (current_ >= 0) stepWanted_ = requestFor(current_, kt58::FrameClock::Stepping(current_));
  requestFrames();
  onFrameComposed();  // shown at once when it is composed already
  emit statusChanged();
}
