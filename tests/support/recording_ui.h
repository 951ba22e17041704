// SPDX-License-Identifier: GPL-3.0-or-later
// A UiServices that records what the core showed, for assertions.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/ui_services.h"

namespace kt58::test {

struct RecordedDialog {
  std::string caption;
  std::vector<std::string> texts;  // every text set, in order
  int minimum = 0, maximum = 100, position = 0;
  std::vector<int> positions;  // every position set, in order
  bool cancel_shown = false;
  std::function<void()> on_cancel;
  bool shown = false;
  bool released = false;
};

class RecordingUi : public UiServices {
 public:
  // Installs itself for the object's lifetime.
  RecordingUi();
  ~RecordingUi() override;

  void ProcessMessages() override;
  bool Terminating() override { return terminating; }
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  void SetBusyCursor(bool on) override {
    busy_changes.push_back(on);
    if (on_busy_change) on_busy_change(on);
  }
  std::unique_ptr<ProgressDialog> CreateProgressDialog() override;

  std::vector<std::string> messages;
  std::vector<bool> busy_changes;
  std::vector<std::shared_ptr<RecordedDialog>> dialogs;
  int process_messages_calls = 0;
  bool terminating = false;
  // Runs inside ProcessMessages, as a pending event would.
  std::function<void()> on_process_messages;
  // Runs inside SetBusyCursor, while the work that set it is under way.
  std::function<void(bool)> on_busy_change;
};

}  // namespace kt58::test
