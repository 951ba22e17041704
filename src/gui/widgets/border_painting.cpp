// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/widgets/border_painting.h"

#include <QPainter>

#include "engine/colors.h"

namespace kt58::controls {

namespace {

constexpr int kBtnFace = 15;
constexpr int kBtnShadow = 16;
constexpr int kBtnHighlight = 20;

void HLine(QPainter& p, int x1, int x2, int y, const QColor& c) {
  if (x2 > x1) p.fillRect(QRect(x1, y, x2 - x1, 1), c);
}
void VLine(QPainter& p, int x, int y1, int y2, const QColor& c) {
  if (y2 > y1) p.fillRect(QRect(x, y1, 1, y2 - y1), c);
}

}  // namespace

QColor SystemQColor(int index) {
  const Color c = ResolveColor(kSystemColorFlag + static_cast<Color>(index));
  return QColor(static_cast<int>(c & 255), static_cast<int>((c >> 8) & 255),
                static_cast<int>((c >> 16) & 255));
}

void FrameRect(QPainter& p, const EdgeRect& r, const QColor& color) {
  if (r.right <= r.left || r.bottom <= r.top) return;
  HLine(p, r.left, r.right, r.top, color);
  HLine(p, r.left, r.right, r.bottom - 1, color);
  VLine(p, r.left, r.top, r.bottom, color);
  VLine(p, r.right - 1, r.top, r.bottom, color);
}

void DrawEtchedEdge(QPainter& p, const EdgeRect& r) {
  const QColor shadow = SystemQColor(kBtnShadow);
  const QColor light = SystemQColor(kBtnHighlight);
  // Outer ring: sunken.
  HLine(p, r.left, r.right, r.top, shadow);
  VLine(p, r.left, r.top, r.bottom, shadow);
  HLine(p, r.left, r.right, r.bottom - 1, light);
  VLine(p, r.right - 1, r.top, r.bottom, light);
  // Inner ring: raised.
  const EdgeRect in = r.Grown(-1);
  HLine(p, in.left, in.right - 1, in.top, light);
  VLine(p, in.left, in.top, in.bottom - 1, light);
  HLine(p, in.left, in.right, in.bottom - 1, shadow);
  VLine(p, in.right - 1, in.top, in.bottom, shadow);
}

void PaintEditBorder(QPainter& p, QSize size, bool flat, bool etched) {
  if (!flat && !etched) return;
  const QColor face = SystemQColor(kBtnFace);
  EdgeRect r{0, 0, size.width() - 1, size.height() - 1};
  r = r.Grown(1);
  FrameRect(p, r, face);
  r = r.Grown(-1);
  FrameRect(p, r, face);
  r = r.Grown(-1);
  FrameRect(p, r, face);
  if (etched && !flat) DrawEtchedEdge(p, r);
}

void PaintComboBorder(QPainter& p, QSize size, bool flat, bool etched) {
  if (!flat && !etched) return;
  const QColor face = SystemQColor(kBtnFace);
  EdgeRect r{0, 0, size.width(), size.height()};
  FrameRect(p, r, face);
  r = r.Grown(-1);
  FrameRect(p, r, face);
  if (etched && !flat) DrawEtchedEdge(p, r);
}

}  // namespace kt58::controls
