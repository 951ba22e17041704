// SPDX-License-Identifier: GPL-3.0-or-later
// The export commands: their windows and file dialogs, and the order of
// work around the exports of the core. They need generated frames and no
// playback. What the view should do around them they say with signals.
#pragma once

#include <QList>
#include <QObject>

#include "export/gif/color_reduction.h"
#include "gui/settings.h"

class Document;
class QAction;
class QWidget;

class ExportActions final : public QObject {
  Q_OBJECT
 public:
  // window owns the commands and their windows.
  ExportActions(Document& document, kt58::app::Settings& settings, QWidget* window);

  // Animated GIF, bitmap sequence, single frame, AVI, and video or web
  // animation, in menu order.
  QList<QAction*> actions() const;
  // Enabled with generated frames and no playback.
  void updateControlStates();

 signals:
  // The folders the exports went to belong in the settings file: the window
  // writes it with its own placement.
  void saveSettingsRequested();
  // An export left another frame current: the view draws its frame anew.
  void repaintRequested();
  // The GIF window composes the frames itself: the view stands still while
  // it is open, and is drawn anew on a cleared background after.
  void viewPaused();
  void viewResumed();

 private:
  void exportSingleFrame();
  void exportAvi();
  void exportPictureSequence();
  void exportGif();
  void exportVideo();

  Document& document_;
  kt58::app::Settings& settings_;
  QWidget* window_;
  QAction *exportGifAction_, *exportPictureSequenceAction_, *exportSingleFrameAction_, *exportAviAction_,
      *exportVideoAction_;
  // The dither code of the GIF window's last build this session: single
  // frames saved as GIF use it (nearest colour before any build).
  int gifDither_ = kt58::dmNearest;
};
