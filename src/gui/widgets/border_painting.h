// SPDX-License-Identifier: GPL-3.0-or-later
// The Flat and etchedBorder looks of the edit and combo families: the
// style's sunken border painted over in the button-face colour, optionally
// with an etched groove inside it.
#pragma once

#include <QColor>
#include <QRect>

class QPainter;

namespace kt58::controls {

// A rectangle with exclusive right and bottom edges, as the classic desktop
// drawing calls take it; Frame draws the ring of pixels just inside it.
struct EdgeRect {
  int left, top, right, bottom;
  EdgeRect Grown(int by) const { return {left - by, top - by, right + by, bottom + by}; }
};

QColor SystemQColor(int index);

void FrameRect(QPainter& p, const EdgeRect& r, const QColor& color);

// A groove: shadow outside top-left and highlight outside bottom-right, the
// opposite inside.
void DrawEtchedEdge(QPainter& p, const EdgeRect& r);

// Single-line edit: three button-face rings starting one pixel outside the
// widget rectangle taken with inclusive right/bottom (width - 1, height - 1),
// then the groove on the innermost ring's rectangle. Nothing when both flags
// are off.
void PaintEditBorder(QPainter& p, QSize size, bool flat, bool etched);

// Combo box: two button-face rings from the widget's edge inwards, then the
// groove on the inner rectangle.
void PaintComboBorder(QPainter& p, QSize size, bool flat, bool etched);

}  // namespace kt58::controls
