// SPDX-License-Identifier: GPL-3.0-or-later
// The small modeless window that long operations show while they work. It
// has no logic of its own: the operation drives it through
// kt58::ProgressDialog.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>

#include "platform/dialog_progress.h"

class QLabel;
class QProgressBar;
class QPushButton;

class ProgressDialog : public QWidget, public kt58::ProgressDialog {
  Q_OBJECT
 public:
  // Created hidden, without an owner.
  ProgressDialog();

  QLabel* progressLabel() const { return progress_label_; }
  QProgressBar* progressBar() const { return progress1_; }
  QPushButton* cancelButton() const { return cancel_button_; }

  void SetCaption(const std::string& caption) override;
  void SetText(const std::string& text) override;
  void SetRange(int minimum, int maximum) override;
  void SetPosition(int position) override;
  void ShowCancel(std::function<void()> on_cancel) override;
  void Show() override;
  void Repaint() override;
  // Hides the window at once and deletes it when control is back in the
  // event loop, so a Cancel handler may release its own dialog.
  void Release() override;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void layoutChildren();

  QLabel* progress_label_;
  QProgressBar* progress1_;
  QPushButton* cancel_button_;
  std::function<void()> on_cancel_;
  bool released_ = false;
};

// What CreateProgressDialog hands out: the caller's unique_ptr owns this
// handle, never the window, so dropping the pointer releases the window the
// safe way and calls after the window has gone do nothing.
std::unique_ptr<kt58::ProgressDialog> CreateProgressDialogHandle();
