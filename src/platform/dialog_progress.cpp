// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/dialog_progress.h"

#include <algorithm>
#include <limits>

namespace kt58 {

DialogProgress::DialogProgress(std::function<std::unique_ptr<ProgressDialog>()> make_dialog,
                               std::function<void(bool cancellable)> poll)
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
  if (poll_) poll_(cancellable_);
}

}  // namespace kt58
