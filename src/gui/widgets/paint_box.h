// SPDX-License-Identifier: GPL-3.0-or-later
// The construction view's drawing surface. Frames are composed into a
// retained canvas (the widget's own pixels);
// a Qt paint only copies the canvas and lays the dotted selection outline
// over it, so exposing the window never re-renders a frame and the outline
// never has to be erased from the pixels.
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>

#include "engine/colors.h"
#include "engine/picture.h"

class QMimeData;

class PaintBox final : public QWidget {
 public:
  explicit PaintBox(QWidget* parent = nullptr);

  // The picture's rows are copied into the canvas at (x, y); parts outside
  // the canvas are cut off.
  void drawPicture(const kt58::Picture& picture, int x, int y);
  void fillCanvas(kt58::Color color);
  // One-pixel outline of r (right and bottom exclusive).
  void drawOutline(const QRect& r, kt58::Color color);
  const QImage& Canvas() const { return canvas_; }

  // The dotted outline drawn over the canvas; empty for none.
  void setFocusOutline(const QRect& r);
  QRect focusOutline() const { return focus_; }

  // A short text drawn in the middle over the canvas; empty for none.
  void setHint(const QString& text);
  QString Hint() const { return hint_; }

  // Event hooks of the construction view (the box has no behaviour of its
  // own). The drop hook gets the drop point in the box's coordinates.
  std::function<void(QMouseEvent*)> OnMouseDown, OnMouseMove, OnMouseUp;
  std::function<bool(const QMimeData*)> OnDragOver;
  std::function<void(const QMimeData*, QPoint)> OnDragDrop;

 protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dragMoveEvent(QDragMoveEvent* e) override;
  void dropEvent(QDropEvent* e) override;

 private:
  QImage canvas_;
  QRect focus_;
  QString hint_;
};
