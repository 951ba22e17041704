// SPDX-License-Identifier: GPL-3.0-or-later
// The "Animation" page: frame setup of the whole animation (fixed frame size,
// background colour, total frames) and the hidden playback mode.
#pragma once

#include <QWidget>

#include "gui/panels/control_events.h"

class Document;
class QCheckBox;
class QSpinBox;
class ColorPicker;
class IntegerEdit;

class AnimationProperties final : public QWidget {
  Q_OBJECT
 public:
  // Fixed frame sizes are kept to this range; larger frames cannot be
  // composed in memory, smaller ones show nothing.
  static constexpr int kMinFixedSize = 1;
  static constexpr int kMaxFixedSize = 8192;

  AnimationProperties(Document& document, QWidget* parent = nullptr);

  // Shows the animation's values; no change handler fires.
  void loadAnimationControls();
  void updateControlStates();
  ControlEvents& controlEvents() { return events_; }

  void onFixedFrameSizeToggled(int merge);
  void onBackgroundColorChanged();
  void onFrameCountChanged();

  QCheckBox* fixedFrameSizeCheck_;
  IntegerEdit *fixedWidthEdit_, *fixedHeightEdit_;
  ColorPicker* backgroundColorPicker_;
  QSpinBox* frameCountSpin_;
  QWidget* playbackModeGroup_;
  QCheckBox* nonRenderedPlaybackCheck_;

 private:
  // A size edit's text at or above the range is brought into it at once; a
  // text below it when the user leaves the edit, so that "-" and a first
  // "0" can still be typed.
  void showKeptSize(IntegerEdit* edit, bool finished);

  Document& document_;
  ControlEvents events_;
  int applying_ = 0;
};
