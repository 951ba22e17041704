// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/panels/canvas_view.h"

#include <QApplication>
#include <algorithm>
#include <cstdint>
#include <utility>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QVBoxLayout>

#include "gui/widgets/color_combo_box.h"
#include "gui/document/document.h"
#include "gui/widgets/paint_box.h"
#include "gui/widgets/user_feedback.h"
#include "model/project.h"
#include "model/image_resource.h"

CanvasView::CanvasView(Document& document, QWidget* parent) : QWidget(parent), document_(document) {
  setObjectName(QStringLiteral("ConstrPanel"));
  setAutoFillBackground(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  canvas_ = new PaintBox(this);
  canvas_->setObjectName(QStringLiteral("pbConstr"));
  // Left and Right step through the generated frames while the canvas has
  // the keyboard.
  canvas_->setFocusPolicy(Qt::StrongFocus);
  layout->addWidget(canvas_);
  showBackgroundColor();
  showHint();

  updateTimer_ = new QTimer(this);
  updateTimer_->setInterval(50);
  connect(updateTimer_, &QTimer::timeout, this, &CanvasView::repaintConstruction);

  canvas_->OnMouseDown = [this](QMouseEvent* e) { handleMousePress(e); };
  canvas_->OnMouseMove = [this](QMouseEvent* e) { handleMouseMove(e); };
  canvas_->OnMouseUp = [this](QMouseEvent* e) { handleMouseRelease(e); };
  canvas_->OnDragOver = [this](const QMimeData* data) { return document_.CanDrop(data); };
  // The drop point, in frame coordinates, is the new layer's top-left corner.
  canvas_->OnDragDrop = [this](const QMimeData* data, QPoint at) { document_.DropFiles(data, at - drawOrigin_); };
  qApp->installEventFilter(this);

  connect(&document_, &Document::layersChanged, this, &CanvasView::onLayersChanged);
  connect(&document_, &Document::projectReplaced, this, [this] {
    showBackgroundColor();
    onLayersChanged();
  });
  connect(&document_, &Document::selectionChanged, this, [this] {
    if (!document_.playback().isPlaying()) outlineSelectedLayer();
  });
  connect(&document_, &Document::layerChanged, this, [this] {
    // The outline follows the layer, also when its offsets were typed.
    if (!dragging_ && !nudging_) outlineSelectedLayer();
    requestBackgroundClear();
    requestRepaint();
  });
  connect(&document_, &Document::animationChanged, this, [this] {
    // Frame setup and background: the frame is centred and drawn anew.
    showBackgroundColor();
    centerFrame();
    requestBackgroundClear();
    outlineSelectedLayer();
    requestRepaint();
  });
  connect(&document_, &Document::framesChanged, this, &CanvasView::requestRepaint);
  // Playing and stepping draw the frames the playback asks for.
  connect(&document_.playback(), &Playback::playingChanged, this, &CanvasView::onPlayingChanged);
  connect(&document_.playback(), &Playback::frameComposed, this, &CanvasView::drawCurrentFrame);
  connect(&document_.playback(), &Playback::constructionComposed, this, &CanvasView::drawConstruction);
}

CanvasView::~CanvasView() { updateTimer_->stop(); }

QString CanvasView::emptyProjectHint() {
  return tr("Drop pictures or videos here,\nor use Layer > Add Layer...");
}

void CanvasView::showBackgroundColor() {
  QPalette pal = palette();
  pal.setColor(QPalette::Window, kt58::controls::ToQColor(document_.project().BackgroundColor));
  setPalette(pal);
  update();
}

void CanvasView::showHint() {
  canvas_->setHint(document_.project().LayerCount() == 0 ? emptyProjectHint() : QString());
}

void CanvasView::onLayersChanged() {
  showHint();
  centerFrame();
  requestBackgroundClear();
  outlineSelectedLayer();
  attachPaint();
  requestRepaint();
  startUpdateTimer();
}

void CanvasView::paintConstruction() {
  if (appTerminating()) return;
  document_.playback().requestConstruction();
}

void CanvasView::drawConstruction(const kt58::Picture* picture) {
  if (appTerminating() || paintInProgress_) return;
  paintInProgress_ = true;
  const kt58::Project& a = document_.project();
  if (clearBackgroundPending_) {
    canvas_->fillCanvas(a.BackgroundColor);
    clearBackgroundPending_ = false;
  }
  if (picture) canvas_->drawPicture(*picture, drawOrigin_.x(), drawOrigin_.y());
  if (!document_.playback().isPlaying()) {
    const kt58::FrameSize size = a.GetFrameSize();
    if (size.Width != 0 && size.Height != 0)
      canvas_->drawOutline(QRect(drawOrigin_.x() - 1, drawOrigin_.y() - 1, size.Width + 2, size.Height + 2), 0xFFFFFF);
  }
  canvas_->setFocusOutline(focusRectShown_ ? selectionRect_ : QRect());
  if (std::exchange(tickPaintAsked_, false)) constructionDirty_ = false;
  paintInProgress_ = false;
}

void CanvasView::repaintConstruction() {
  Playback& playback = document_.playback();
  if (playback.isPlaying() || !constructionDirty_) return;
  playback.showConstruction();
  // Asked again at every tick until painted: a request dropped by a newer
  // one (a step, a new project) is made anew.
  if (paintAttached_) {
    tickPaintAsked_ = true;
    paintConstruction();
  } else {
    constructionDirty_ = false;
  }
}

void CanvasView::startUpdateTimer() {
  if (!updateTimer_->isActive()) updateTimer_->start();
}

void CanvasView::stopUpdateTimer() { updateTimer_->stop(); }

void CanvasView::centerFrame() {
  const kt58::FrameSize size = document_.project().GetFrameSize();
  drawOrigin_ = QPoint(canvas_->width() / 2 - size.Width / 2, canvas_->height() / 2 - size.Height / 2);
  update();
}

void CanvasView::relayout() {
  if (document_.playback().isPlaying()) {
    resizePending_ = true;
    return;
  }
  centerFrame();
  requestBackgroundClear();
  startUpdateTimer();
  outlineSelectedLayer();
  requestRepaint();
  attachPaint();
}

void CanvasView::computeSelectionRect() {
  const kt58::Layer* layer = document_.SelectedLayer();
  if (!layer) return;
  const int w = layer->ImageRef ? layer->ImageRef->Width : 0;
  const int h = layer->ImageRef ? layer->ImageRef->Height : 0;
  // Offsets come from the project file and may lie anywhere in int; QRect
  // adds the size to the corner in int too. A far-off outline stays far off.
  const auto place = [](int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, -(1 << 30), 1 << 30)); };
  selectionRect_ = QRect(place(int64_t{layer->OffsetX} + drawOrigin_.x()),
                        place(int64_t{layer->OffsetY} + drawOrigin_.y()), w, h);
}

