// SPDX-License-Identifier: GPL-3.0-or-later
// What the command-line tool shows: messages go to stderr, progress becomes a
// one-line bar on stderr when stderr is a terminal, and Ctrl+C asks a
// cancellable operation to stop.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/dialog_progress.h"

namespace kt58::cli {

// Raised at an event break after Ctrl+C (or SIGTERM, SIGHUP, SIGPIPE) when the running work
// has no cancel of its own.
class InterruptedError : public std::runtime_error {
 public:
  InterruptedError() : std::runtime_error("interrupted") {}
};

class CliUi final {
 public:
  // Installs a handler for SIGINT, SIGTERM, SIGHUP and SIGPIPE for its
  // lifetime, and ignores SIGXFSZ. With progress false no bar is drawn
  // whatever stderr is.
  explicit CliUi(bool progress);
  ~CliUi();
  CliUi(const CliUi&) = delete;
  CliUi& operator=(const CliUi&) = delete;

  // After Ctrl+C: cancels the work on screen when it offers Cancel, and
  // otherwise raises InterruptedError, so that the work unwinds and its
  // files are removed on the way out.
  void ProcessMessages();
  // Kept, not printed: a failed command reports one line that may quote
  // them, a successful one prints them as warnings at the end.
  void ShowMessage(const std::string& text);
  std::unique_ptr<ProgressDialog> CreateProgressDialog();
  // Long work's progress on the terminal bar, stopped by Ctrl+C.
  DialogProgress MakeProgress();

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
