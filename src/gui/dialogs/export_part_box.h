// SPDX-License-Identifier: GPL-3.0-or-later
// The export windows' choice of what to write: a run of frames (every how
// many of them), the size the frames are written at, and for animations how
// often they play.
#pragma once

#include <QGroupBox>

#include "export/frame_range.h"
#include "export/frame_scale.h"

class QCheckBox;
class QLabel;
class QSpinBox;

class ExportPartBox final : public QGroupBox {
  Q_OBJECT
 public:
  // Starts with every one of frame_count frames at the composed size,
  // playing forever. with_plays shows the play count (animations only).
  ExportPartBox(int frame_count, int frame_width, int frame_height, bool with_plays, QWidget* parent = nullptr);

  // Frame numbers count from 0, as the status bar's do.
  kt58::FrameRange range() const;
  // Nothing asked for while the size is the composed one.
  kt58::OutputSize size() const;
  // 0 forever, else that many times.
  int plays() const;
  // How many frames the range holds.
  int chosenCount() const;

  QSpinBox *firstSpin_, *lastSpin_, *everySpin_;
  QSpinBox *widthSpin_, *heightSpin_;
  QCheckBox* keepAspectCheck_;
  QLabel* playsLabel_;
  QSpinBox* playsSpin_;

 signals:
  void changed();

 private:
  // With the aspect kept, the other side follows the one just edited.
  void follow(bool width_edited);

  int frame_count_, frame_width_, frame_height_;
};
