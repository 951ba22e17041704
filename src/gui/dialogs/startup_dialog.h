// SPDX-License-Identifier: GPL-3.0-or-later
// The dialog shown at start-up: start a new project, or open one of the
// recent projects or any project file found with "Browse...".
#pragma once

#include <QDialog>
#include <filesystem>

#include "gui/recent_projects.h"

class QCheckBox;
class QListWidget;
class QPushButton;
class QRadioButton;

class StartupDialog final : public QDialog {
  Q_OBJECT
 public:
  // recentList_ lists the recent projects in the given order.
  explicit StartupDialog(const kt58::app::RecentList& recent, QWidget* parent = nullptr);

  // After OK: in "open" mode the file found with "Browse...", else the
  // recent project of the selected row; empty in "create" mode.
  std::filesystem::path ProjectToOpen() const;

  void onOk();
  void onRecentDoubleClicked();
  void browse();

  QRadioButton *createRadio_, *openRadio_;
  QListWidget* recentList_;
  QPushButton *okButton_, *browseButton_;
  QCheckBox* keepOnCheck_;
  std::filesystem::path chosenFile_;

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  void onFirstShow();
  int selectedRow() const;

  kt58::app::RecentList recent_;
  bool shown_once_ = false;
};

// Runs the dialog modally over the recent list. After OK, start_dialog_on
// becomes the opposite of "Do not show this dialog on start up." and the
// result is ProjectToOpen(); closing the dialog changes nothing and gives an
// empty path.
std::filesystem::path runStartupDialog(const kt58::app::RecentList& recent, bool& start_dialog_on);
