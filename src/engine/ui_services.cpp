#include "engine/ui_services.h"

#include <atomic>

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

void ProcessPendingMessages() {
  UiServices& ui = Ui();
  if (!ui.Terminating()) ui.ProcessMessages();
}

}  // namespace kt58
