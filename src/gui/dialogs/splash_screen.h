// SPDX-License-Identifier: GPL-3.0-or-later
// The frameless start-up window with its progress bar.
#pragma once

#include <QWidget>

class QProgressBar;

class SplashScreen final : public QWidget {
  Q_OBJECT
 public:
  SplashScreen();
  QProgressBar* progressBar_;
};