void CanvasView::hideFocusRect() {
  if (!focusRectShown_) return;
  focusRectShown_ = false;
  canvas_->setFocusOutline(QRect());
}

void CanvasView::showFocusRect() {
  hideFocusRect();
  computeSelectionRect();
  if (document_.SelectedLayer() && !selectionRect_.isEmpty()) {
    focusRectShown_ = true;
    canvas_->setFocusOutline(selectionRect_);
  }
}

void CanvasView::outlineSelectedLayer() {
  focusRectShown_ = document_.SelectedLayer() != nullptr;
  computeSelectionRect();
  canvas_->setFocusOutline(focusRectShown_ ? selectionRect_ : QRect());
}

void CanvasView::onPlayingChanged(bool playing) {
  // Playing drops the frame asked for; stopping paints frame 0, which is
  // not the update timer's repaint.
  tickPaintAsked_ = false;
  if (playing) {
    stopUpdateTimer();
    detachPaint();
    hideFocusRect();
    canvas_->fillCanvas(document_.project().BackgroundColor);
    return;
  }
  // Generated frame 0 at once; the update timer's next tick brings back the
  // constructor frame.
  centerFrame();
  attachPaint();
  requestBackgroundClear();
  paintConstruction();
  startUpdateTimer();
  outlineSelectedLayer();
  requestRepaint();
}

