// SPDX-License-Identifier: GPL-3.0-or-later
// The strip below the construction view: the frame slider, the playback
// buttons and the speed bar playSpeedSlider_. Playback runs on the event loop: a
// precise single-shot timer wakes the loop when the frame delay has passed,
// so the window stays responsive and a wait between frames costs no
// processor time.
#pragma once

#include <QWidget>
#include <cstdint>

#include "gui/panels/control_events.h"
#include "render/frame_clock.h"
#include "gui/document/frame_pacer.h"

class Document;
class QSlider;
class QToolButton;

class PlaybackBar final : public QWidget {
  Q_OBJECT
 public:
  PlaybackBar(Document& document, QWidget* parent = nullptr);

  // The bar shows 100 - FrameDelay; no change handler fires.
  void loadAnimationControls();
  ControlEvents& controlEvents() { return events_; }
  void onPlaySpeedChanged();

  void play();
  void stop();
  void stepBack() { step(-1); }
  void stepForward() { step(1); }
  // Moves the current generated frame by delta while not playing.
  void step(int delta);
  // While the view moves a layer by keys, playing would compose frames the
  // move has not reached yet: play waits until the move ends.
  void setPlayBlocked(bool blocked) { playBlocked_ = blocked; }
  // Starts playing the generated frames; with regenerate the frames are
  // made anew first (and, for rendered playback, composed into the cache).
  void playLoop(bool regenerate);
  // Ends playback: generated frame 0 is shown at once, and the next tick of
  // the update timer shows the constructor frame again.
  void stopPlayback();
  // The "Non rendered playback." mode; playback in progress goes on in it.
  void applyPlaybackMode(bool non_rendered);
  // Buttons enabled for the project's state: play needs a layer, stepping
  // and the slider need generated frames and no playback.
  void updateControlStates();

  QToolButton *playButton_, *stopButton_, *stepBackButton_, *stepForwardButton_;
  QSlider* playSpeedSlider_;
  // The current generated frame, set by dragging while not playing.
  QSlider* frameSlider_;
  // Frames per second drawn, over windows of at least 1000 ms, and the best
  // window since playback began.
  double fps_ = 0.0, maxFps_ = 0.0;

 signals:
  // Playback started or ended: the window enables its commands anew, the
  // view gives the canvas over to the generated frames or takes it back.
  void playingChanged(bool playing);
  // The document's current generated frame is due on screen (playing or
  // stepping); frameShown follows once it is drawn.
  void currentFrameDue(kt58::FrameClock clock);
  // The frame counter or the rates changed.
  void statusChanged();
  // A generated frame was drawn in the view.
  void frameShown(int index);

 private:
  void onFrameSliderMoved(int index);
  void tick();
  void drawCurrentFrame();
  void showFrameIndex();

  Document& document_;
  bool playBlocked_ = false;
  ControlEvents events_;
  int applying_ = 0;

  FramePacer pacer_{this, [this] { tick(); }};
  // The start of the current rate window, in ms on the pacer's clock.
  int64_t window_start_ = 0;
  int passes_ = 0;
  bool looping_ = false;
  // Raised by every start and end of a loop, so a pass that let events run
  // can tell that its loop was ended or replaced meanwhile.
  uint64_t run_ = 0;
};
