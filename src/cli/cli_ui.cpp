// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_ui.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>

#include "platform/atomic_file.h"

namespace kt58::cli {

namespace {

// The one flag is the platform's: once set, no output is committed any
// more, so a stopped run never replaces a file with what it had so far.
void OnSignal(int) { InterruptCommits(); }

// Signals that stop a run and clean up as Ctrl+C does: a closed terminal,
// kill's default, a reader of our output that went away.
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

constexpr int kBarWidth = 30;

}  // namespace

// A progress dialog drawn as "\r<caption> <text> [#####-----] 42%" on stderr.
// Redrawn only when what it shows changes, so a long run writes little.
class TerminalProgress final : public ProgressDialog {
 public:
  TerminalProgress(CliUi& ui, bool draw) : ui_(ui), draw_(draw) {}
  ~TerminalProgress() override { Release(); }

  void SetCaption(const std::string& caption) override { caption_ = caption; }
  void SetText(const std::string& text) override { text_ = CliUi::OneLine(text); }
  void SetRange(int minimum, int maximum) override {
    minimum_ = minimum;
    maximum_ = maximum;
  }
  void SetPosition(int position) override {
    position_ = position;
    Draw();
  }
  void ShowCancel(std::function<void()> on_cancel) override { ui_.on_cancel_ = std::move(on_cancel); }
  void Show() override {
    shown_ = true;
    Draw();
  }
  void Repaint() override { Draw(); }
  void Release() override {
    if (released_) return;
    released_ = true;
    ui_.on_cancel_ = nullptr;
    if (drawn_) {
      std::fprintf(stderr, "\r%*s\r", static_cast<int>(last_line_.size()), "");
      std::fflush(stderr);
    }
  }

 private:
  void Draw() {
    if (!draw_ || !shown_ || released_) return;
    const int span = maximum_ - minimum_;
    const int done = span > 0 ? std::clamp(position_ - minimum_, 0, span) : 0;
    const int percent = span > 0 ? static_cast<int>(static_cast<long long>(done) * 100 / span) : 0;
    const int filled = span > 0 ? static_cast<int>(static_cast<long long>(done) * kBarWidth / span) : 0;
    // The text says more than the caption ("Loading Resource 2 of 7").
    std::string line = text_.empty() ? caption_ : text_;
    if (line.size() > 44) line.resize(44);
    line += " [" + std::string(static_cast<size_t>(filled), '#') +
            std::string(static_cast<size_t>(kBarWidth - filled), '-') + "] " + std::to_string(percent) + "%";
    if (line == last_line_) return;
    const size_t old = last_line_.size();
    last_line_ = line;
    const int pad = old > line.size() ? static_cast<int>(old - line.size()) : 0;
    std::fprintf(stderr, "\r%s%*s", line.c_str(), pad, "");
    std::fflush(stderr);
    drawn_ = true;
  }

  CliUi& ui_;
  bool draw_;
  std::string caption_, text_, last_line_;
  int minimum_ = 0, maximum_ = 100, position_ = 0;
  bool shown_ = false, released_ = false, drawn_ = false;
};

CliUi::CliUi(bool progress) : progress_(progress && isatty(STDERR_FILENO) == 1) {
  for (int signal : kStopSignals) {
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    // A second Ctrl+C ends the program at once, for work that cannot stop;
    // SIGPIPE comes again with every write to a closed pipe, which must
    // stay a write error.
    sa.sa_flags = signal == SIGPIPE ? 0 : SA_RESETHAND;
    sigaction(signal, &sa, nullptr);
  }
  // A file-size limit (ulimit -f) then fails the write with EFBIG, which
  // is reported and cleaned up, instead of killing the process.
  std::signal(SIGXFSZ, SIG_IGN);
}

CliUi::~CliUi() {
  // The work is over and its output committed or refused: the process only
  // exits from here, and a signal now must not turn a success into death by
  // that signal.
  for (int signal : kStopSignals) std::signal(signal, SIG_IGN);
  std::signal(SIGXFSZ, SIG_DFL);
}

void CliUi::ProcessMessages() {
  if (!Interrupted()) return;
  if (on_cancel_) {
    if (!cancel_sent_) {
      cancel_sent_ = true;
      on_cancel_();
    }
    return;
  }
  // Work without a cancel of its own is left by an exception from its next
  // event break, so the animation is still freed on the way out and its
  // frame-store files deleted; a plain exit would leave them behind.
  throw InterruptedError();
}

void CliUi::ShowMessage(const std::string& text) { messages_.push_back(OneLine(text)); }

std::unique_ptr<ProgressDialog> CliUi::CreateProgressDialog() {
  return std::make_unique<TerminalProgress>(*this, progress_);
}

DialogProgress CliUi::MakeProgress() {
  return DialogProgress([this] { return CreateProgressDialog(); }, [this](bool) { ProcessMessages(); });
}

void CliUi::FlushWarnings(std::FILE* out) {
  for (const auto& m : messages_) std::fprintf(out, "kt58: warning: %s\n", m.c_str());
  messages_.clear();
}

bool CliUi::Interrupted() { return CommitsInterrupted(); }

std::string CliUi::OneLine(const std::string& text) {
  std::string s = text;
  std::replace(s.begin(), s.end(), '\r', ' ');
  std::replace(s.begin(), s.end(), '\n', ' ');
  return s;
}

std::string CliUi::Sentence(const std::string& text) {
  std::string s;
  for (char c : text) {
    if (c == '\r' || c == '\n') {
      if (!s.empty() && s.back() != ':') s += ':';
      if (!s.empty()) s += ' ';
    } else {
      s += c;
    }
  }
  while (!s.empty() && (s.back() == ' ' || s.back() == ':')) s.pop_back();
  if (!s.empty() && s.back() != '.' && s.back() != '!' && s.back() != '?') s += '.';
  return s;
}

}  // namespace kt58::cli
