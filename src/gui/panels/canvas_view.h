// SPDX-License-Identifier: GPL-3.0-or-later
// The construction view: the panel ConstrPanel (in the animation's
// background colour) holding the paint box canvas_, which shows one frame
// of the animation centred, the selected layer's dotted outline, and, while
// the project has no layer, a hint what to do. The selected layer is placed
// by dragging it or by Ctrl+arrow nudges; files dropped on it become layers
// where they were dropped.
#pragma once

#include <QPoint>
#include <QRect>
#include <QWidget>

#include "engine/picture.h"
#include "render/frame_clock.h"

class Document;
class QMimeData;
class QMouseEvent;
class QTimer;
class PaintBox;
namespace kt58 {
class SequencedFrame;
}

class CanvasView final : public QWidget {
  Q_OBJECT
 public:
  CanvasView(Document& document, QWidget* parent = nullptr);
  ~CanvasView() override;

  static QString emptyProjectHint();

  // Asks the playback's worker for the frame the view shows while not
  // playing (see Playback::requestConstruction); drawConstruction paints it.
  void paintConstruction();
  // The update timer's tick: the view is painted anew when asked to be;
  // constructionDirty_ stays set until it is.
  void repaintConstruction();
  void drawConstruction(const kt58::Picture* picture);
  void requestRepaint() { constructionDirty_ = true; }
  void requestBackgroundClear() { clearBackgroundPending_ = true; }
  void attachPaint() { paintAttached_ = true; }
  void detachPaint() { paintAttached_ = false; }
  void startUpdateTimer();
  void stopUpdateTimer();
  void centerFrame();
  void computeSelectionRect();
  void hideFocusRect();
  void showFocusRect();
  // The outline shown exactly when a layer is selected, at its place now.
  void outlineSelectedLayer();
  // After a resize or splitter move: recentre, clear, outline, repaint.
  void relayout();
  void nudgeLayer(int key);
  void endNudge();
  // The panel around the box shows the animation's background colour.
  void showBackgroundColor();

  QPoint drawOrigin_;
  QRect selectionRect_;
  QPoint grabOffset_;
  bool focusRectShown_ = false, constructionDirty_ = false, clearBackgroundPending_ = false,
       paintInProgress_ = false, dragging_ = false, nudging_ = false;
  bool paintAttached_ = true;
  // The frame on its way was asked for by the update timer's repaint: its
  // painting settles constructionDirty_.
  bool tickPaintAsked_ = false;
  // Set by a layout change while playing; the next drawn frame recentres.
  bool resizePending_ = false;
  PaintBox* canvas_;
  QTimer* updateTimer_;

  // Playing owns the canvas: the constructor frame, its outline and the
  // update timer give way to the generated frames, and come back after.
  void onPlayingChanged(bool playing);
  // Paints the document's current generated frame, composed by the
  // playback's worker; nothing for none.
  void drawCurrentFrame(const kt58::Picture* picture);

 signals:
  // The right button asks for the layer menu at this point of the screen.
  void layerMenuRequested(const QPoint& global);

 protected:
  // Ctrl+arrows nudge the selected layer whenever a widget of this window
  // has the keyboard; releasing Ctrl ends the run.
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void handleMousePress(QMouseEvent* e);
  void handleMouseMove(QMouseEvent* e);
  void handleMouseRelease(QMouseEvent* e);
  // Stores where the outline stands as the selected layer's position.
  void storeOutlinePosition();
  void showHint();
  void onLayersChanged();

  Document& document_;
};
