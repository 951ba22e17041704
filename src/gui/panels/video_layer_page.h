// SPDX-License-Identifier: GPL-3.0-or-later
// The "Video Layer" page: the frames of the selected layer's video or
// animated GIF, one row each, with the frame on display; a preview that
// plays them at the animation's frame delay; marks (the rows' check boxes)
// set by hand or every second frame by "Interlaced"; and "Crop", which
// removes the marked frames from the store. Without a video layer selected
// the page is empty and its frame manager disabled.
#pragma once

#include <QWidget>
#include <cstdint>
#include <vector>

#include "gui/document/frame_pacer.h"

class Document;
class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QToolButton;
class QTreeWidget;
namespace kt58 {
class Layer;
class ImageResource;
class FrameStore;
}  // namespace kt58

class VideoLayerPage final : public QWidget {
  Q_OBJECT
 public:
  VideoLayerPage(Document& document, QWidget* parent = nullptr);

  // Fills the page from the layer's frame store, every row unmarked, or
  // empties it when the layer has none; a running preview ends.
  void showVideoLayerInfo(const kt58::Layer* layer);
  // Shows frame index of the store unless it is on display already (or
  // always, with force).
  void showVideoFrame(int index, bool force);
  void onFrameSelected();
  void onStretchToggled();
  // Marks rows 2, 4, 6, ... (counted from 1).
  void interlaceSelection();
  // Starts the preview, or while it runs asks it to stop.
  void onPreviewClicked();
  void cropFrames();
  // Whether each row is marked (its box ticked, by hand or by "Interlaced").
  std::vector<bool> marks() const;

  QLabel *fileLabel_, *frameCountLabel_, *currentFrameLabel_;
  QGroupBox* frameManagerGroup_;
  QLabel* framePreview_;
  QTreeWidget* frameList_;
  QCheckBox* stretchCheck_;
  QPushButton* previewButton_;
  QToolButton* interlaceSelectionButton_;
  QPushButton* cropButton_;
  bool previewRunning_ = false, previewStopRequested_ = false;

 signals:
  // A frame of the store reached the preview image.
  void frameShown(int index);

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void buildPage();
  // The store of the resource shown; none when the page is empty.
  kt58::FrameStore* shownStore() const;
  int selectedRow() const;
  void selectRow(int row);
  void showEmpty();
  void enableButtons();
  // One pass of the preview: the row at preview_row_ is selected and, when
  // unmarked, shown; then the wait for the frame delay begins.
  void previewStep();
  // The wait is over: the next pass, or the end.
  void previewTick();
  void endPreview();
  // The page shows another resource than the selected layer's: shown anew.
  void followSelection();

  Document& document_;
  // The resource whose store the rows show (the list's tag).
  kt58::ImageResource* resource_ = nullptr;
  // The row whose frame is in the preview image; -1 for none. The store's
  // ReadCursor cannot tell: composition reads the same store.
  int shown_row_ = -1;
  // Set while the program selects rows: selecting does not load a frame.
  int selecting_ = 0;

  FramePacer pacer_{this, [this] { previewTick(); }};
  int preview_row_ = 0;
};
