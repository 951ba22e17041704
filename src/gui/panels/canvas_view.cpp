// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/panels/canvas_view.h"

#include <QApplication>
#include <algorithm>
#include <cstdint>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QVBoxLayout>

#include "gui/widgets/color_combo_box.h"
#include "gui/document/document.h"
#include "gui/widgets/paint_box.h"
#include "engine/ui_services.h"
#include "model/animation.h"
#include "model/image_resource.h"
#include "render/compose.h"

CanvasView::CanvasView(Document& document, QWidget* parent) : QWidget(parent), document_(document) {
  setObjectName(QStringLiteral("ConstrPanel"));
  setAutoFillBackground(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  pbConstr = new PaintBox(this);
  pbConstr->setObjectName(QStringLiteral("pbConstr"));
  layout->addWidget(pbConstr);
  document_.SetDisplay(pbConstr);
  ShowBackgroundColor();
  ShowHint();

  UpdateTimer = new QTimer(this);
  UpdateTimer->setInterval(50);
  connect(UpdateTimer, &QTimer::timeout, this, &CanvasView::RepaintConstruction);

  pbConstr->OnMouseDown = [this](QMouseEvent* e) { MouseDown(e); };
  pbConstr->OnMouseMove = [this](QMouseEvent* e) { MouseMove(e); };
  pbConstr->OnMouseUp = [this](QMouseEvent* e) { MouseUp(e); };
  pbConstr->OnDragOver = [this](const QMimeData* data) { return document_.CanDrop(data); };
  // The drop point, in frame coordinates, is the new layer's top-left corner.
  pbConstr->OnDragDrop = [this](const QMimeData* data, QPoint at) { document_.DropFiles(data, at - DrawOrigin); };
  qApp->installEventFilter(this);

  connect(&document_, &Document::layersChanged, this, &CanvasView::LayersChanged);
  connect(&document_, &Document::projectReplaced, this, [this] {
    ShowBackgroundColor();
    LayersChanged();
  });
  connect(&document_, &Document::selectionChanged, this, [this] {
    if (!document_.Animation().Playing) OutlineSelectedLayer();
  });
  connect(&document_, &Document::layerChanged, this, [this] {
    // The outline follows the layer, also when its offsets were typed.
    if (!Dragging && !Nudging) OutlineSelectedLayer();
    RequestBackgroundClear();
    RequestRepaint();
  });
  connect(&document_, &Document::animationChanged, this, [this] {
    // Frame setup and background: the frame is centred and drawn anew.
    ShowBackgroundColor();
    CenterFrame();
    RequestBackgroundClear();
    OutlineSelectedLayer();
    RequestRepaint();
  });
  connect(&document_, &Document::framesChanged, this, &CanvasView::RequestRepaint);
}

CanvasView::~CanvasView() { UpdateTimer->stop(); }

QString CanvasView::EmptyProjectHint() {
  return QStringLiteral("Drop pictures or videos here,\nor use Layer > Add Layer...");
}

void CanvasView::ShowBackgroundColor() {
  QPalette pal = palette();
  pal.setColor(QPalette::Window, kt58::controls::ToQColor(document_.Animation().BackgroundColor));
  setPalette(pal);
  update();
}

void CanvasView::ShowHint() {
  pbConstr->SetHint(document_.Animation().LayerCount() == 0 ? EmptyProjectHint() : QString());
}

void CanvasView::LayersChanged() {
  ShowHint();
  CenterFrame();
  RequestBackgroundClear();
  OutlineSelectedLayer();
  AttachPaint();
  RequestRepaint();
  StartUpdateTimer();
}

void CanvasView::PaintConstruction() {
  if (kt58::Ui().Terminating() || PaintInProgress) return;
  PaintInProgress = true;
  kt58::TAnimation& a = document_.Animation();
  try {
    if (ClearBackgroundPending) {
      pbConstr->FillCanvas(a.BackgroundColor);
      ClearBackgroundPending = false;
    }
    // A generated frame may have been freed since it was made current.
    const kt58::SequencedFrame* frame = a.OwnsFrame(a.CurrentFrame) ? a.CurrentFrame : a.ConstructorFrame.get();
    kt58::DrawFrame(a, frame, kt58::FrameClock::Stepping(a.CurrentFrameIndex), DrawOrigin.x(), DrawOrigin.y());
    if (!a.Playing) {
      const kt58::FrameSize size = a.GetFrameSize();
      if (size.Width != 0 && size.Height != 0)
        pbConstr->DrawOutline(QRect(DrawOrigin.x() - 1, DrawOrigin.y() - 1, size.Width + 2, size.Height + 2),
                              0xFFFFFF);
    }
    pbConstr->SetFocusOutline(FocusRectShown ? SelectionRect : QRect());
  } catch (...) {
    // The view stays as far as it was drawn.
  }
  PaintInProgress = false;
}

void CanvasView::RepaintConstruction() {
  kt58::TAnimation& a = document_.Animation();
  if (a.Playing || !ConstructionDirty) return;
  ConstructionDirty = false;
  a.CurrentFrame = a.ConstructorFrame.get();
  if (PaintAttached) PaintConstruction();
}

void CanvasView::StartUpdateTimer() {
  if (!UpdateTimer->isActive()) UpdateTimer->start();
}

void CanvasView::StopUpdateTimer() { UpdateTimer->stop(); }

void CanvasView::CenterFrame() {
  const kt58::FrameSize size = document_.Animation().GetFrameSize();
  DrawOrigin = QPoint(pbConstr->width() / 2 - size.Width / 2, pbConstr->height() / 2 - size.Height / 2);
  update();
}

void CanvasView::LayoutChanged() {
  CenterFrame();
  RequestBackgroundClear();
  StartUpdateTimer();
  OutlineSelectedLayer();
  RequestRepaint();
  AttachPaint();
}

void CanvasView::ComputeSelectionRect() {
  const kt58::Layer* layer = document_.SelectedLayer();
  if (!layer) return;
  const int w = layer->ImageRef ? layer->ImageRef->Width : 0;
  const int h = layer->ImageRef ? layer->ImageRef->Height : 0;
  // Offsets come from the project file and may lie anywhere in int; QRect
  // adds the size to the corner in int too. A far-off outline stays far off.
  const auto place = [](int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, -(1 << 30), 1 << 30)); };
  SelectionRect = QRect(place(int64_t{layer->OffsetX} + DrawOrigin.x()),
                        place(int64_t{layer->OffsetY} + DrawOrigin.y()), w, h);
}

