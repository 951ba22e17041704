// Version, credits and the maker's web address (opened through the shell).
#pragma once

#include <QDialog>

class QDialogButtonBox;
class QLabel;

class TAboutForm final : public QDialog {
 public:
  explicit TAboutForm(QWidget* parent = nullptr);
  static QString WebAddress();
  QLabel* LinkLabel;
  QDialogButtonBox* Buttons;
};
