// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/window_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

namespace kt58::app {

QRect FitToArea(const QRect& wanted, const QRect& available, const QSize& minimum) {
  if (available.isEmpty()) return wanted;
  const QSize size = wanted.size().boundedTo(available.size()).expandedTo(minimum);
  const int left = std::clamp(wanted.left(), available.left(), std::max(available.left(), available.right() + 1 - size.width()));
  const int top = std::clamp(wanted.top(), available.top(), std::max(available.top(), available.bottom() + 1 - size.height()));
  return {QPoint(left, top), size};
}

QRect FirstPlacement(const QRect& available, const QSize& minimum) {
  const QSize size = QSize(available.width() * 4 / 5, available.height() * 17 / 20).expandedTo(minimum);
  QRect placed(QPoint(), size);
  placed.moveCenter(available.center());
  return FitToArea(placed, available, minimum);
}

QRect FitToScreen(const QRect& wanted, const QSize& minimum) {
  const QScreen* screen = QGuiApplication::screenAt(wanted.topLeft());
  if (!screen) screen = QGuiApplication::primaryScreen();
  return screen ? FitToArea(wanted, screen->availableGeometry(), minimum) : wanted;
}

}  // namespace kt58::app
