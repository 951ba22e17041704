// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/widgets/paint_box.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cstring>

#include "gui/widgets/color_combo_box.h"

using kt58::controls::ToQColor;

PaintBox::PaintBox(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAcceptDrops(true);
  canvas_ = QImage(1, 1, QImage::Format_RGB32);
  canvas_.fill(Qt::black);
}

void PaintBox::drawPicture(const kt58::Picture& picture, int x, int y) {
  const int w = picture.Width(), h = picture.Height();
  if (w <= 0 || h <= 0) return;
  // Only the rows and columns that land on the canvas are copied; the
  // picture is stored bottom-up, so rows are walked with its signed stride.
  const int x0 = std::max(0, x), y0 = std::max(0, y);
  const int x1 = std::min(canvas_.width(), x + w), y1 = std::min(canvas_.height(), y + h);
  if (x0 >= x1 || y0 >= y1) return;
  QImage part(x1 - x0, y1 - y0, QImage::Format_BGR888);
  const uint8_t* top = picture.RowStart();
  for (int row = y0; row < y1; ++row) {
    const uint8_t* src = top + static_cast<ptrdiff_t>(row - y) * picture.Stride() + static_cast<ptrdiff_t>(x0 - x) * 3;
    std::memcpy(part.scanLine(row - y0), src, static_cast<size_t>(x1 - x0) * 3);
  }
  QPainter p(&canvas_);
  p.drawImage(x0, y0, part);
  update();
}

void PaintBox::fillCanvas(kt58::Color color) {
  canvas_.fill(ToQColor(color));
  update();
}

void PaintBox::drawOutline(const QRect& r, kt58::Color color) {
  if (r.isEmpty()) return;
  QPainter p(&canvas_);
  p.setPen(QPen(ToQColor(color), 0));
  p.setBrush(Qt::NoBrush);
  p.drawRect(r.adjusted(0, 0, -1, -1));
  update();
}

void PaintBox::setFocusOutline(const QRect& r) {
  if (r == focus_) return;
  focus_ = r;
  update();
}

void PaintBox::setHint(const QString& text) {
  if (text == hint_) return;
  hint_ = text;
  update();
}

void PaintBox::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.drawImage(0, 0, canvas_);
  if (!hint_.isEmpty()) {
    // Grey reads on the black of a new project and on most colours.
    p.setPen(QColor(160, 160, 160));
    p.drawText(rect().adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap, hint_);
  }
  if (!focus_.isEmpty()) {
    // Inverting keeps the outline visible on any picture, as the classic
    // exclusive-or focus rectangle did.
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    QPen pen(Qt::white, 0, Qt::DotLine);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawRect(focus_.adjusted(0, 0, -1, -1));
  }
}

void PaintBox::resizeEvent(QResizeEvent*) {
  // The old pixels stay where they were; what the new area shows is up to
  // the next repaint the construction view requests.
  QImage grown(std::max(1, width()), std::max(1, height()), QImage::Format_RGB32);
  grown.fill(Qt::black);
  QPainter p(&grown);
  p.drawImage(0, 0, canvas_);
  p.end();
  canvas_ = grown;
}

void PaintBox::mousePressEvent(QMouseEvent* e) {
  if (OnMouseDown) OnMouseDown(e);
}
void PaintBox::mouseMoveEvent(QMouseEvent* e) {
  if (OnMouseMove) OnMouseMove(e);
}
void PaintBox::mouseReleaseEvent(QMouseEvent* e) {
  if (OnMouseUp) OnMouseUp(e);
}

void PaintBox::dragEnterEvent(QDragEnterEvent* e) {
  if (OnDragOver && OnDragOver(e->mimeData()))
    e->acceptProposedAction();
  else
    e->ignore();
}

void PaintBox::dragMoveEvent(QDragMoveEvent* e) {
  if (OnDragOver && OnDragOver(e->mimeData()))
    e->acceptProposedAction();
  else
    e->ignore();
}

void PaintBox::dropEvent(QDropEvent* e) {
  if (!OnDragOver || !OnDragOver(e->mimeData())) {
    e->ignore();
    return;
  }
  e->acceptProposedAction();
  if (OnDragDrop) OnDragDrop(e->mimeData(), e->position().toPoint());
}
