// SPDX-License-Identifier: GPL-3.0-or-later
// Playing the document's generated frames: whether it plays, the current
// frame (or the constructor frame of master layers while the user edits),
// the clock that tells each video layer its stored frame, the pacing at the
// animation's delay and the rates reached, and the frames composed ahead for
// rendered playback. Frames to show are composed ahead on the render
// worker's thread; the view only paints what frameComposed hands it. The
// playback bar only sends the user's commands here.
#pragma once

#include <QObject>
#include <cstdint>
#include <optional>

#include "gui/document/frame_pacer.h"
#include "render/frame_cache.h"
#include "render/frame_clock.h"
#include "render/render_worker.h"

class Document;
namespace kt58 {
class SequencedFrame;
}

class Playback final : public QObject {
  Q_OBJECT
 public:
  explicit Playback(Document& document);

  bool isPlaying() const { return playing_; }
  // The current generated frame; -1 for none.
  int currentFrame() const { return current_; }
  // The frame to draw: the constructor frame while it is shown (see
  // showConstruction), else the current generated frame; none without one.
  const kt58::SequencedFrame* shownFrame() const;
  // The clock the current frame is composed with: playing from the frame
  // playing began at, else stepping at the current frame.
  kt58::FrameClock clock() const;
  // The constructor frame is drawn until the current frame moves.
  void showConstruction();
  // Asks the worker for the shown frame, stepping at the current frame;
  // constructionComposed hands it over. Like a step, the newest request
  // wins.
  void requestConstruction();

  // Frames per second drawn, over windows of at least 1000 ms, and the best
  // window since playing began.
  double fps() const { return fps_; }
  double maxFps() const { return maxFps_; }
  // Frames passed over since playing began because they were not composed
  // when due: playing keeps its pace by showing the newest frame ready.
  int64_t skippedFrames() const { return skipped_; }

  // Composes the frames shown; its bound comes from the settings.
  kt58::RenderWorker& renderWorker() { return worker_; }
  // Keeps the render worker away from the project while it changes: returns
  // once no frame is being composed, and nothing is composed until the
  // matching resume (see ProjectChange in document.h).
  void pauseComposing() { worker_.Pause(); }
  void resumeComposing() { worker_.Resume(); }

  // The frames composed ahead for rendered playback.
  const kt58::FrameCache& renderedFrames() const { return rendered_; }
  void setRenderedFrames(kt58::FrameCache cache) { rendered_ = std::move(cache); }

  // Makes the frames anew (and, for rendered playback, composes them) and
  // plays them from the first; nothing while playing, while blocked or
  // without layers.
  void play();
  // Ends playing: frame 0 is drawn at once, and the view's next update
  // brings back the constructor frame.
  void stop();
  // Moves the current frame by delta while not playing, wrapping at both
  // ends, and has it drawn.
  void step(int delta);
  // The "Non rendered playback." mode; playing goes on in it.
  void applyPlaybackMode(bool non_rendered);
  // While the view moves a layer by keys, playing would compose frames the
  // move has not reached yet: play waits until the move ends.
  void setPlayBlocked(bool blocked) { playBlocked_ = blocked; }

  // The document made its frames anew or dropped them: playing ends without
  // a word (the next tick notices), the cache goes, frame 0 is current.
  void restart();

 signals:
  void playingChanged(bool playing);
  // The current frame is composed: the view paints the picture (none: the
  // frame has nothing to draw); frameShown follows.
  void frameComposed(const kt58::Picture* picture);
  void frameShown(int index);
  // The frame asked for by requestConstruction is composed (none: nothing
  // to draw).
  void constructionComposed(const kt58::Picture* picture);
  // The current frame or the rates changed.
  void statusChanged();

 private:
  void playLoop(bool regenerate);
  void tick();
  // Playing: shows the newest composed frame of those due by now, counting
  // the ones passed over; false when none is ready.
  bool showDueFrame();
  // Asks the worker for the frames after the one shown (playing) or for the
  // current frame (stepping).
  void requestFrames();
  void onFrameComposed();
  // The project changed under the composed frames: they are composed anew.
  void onProjectChanged();
  // What of the animation's settings every composed frame shows.
  struct Look {
    kt58::Color background = 0;
    int width = 0, height = 0;
    friend bool operator==(const Look&, const Look&) = default;
  };
  static Look lookOf(const kt58::Project& project);
  // The generated frame tick t of playing shows.
  int frameAtTick(int64_t tick) const;
  kt58::FrameRequest requestFor(int index, kt58::FrameClock clock) const;
  void showFrame(const kt58::ComposedFrame& frame, int index);
  void endLoop();
  void moveBy(int delta);
  void first();

  Document& document_;
  bool playing_ = false;
  bool construction_ = true;
  bool playBlocked_ = false;
  int current_ = -1;
  // The frame shown when playing began and the frames played since; the
  // tick the pace has reached, ahead of the one shown when composing lags.
  int playStart_ = -1;
  int64_t playTick_ = 0;
  int64_t dueTick_ = 0;
  // The tick of the first frame asked of the worker.
  int64_t wantedFrom_ = 1;
  int64_t skipped_ = 0;
  // Stepping: the frame asked for and not yet shown.
  std::optional<kt58::FrameRequest> stepWanted_;
  // The frame wanted is the one requestConstruction asked for.
  bool constructionWanted_ = false;
  // The look the cached frames were composed with.
  Look composedLook_;
  kt58::FrameCache rendered_;

  FramePacer pacer_{this, [this] { tick(); }};
  double fps_ = 0.0, maxFps_ = 0.0;
  // The start of the current rate window, in ms on the pacer's clock.
  int64_t windowStart_ = 0;
  int passes_ = 0;
  bool looping_ = false;
  // Raised by every start and end of a loop, so a pass that let events run
  // can tell that its loop was ended or replaced meanwhile.
  uint64_t run_ = 0;
  // Last: its thread ends before anything it reads goes.
  kt58::RenderWorker worker_;
};
