// SPDX-License-Identifier: GPL-3.0-or-later
// Version, credits and the maker's web address (opened through the shell).
#pragma once

#include <QDialog>

class QDialogButtonBox;
class QLabel;

class AboutDialog final : public QDialog {
  Q_OBJECT
 public:
  explicit AboutDialog(QWidget* parent = nullptr);
  static QString webAddress();
  QLabel* linkLabel_;
  QDialogButtonBox* Buttons;
};
