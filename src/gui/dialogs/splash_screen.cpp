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
  auto* title = new QLabel(QStringLiteral("kt58 Animator"), this);
  QFont big = title->font();
  big.setPixelSize(28);
  big.setBold(true);
  title->setFont(big);
  title->setAlignment(Qt::AlignCenter);
  layout->addWidget(title, 1);
  Progress = new QProgressBar(this);
  Progress->setRange(0, 100);
  Progress->setTextVisible(false);
  Progress->setFixedHeight(12);
  QPalette bar = Progress->palette();
  bar.setColor(QPalette::Base, QColor(255, 0, 0));
  bar.setColor(QPalette::Window, QColor(255, 0, 0));
  Progress->setPalette(bar);
  Progress->setAutoFillBackground(true);
  layout->addWidget(Progress);
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->geometry().center() - QPoint(width() / 2, height() / 2));
}
