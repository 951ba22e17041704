// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/document/frame_pacer.h"

#include <QObject>
#include <QTimer>
#include <algorithm>
#include <climits>
#include <utility>

FramePacer::FramePacer(QObject* parent, std::function<void()> wake) : timer_(new QTimer(parent)) {
  timer_->setSingleShot(true);
  // The frame delay is a minimum interval in milliseconds; a coarse timer
  // would stretch it by up to 5 %.
  timer_->setTimerType(Qt::PreciseTimer);
  QObject::connect(timer_, &QTimer::timeout, timer_, std::move(wake));
}

void FramePacer::Start() {
  clock_.start();
  last_ = 0;
}

void FramePacer::Stop() { timer_->stop(); }

void FramePacer::WaitFor(int64_t delay_ms) {
  const int64_t left = last_ + std::max<int64_t>(0, delay_ms) - clock_.elapsed();
  timer_->start(static_cast<int>(std::clamp<int64_t>(left, 0, INT_MAX)));
}

bool FramePacer::Take(int64_t delay_ms) {
  const int64_t now = clock_.elapsed();
  if (now - last_ < std::max<int64_t>(0, delay_ms)) {
    WaitFor(delay_ms);
    return false;
  }
  last_ = now;
  return true;
}

void FramePacer::WakeNow() { timer_->start(0); }
