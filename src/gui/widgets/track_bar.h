// SPDX-License-Identifier: GPL-3.0-or-later
// A horizontal track bar whose OnChange fires for every movement of the
// thumb (and for positions set by program), never once more when the user
// lets go.
#pragma once

#include <QSlider>

class TrackBar : public QSlider {
  Q_OBJECT
 public:
  explicit TrackBar(QWidget* parent = nullptr);

  int Position() const { return value(); }
  void SetPosition(int position) { setValue(position); }

 signals:
  void OnChange();
};
