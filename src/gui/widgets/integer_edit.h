// SPDX-License-Identifier: GPL-3.0-or-later
// A single-line edit for whole numbers: typing is limited to digits, backspace
// and a leading "-", and its border can be drawn flat or etched.
#pragma once

#include <QLineEdit>

// The number an edit's text stands for; text that is not a whole number
// counts as 0.
int IntegerOf(const QLineEdit* edit);

class IntegerEdit : public QLineEdit {
  Q_OBJECT
 public:
  explicit IntegerEdit(QWidget* parent = nullptr);

  bool Flat() const { return flat_; }
  void setFlat(bool on);
  bool etchedBorder() const { return etched_; }
  void setEtchedBorder(bool on);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  bool flat_ = false;
  bool etched_ = false;
};