void CanvasView::HideFocusRect() {
  if (!FocusRectShown) return;
  FocusRectShown = false;
  pbConstr->SetFocusOutline(QRect());
}

void CanvasView::ShowFocusRect() {
  HideFocusRect();
  ComputeSelectionRect();
  if (document_.SelectedLayer() && !SelectionRect.isEmpty()) {
    FocusRectShown = true;
    pbConstr->SetFocusOutline(SelectionRect);
  }
}

void CanvasView::OutlineSelectedLayer() {
  FocusRectShown = document_.SelectedLayer() != nullptr;
  ComputeSelectionRect();
  pbConstr->SetFocusOutline(FocusRectShown ? SelectionRect : QRect());
}

// ---- dragging

void CanvasView::MouseDown(QMouseEvent* e) {
  if (document_.Animation().Playing) return;
  if (e->button() == Qt::LeftButton) {
    if (!FocusRectShown) return;
    const QPoint at = e->position().toPoint();
    Dragging = SelectionRect.contains(at);
    GrabOffset = at - SelectionRect.topLeft();
    if (Dragging) {
      DetachPaint();
      StopUpdateTimer();
      document_.EndMerge();
    }
  } else if (e->button() == Qt::RightButton) {
    emit layerMenuRequested(e->globalPosition().toPoint());
  }
}

void CanvasView::StoreOutlinePosition() {
  const QPoint offset = SelectionRect.topLeft() - DrawOrigin;
  document_.EditSelectedLayer(kMergeLayerPosition, QStringLiteral("Move Layer"),
                              [offset](kt58::TAnimation& a) { a.SetLayerPosition(offset.x(), offset.y()); });
}

void CanvasView::MouseMove(QMouseEvent* e) {
  if (!Dragging) return;
  SelectionRect.moveTopLeft(e->position().toPoint() - GrabOffset);
  // Every position of one drag merges into one undo step; the Layer page
  // shows the offsets as they change.
  StoreOutlinePosition();
  pbConstr->SetFocusOutline(SelectionRect);
}

void CanvasView::MouseUp(QMouseEvent*) {
  if (!Dragging) return;
  Dragging = false;
  document_.EndMerge();
  ComputeSelectionRect();
  document_.Regenerate();
  RequestBackgroundClear();
  RequestRepaint();
  StartUpdateTimer();
  AttachPaint();
}

// ---- nudging

bool CanvasView::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() != QEvent::KeyPress && e->type() != QEvent::KeyRelease) return false;
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget || widget->window() != window()) return false;
  auto* key = static_cast<QKeyEvent*>(e);
  if (e->type() == QEvent::KeyPress) {
    const int k = key->key();
    const bool arrow = k == Qt::Key_Left || k == Qt::Key_Right || k == Qt::Key_Up || k == Qt::Key_Down;
    if (!arrow || !(key->modifiers() & Qt::ControlModifier) || document_.Animation().Playing ||
        !document_.SelectedLayer())
      return false;
    NudgeLayer(k);
    return true;  // consumed: the focused control must not act on it
  }
  if (key->key() == Qt::Key_Control && !key->isAutoRepeat() && Nudging) EndNudge();
  return false;
}

void CanvasView::NudgeLayer(int key) {
  QPoint step;
  switch (key) {
    case Qt::Key_Left: step = {-1, 0}; break;
    case Qt::Key_Up: step = {0, -1}; break;
    case Qt::Key_Right: step = {1, 0}; break;
    case Qt::Key_Down: step = {0, 1}; break;
    default: return;
  }
  if (!Nudging) {
    // A run of nudges is one undo step, started from where the layer is.
    document_.EndMerge();
    ComputeSelectionRect();
  }
  Nudging = true;
  DetachPaint();
  StopUpdateTimer();
  SelectionRect.translate(step);
  StoreOutlinePosition();
  pbConstr->SetFocusOutline(FocusRectShown ? SelectionRect : QRect());
}

void CanvasView::EndNudge() {
  Nudging = false;
  document_.EndMerge();
  document_.Regenerate();
  AttachPaint();
  RequestBackgroundClear();
  StartUpdateTimer();
}
