// SPDX-License-Identifier: GPL-3.0-or-later
// What the core needs of a user interface: letting pending events run,
// messages, the busy cursor and progress dialogs. One process-wide instance,
// installed by the front end; the default does nothing, so the core runs
// headless without set-up.
#pragma once

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

class UiServices {
 public:
  virtual ~UiServices() = default;
  virtual void ProcessMessages() {}
  virtual bool Terminating() { return false; }
  virtual void ShowMessage(const std::string& /*text*/) {}
  virtual void SetBusyCursor(bool /*on*/) {}
  virtual std::unique_ptr<ProgressDialog> CreateProgressDialog();
};

// The installed services (the do-nothing default until a front end installs
// its own). Install(nullptr) restores the default; the caller keeps ownership.
UiServices& Ui();
void InstallUiServices(UiServices* services);

// Lets pending events run unless the program is terminating.
void ProcessPendingMessages();

// The busy cursor for the life of a scope.
class BusyCursor {
 public:
  BusyCursor() { Ui().SetBusyCursor(true); }
  ~BusyCursor() { Ui().SetBusyCursor(false); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

// Keeps a dialog released on every way out of a scope.
class ProgressScope {
 public:
  ProgressScope() : dialog_(Ui().CreateProgressDialog()) {}
  ~ProgressScope() {
    if (dialog_) dialog_->Release();
  }
  ProgressScope(const ProgressScope&) = delete;
  ProgressScope& operator=(const ProgressScope&) = delete;
  ProgressDialog* operator->() { return dialog_.get(); }

 private:
  std::unique_ptr<ProgressDialog> dialog_;
};

// Long work's Progress shown in a progress dialog that the front end hands
// makes (a window, a terminal bar) when the work begins or first reports, so
// work that reports nothing shows nothing. The dialog appears at the first
// report; a
// report with total 0 leaves the bar as it is. Work that offers Cancel gets
// the button, and `poll` runs at each of its reports, so that the front end
// can let the click (or Ctrl+C) through while the work goes on.
class DialogProgress final : public Progress {
 public:
  DialogProgress(std::function<std::unique_ptr<ProgressDialog>()> make_dialog, std::function<void()> poll);
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
  std::function<void()> poll_;
  bool cancellable_ = false;
  bool cancelled_ = false;
  bool shown_ = false;
  std::string text_;
  int64_t total_ = -1;
};

}  // namespace kt58
