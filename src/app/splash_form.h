// The frameless start-up window with its progress bar.
#pragma once

#include <QWidget>

class QProgressBar;

class TSplashForm final : public QWidget {
 public:
  TSplashForm();
  QProgressBar* Progress;
};
