// SPDX-License-Identifier: GPL-3.0-or-later
// What long work (an import, a save, an export) tells its caller as it goes,
// and how the caller stops it. The core never shows anything itself: the
// desktop app turns reports into a progress window, the command-line tool
// into a progress bar, tests into a record.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace kt58 {

class Progress {
 public:
  virtual ~Progress() = default;
  // Before its first report, work may name itself for the title of a
  // progress window (empty: untitled) and say whether a Cancel button fits
  // it: whether it stops soon after Cancelled() turns true.
  virtual void Begin(const std::string& caption, bool offer_cancel) {
    (void)caption;
    (void)offer_cancel;
  }
  // The step under way ("Constructing Frame : 3") and how far the work is:
  // `done` of `total` steps (total 0: unknown).
  virtual void Report(const std::string& text, int64_t done, int64_t total) = 0;
  // Polled between steps. Work that sees true stops, cleans up what it made
  // and throws Cancelled.
  virtual bool Cancelled() const = 0;
};

// Reports nothing and never asks to stop.
Progress& NoProgress();

// Thrown by work that stopped because its Progress asked it to; whatever the
// work had made is gone again.
class Cancelled : public std::runtime_error {
 public:
  Cancelled() : std::runtime_error("Cancelled") {}
};

}  // namespace kt58
