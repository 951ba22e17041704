// SPDX-License-Identifier: GPL-3.0-or-later
// Pieces the export windows share.
#pragma once

#include <QString>

class QLabel;
class QWidget;

namespace kt58::app {

QLabel* BoldLabel(const QString& text, QWidget* parent);
// Sizes the window to what its layout needs (never below its minimum) and
// centres it on its screen.
void FitAndCentre(QWidget* window);

}  // namespace kt58::app
