// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ui_services.h"

#include <algorithm>
#include <atomic>
#include <limits>

namespace kt58 {

namespace {

class SilentProgressDialog final : public ProgressDialog {
 public:
  void SetCaption(const std::string&) override {}
  void SetText(const std::string&) override {}
  void SetRange(int, int) override {}
  void SetPosition(int) override {}
  void ShowCancel(std::function<void()>) override {}
  void Show() override {}
  void Repaint() override {}
  void Release() override {}
};

UiServices g_default_services;
std::atomic<UiServices*> g_services{&g_default_services};

}  // namespace

std::unique_ptr<ProgressDialog> UiServices::CreateProgressDialog() {
  return std::make_unique<SilentProgressDialog>();
}

UiServices& Ui() { return *g_services.load(std::memory_order_acquire); }

void InstallUiServices(UiServices* services) {
  g_services.store(services ? services : &g_default_services, std::memory_order_release);
}

DialogProgress::DialogProgress(std::function<std::unique_ptr<ProgressDialog>()> make_dialog,
                               std::function<void()> poll)
    : make_dialog_(std::move(make_dialog)), poll_(std::move(poll)) {}

DialogProgress::~DialogProgress() {
  if (dialog_) dialog_->Release();
}

ProgressDialog& DialogProgress::Dialog() {
  if (!dialog_) dialog_ = make_dialog_();
  return *dialog_;
}

void DialogProgress::Begin(const std::string& caption, bool offer_cancel) {
  if (!caption.empty()) Dialog().SetCaption(caption);
  cancellable_ = offer_cancel;
  if (offer_cancel) Dialog().ShowCancel([this] { cancelled_ = true; });
}

void DialogProgress::Report(const std::string& text, int64_t done, int64_t total) {
  if (!shown_ || text != text_) {
    text_ = text;
    Dialog().SetText(text);
  }
  if (total > 0) {
    const int64_t top = std::min<int64_t>(total, std::numeric_limits<int>::max());
    if (top != total_) {
      total_ = top;
      Dialog().SetRange(0, static_cast<int>(top));
    }
    Dialog().SetPosition(static_cast<int>(std::clamp<int64_t>(done, 0, top)));
  }
  if (!shown_) {
    shown_ = true;
    Dialog().Show();
  }
  Dialog().Repaint();
  if (cancellable_ && poll_) poll_();
}

void ProcessPendingMessages() {
  UiServices& ui = Ui();
  if (!ui.Terminating()) ui.ProcessMessages();
}

}  // namespace kt58
