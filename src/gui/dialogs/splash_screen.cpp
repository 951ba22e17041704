// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/splash_screen.h"

#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

SplashScreen::SplashScreen() : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint) {
  setFixedSize(318, 154);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::black);
  pal.setColor(QPalette::WindowText, Qt::white);
  setPalette(pal);
  auto* layout = new QVBoxLayout(this);
  auto* title = new QLabel(tr("kt58 Animator"), this);
  QFont big = title->font();
  big.setPixelSize(28);
  big.setBold(true);
  title->setFont(big);
  title->setAlignment(Qt::AlignCenter);
  layout->addWidget(title, 1);
  progressBar_ = new QProgressBar(this);
  progressBar_->setRange(0, 100);
  progressBar_->setTextVisible(false);
  progressBar_->setFixedHeight(12);
  QPalette bar = progressBar_->palette();
  bar.setColor(QPalette::Base, QColor(255, 0, 0));
  bar.setColor(QPalette::Window, QColor(255, 0, 0));
  progressBar_->setPalette(bar);
  progressBar_->setAutoFillBackground(true);
  layout->addWidget(progressBar_);
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->geometry().center() - QPoint(width() / 2, height() / 2));
}
