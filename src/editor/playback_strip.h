// The strip below the construction view: room for the playback buttons and
// the speed bar tbPlaySpeed.
#pragma once

#include <QWidget>

#include "editor/control_events.h"

class EditorDocument;
class TKeshTrackBar;

class PlaybackStrip final : public QWidget {
  Q_OBJECT
 public:
  PlaybackStrip(EditorDocument& document, QWidget* parent = nullptr);

  // The bar shows 100 - FrameDelay; no change handler fires.
  void LoadAnimationControls();
  ControlEvents& Events() { return events_; }
  void tbPlaySpeedChange();

  TKeshTrackBar* tbPlaySpeed;

 private:
  EditorDocument& document_;
  ControlEvents events_;
  int applying_ = 0;
};
