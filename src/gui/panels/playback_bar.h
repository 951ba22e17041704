// SPDX-License-Identifier: GPL-3.0-or-later
// The strip below the construction view: the frame slider, the playback
// buttons and the speed bar. It sends the user's commands to the
// document's Playback and shows its state.
#pragma once

#include <QWidget>

#include "gui/panels/control_events.h"

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
  // Buttons enabled for the project's state: play needs a layer, stepping
  // and the slider need generated frames and no playback.
  void updateControlStates();

  QToolButton *playButton_, *stopButton_, *stepBackButton_, *stepForwardButton_;
  QSlider* playSpeedSlider_;
  // The current generated frame, set by dragging while not playing.
  QSlider* frameSlider_;

 private:
  void onFrameSliderMoved(int index);
  void showFrameIndex();

  Document& document_;
  ControlEvents events_;
  int applying_ = 0;
};
