// SPDX-License-Identifier: GPL-3.0-or-later
// The command-line front end of the core's user-interface seam: messages go
// to stderr, progress dialogs become a one-line bar on stderr when stderr is
// a terminal, and Ctrl+C asks a cancellable operation to stop.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/ui_services.h"

namespace kt58::cli {

// Raised at an event break after Ctrl+C (or SIGTERM, SIGHUP, SIGPIPE) when the running work
// has no cancel of its own.
class InterruptedError : public std::runtime_error {
 public:
  InterruptedError() : std::runtime_error("interrupted") {}
};

class CliUi final : public UiServices {
 public:
  // Installs itself and a handler for SIGINT, SIGTERM, SIGHUP and SIGPIPE
  // for its lifetime, and ignores SIGXFSZ. With
  // progress false no bar is drawn whatever stderr is.
  explicit CliUi(bool progress);
  ~CliUi() override;
  CliUi(const CliUi&) = delete;
  CliUi& operator=(const CliUi&) = delete;

  void ProcessMessages() override;
  bool Terminating() override { return false; }
  // Kept, not printed: a failed command reports one line that may quote
  // them, a successful one prints them as warnings at the end.
  void ShowMessage(const std::string& text) override;
  std::unique_ptr<ProgressDialog> CreateProgressDialog() override;

  const std::vector<std::string>& Messages() const { return messages_; }
  // Writes each kept message as "kt58: warning: ..." and forgets them.
  void FlushWarnings(std::FILE* out);
  // True once one of those signals arrived.
  static bool Interrupted();

  // A message on one line: carriage returns and line feeds become spaces.
  static std::string OneLine(const std::string& text);
  // A message of the program as one sentence: its lines joined with ": ",
  // ended with a full stop ("Incompatible file version: This file may have
  // been created with a later version of kt58.").
  static std::string Sentence(const std::string& text);

 private:
  friend class TerminalProgress;
  bool progress_;
  std::vector<std::string> messages_;
  // The cancel action of the dialog on screen, run once on interruption.
  std::function<void()> on_cancel_;
  bool cancel_sent_ = false;
};

}  // namespace kt58::cli
