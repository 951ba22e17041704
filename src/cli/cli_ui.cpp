#include "cli/cli_ui.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>

namespace kt58::cli {

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

void OnSignal(int) { g_interrupted = 1; }

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
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  // A second Ctrl+C ends the program at once, for work that cannot stop.
  sa.sa_flags = SA_RESETHAND;
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  InstallUiServices(this);
}

CliUi::~CliUi() {
  InstallUiServices(nullptr);
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
}

void CliUi::ProcessMessages() {
  if (!g_interrupted) return;
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

void CliUi::FlushWarnings(std::FILE* out) {
  for (const auto& m : messages_) std::fprintf(out, "kt58: warning: %s\n", m.c_str());
  messages_.clear();
}

bool CliUi::Interrupted() { return g_interrupted != 0; }

std::string CliUi::OneLine(const std::string& text) {
  std::string s = text;
  std::replace(s.begin(), s.end(), '\r', ' ');
  std::replace(s.begin(), s.end(), '\n', ' ');
  return s;
}

}  // namespace kt58::cli