void CanvasView::drawCurrentFrame(const kt58::Picture* picture) {
  const kt58::Project& a = document_.project();
  const bool playing = document_.playback().isPlaying();
  if (playing && resizePending_) {
    centerFrame();
    computeSelectionRect();
    resizePending_ = false;
    canvas_->fillCanvas(a.BackgroundColor);
  }
  if (!playing) hideFocusRect();
  if (picture) canvas_->drawPicture(*picture, drawOrigin_.x(), drawOrigin_.y());
  if (!playing) showFocusRect();
}

// ---- dragging

void CanvasView::handleMousePress(QMouseEvent* e) {
  if (document_.playback().isPlaying()) return;
  if (e->button() == Qt::LeftButton) {
    if (!focusRectShown_) return;
    const QPoint at = e->position().toPoint();
    dragging_ = selectionRect_.contains(at);
    grabOffset_ = at - selectionRect_.topLeft();
    if (dragging_) {
      detachPaint();
      stopUpdateTimer();
      document_.EndMerge();
    }
  } else if (e->button() == Qt::RightButton) {
    emit layerMenuRequested(e->globalPosition().toPoint());
  }
}

void CanvasView::storeOutlinePosition() {
  const QPoint offset = selectionRect_.topLeft() - drawOrigin_;
  document_.EditSelectedLayer(kMergeLayerPosition, tr("Move Layer"),
                              [offset](kt58::Layer& a) { a.SetPosition(offset.x(), offset.y()); });
}

void CanvasView::handleMouseMove(QMouseEvent* e) {
  if (!dragging_) return;
  selectionRect_.moveTopLeft(e->position().toPoint() - grabOffset_);
  // Every position of one drag merges into one undo step; the Layer page
  // shows the offsets as they change.
  storeOutlinePosition();
  canvas_->setFocusOutline(selectionRect_);
}

void CanvasView::handleMouseRelease(QMouseEvent*) {
  if (!dragging_) return;
  dragging_ = false;
  document_.EndMerge();
  computeSelectionRect();
  document_.Regenerate();
  requestBackgroundClear();
  requestRepaint();
  startUpdateTimer();
  attachPaint();
}

// ---- nudging

bool CanvasView::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() != QEvent::KeyPress && e->type() != QEvent::KeyRelease) return false;
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget || widget->window() != window()) return false;
  auto* key = static_cast<QKeyEvent*>(e);
  if (e->type() == QEvent::KeyPress) {
    const int k = key->key();
    if (watched == canvas_ && key->modifiers() == Qt::NoModifier && (k == Qt::Key_Left || k == Qt::Key_Right)) {
      document_.playback().step(k == Qt::Key_Left ? -1 : 1);
      return true;
    }
    const bool arrow = k == Qt::Key_Left || k == Qt::Key_Right || k == Qt::Key_Up || k == Qt::Key_Down;
    if (!arrow || !(key->modifiers() & Qt::ControlModifier) || document_.playback().isPlaying() ||
        !document_.SelectedLayer())
      return false;
    nudgeLayer(k);
    return true;  // consumed: the focused control must not act on it
  }
  if (key->key() == Qt::Key_Control && !key->isAutoRepeat() && nudging_) endNudge();
  return false;
}

void CanvasView::nudgeLayer(int key) {
  QPoint step;
  switch (key) {
    case Qt::Key_Left: step = {-1, 0}; break;
    case Qt::Key_Up: step = {0, -1}; break;
    case Qt::Key_Right: step = {1, 0}; break;
    case Qt::Key_Down: step = {0, 1}; break;
    default: return;
  }
  if (!nudging_) {
    // A run of nudges is one undo step, started from where the layer is.
    document_.EndMerge();
    computeSelectionRect();
  }
  if (!nudging_) {
    nudging_ = true;
    document_.playback().setPlayBlocked(true);
  }
  detachPaint();
  stopUpdateTimer();
  selectionRect_.translate(step);
  storeOutlinePosition();
  canvas_->setFocusOutline(focusRectShown_ ? selectionRect_ : QRect());
}

void CanvasView::endNudge() {
  nudging_ = false;
  document_.playback().setPlayBlocked(false);
  document_.EndMerge();
  document_.Regenerate();
  attachPaint();
  requestBackgroundClear();
  startUpdateTimer();
}
