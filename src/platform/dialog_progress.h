// SPDX-License-Identifier: GPL-3.0-or-later
// Long work's progress shown in a progress window of the front end's making:
// the desktop app's dialog or the command line's terminal bar.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/progress.h"

namespace kt58 {

// A modeless progress window driven by a long operation: create, set texts
// and range, optionally show Cancel, Show, update per step, Release.
class ProgressDialog {
 public:
  virtual ~ProgressDialog() = default;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual void SetText(const std::string& text) = 0;
  virtual void SetRange(int minimum, int maximum) = 0;
  virtual void SetPosition(int position) = 0;
  // Shows the Cancel button; a click calls on_cancel.
  virtual void ShowCancel(std::function<void()> on_cancel) = 0;
  virtual void Show() = 0;
  virtual void Repaint() = 0;
  // Asks for the window's release; it goes once pending events have run,
  // so releasing from inside an event handler is safe.
  virtual void Release() = 0;
};

// Long work's Progress shown in a progress dialog that `make_dialog` makes
// (a window, a terminal bar) when the work begins or first reports, so work
// that reports nothing shows nothing. The dialog appears at the first
// report; a report with total 0 leaves the bar as it is. Work that offers
// Cancel gets the button. `poll` runs at each report and is told whether the
// work offers Cancel, so that the front end can let the click (or Ctrl+C)
// through while the work goes on.
class DialogProgress final : public Progress {
 public:
  DialogProgress(std::function<std::unique_ptr<ProgressDialog>()> make_dialog, std::function<void(bool cancellable)> poll);
  ~DialogProgress() override;
  DialogProgress(const DialogProgress&) = delete;
  DialogProgress& operator=(const DialogProgress&) = delete;

  void Begin(const std::string& caption, bool offer_cancel) override;
  void Report(const std::string& text, int64_t done, int64_t total) override;
  bool Cancelled() const override { return cancelled_; }

 private:
  ProgressDialog& Dialog();

  std::function<std::unique_ptr<ProgressDialog>()> make_dialog_;
  std::unique_ptr<ProgressDialog> dialog_;
  std::function<void(bool cancellable)> poll_;
  bool cancellable_ = false;
  bool cancelled_ = false;
  bool shown_ = false;
  std::string text_;
  int64_t total_ = -1;
};

}  // namespace kt58
