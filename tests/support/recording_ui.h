// SPDX-License-Identifier: GPL-3.0-or-later
// Progress windows that record what long work showed in them, for
// assertions.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/dialog_progress.h"

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

class RecordingUi {
 public:
  // Counts the call and runs on_process_messages, as a pending event would.
  void ProcessMessages();
  std::unique_ptr<ProgressDialog> CreateProgressDialog();
  // Progress shown in recorded dialogs; events run at the reports of work
  // that offers Cancel, as in the desktop app.
  DialogProgress MakeProgress();

  std::vector<std::shared_ptr<RecordedDialog>> dialogs;
  int process_messages_calls = 0;
  std::function<void()> on_process_messages;
};

}  // namespace kt58::test
