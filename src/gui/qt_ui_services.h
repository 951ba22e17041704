// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop app's UiServices: pending events run through the Qt event loop,
// messages are QMessageBoxes, the busy cursor is an override cursor and
// progress is shown in a ProgressDialog.
#pragma once

#include <QObject>

#include "engine/ui_services.h"

class QtUiServices final : public QObject, public kt58::UiServices {
  Q_OBJECT
 public:
  // Needs a QApplication. Installs itself for its lifetime.
  QtUiServices();
  ~QtUiServices() override;

  void ProcessMessages() override;
  bool Terminating() override { return terminating_; }
  // A plain message box with one OK button, owned by the active window;
  // carriage returns in the text are line breaks.
  void ShowMessage(const std::string& text) override;
  // Nests: the busy cursor stays until every "on" has had its "off"; an
  // unmatched "off" does nothing.
  void SetBusyCursor(bool on) override;
  std::unique_ptr<kt58::ProgressDialog> CreateProgressDialog() override;

  // Set when the application has been asked to quit, so that long jobs stop
  // running events and re-entered handlers stay away.
  void SetTerminating(bool on) { terminating_ = on; }

 private:
  bool terminating_ = false;
  int busy_depth_ = 0;
};

// Message text from the core: UTF-8, line breaks as carriage returns.
QString MessageText(const std::string& text);
