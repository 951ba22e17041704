// SPDX-License-Identifier: GPL-3.0-or-later
// The construction view: the panel ConstrPanel (in the animation's
// background colour) holding the paint box pbConstr, which shows one frame
// of the animation centred, the selected layer's dotted outline, and, while
// the project has no layer, a hint what to do. The selected layer is placed
// by dragging it or by Ctrl+arrow nudges; files dropped on it become layers
// where they were dropped.
#pragma once

#include <QPoint>
#include <QRect>
#include <QWidget>

class Document;
class QMimeData;
class QMouseEvent;
class QTimer;
class PaintBox;

class CanvasView final : public QWidget {
  Q_OBJECT
 public:
  CanvasView(Document& document, QWidget* parent = nullptr);
  ~CanvasView() override;

  static QString EmptyProjectHint();

  void PaintConstruction();  // renders the current frame into the canvas
  void RepaintConstruction();  // the update timer's tick
  void RequestRepaint() { ConstructionDirty = true; }
  void RequestBackgroundClear() { ClearBackgroundPending = true; }
  void AttachPaint() { PaintAttached = true; }
  void DetachPaint() { PaintAttached = false; }
  void StartUpdateTimer();
  void StopUpdateTimer();
  void CenterFrame();
  void ComputeSelectionRect();
  void HideFocusRect();
  void ShowFocusRect();
  // The outline shown exactly when a layer is selected, at its place now.
  void OutlineSelectedLayer();
  // After a resize or splitter move: recentre, clear, outline, repaint.
  void LayoutChanged();
  void NudgeLayer(int key);
  void EndNudge();
  // The panel around the box shows the animation's background colour.
  void ShowBackgroundColor();

  QPoint DrawOrigin;
  QRect SelectionRect;
  QPoint GrabOffset;
  bool FocusRectShown = false, ConstructionDirty = false, ClearBackgroundPending = false,
       PaintInProgress = false, Dragging = false, Nudging = false;
  bool PaintAttached = true;
  PaintBox* pbConstr;
  QTimer* UpdateTimer;

 signals:
  // The right button asks for the layer menu at this point of the screen.
  void layerMenuRequested(const QPoint& global);

 protected:
  // Ctrl+arrows nudge the selected layer whenever a widget of this window
  // has the keyboard; releasing Ctrl ends the run.
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void MouseDown(QMouseEvent* e);
  void MouseMove(QMouseEvent* e);
  void MouseUp(QMouseEvent* e);
  // Stores where the outline stands as the selected layer's position.
  void StoreOutlinePosition();
  void ShowHint();
  void LayersChanged();

  Document& document_;
};
