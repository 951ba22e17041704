// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/widgets/track_bar.h"

TrackBar::TrackBar(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
  // With tracking the value follows the thumb during a drag, so the release
  // has nothing left to report; without it every drag would end in one more
  // change.
  setTracking(true);
  setTickPosition(QSlider::TicksBelow);
  setTickInterval(1);
  setRange(0, 10);
  connect(this, &QSlider::valueChanged, this, [this] { emit OnChange(); });
}
