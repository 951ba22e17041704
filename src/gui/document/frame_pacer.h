// SPDX-License-Identifier: GPL-3.0-or-later
// Frames shown one after another at the animation's delay, driven from the
// event loop: a frame is due a delay after the previous one was taken, so
// showing a frame takes its time out of the delay rather than adding to it.
// A precise single-shot timer wakes the owner; an idle wait costs no
// processor time.
#pragma once

#include <QElapsedTimer>
#include <cstdint>
#include <functional>

class QObject;
class QTimer;

class FramePacer {
 public:
  // wake runs on the event loop of parent's thread when a frame may be due.
  FramePacer(QObject* parent, std::function<void()> wake);

  // The clock starts; the first frame is due at once.
  void Start();
  void Stop();
  // Milliseconds since Start.
  int64_t Elapsed() const { return clock_.elapsed(); }

  // Wakes the owner when the frame after the last one taken is due, delay_ms
  // after it (at once when it already is). A delay below zero counts as 0:
  // as a wait it would never end.
  void WaitFor(int64_t delay_ms);
  // Takes the next frame when it is due; otherwise waits again (woken early)
  // and returns false.
  bool Take(int64_t delay_ms);
  // Wakes the owner at the next turn of the event loop.
  void WakeNow();

 private:
  QTimer* timer_;
  QElapsedTimer clock_;
  int64_t last_ = 0;  // when the last frame was taken, in ms on clock_
};
