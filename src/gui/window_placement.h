// SPDX-License-Identifier: GPL-3.0-or-later
// Where a window goes when the settings file says where it was: on a screen
// the desktop has now, no larger than that screen's free area.
#pragma once

#include <QRect>
#include <QSize>

namespace kt58::app {

// The placement within `available` closest to `wanted`: each side at most
// the available one (never below `minimum`, which wins when the screen is
// smaller), then moved just enough to lie inside.
QRect FitToArea(const QRect& wanted, const QRect& available, const QSize& minimum);

// Where a window goes the first time: centred in `available` and taking
// most of it (at least `minimum`), so that a frame of video size fits.
QRect FirstPlacement(const QRect& available, const QSize& minimum);

// FitToArea with the free area of the screen under the wanted top-left
// corner, or of the primary screen when no screen is there.
QRect FitToScreen(const QRect& wanted, const QSize& minimum);

}  // namespace kt58::app
