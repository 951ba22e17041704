// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/recording_ui.h"

namespace kt58::test {

namespace {

class RecordingDialog final : public ProgressDialog {
 public:
  explicit RecordingDialog(std::shared_ptr<RecordedDialog> d) : d_(std::move(d)) {}
  void SetCaption(const std::string& caption) override { d_->caption = caption; }
  void SetText(const std::string& text) override { d_->texts.push_back(text); }
  void SetRange(int minimum, int maximum) override {
    d_->minimum = minimum;
    d_->maximum = maximum;
  }
  void SetPosition(int position) override {
    d_->position = position;
    d_->positions.push_back(position);
  }
  void ShowCancel(std::function<void()> on_cancel) override {
    d_->cancel_shown = true;
    d_->on_cancel = std::move(on_cancel);
  }
  void Show() override { d_->shown = true; }
  void Repaint() override {}
  void Release() override { d_->released = true; }

 private:
  std::shared_ptr<RecordedDialog> d_;
};

}  // namespace

void RecordingUi::ProcessMessages() {
  ++process_messages_calls;
  if (on_process_messages) on_process_messages();
}

std::unique_ptr<ProgressDialog> RecordingUi::CreateProgressDialog() {
  auto d = std::make_shared<RecordedDialog>();
  dialogs.push_back(d);
  return std::make_unique<RecordingDialog>(d);
}

DialogProgress RecordingUi::MakeProgress() {
  return DialogProgress([this] { return CreateProgressDialog(); }, [this](bool cancellable) {
    if (cancellable) ProcessMessages();
  });
}

}  // namespace kt58::test
