// SPDX-License-Identifier: GPL-3.0-or-later
// Combo boxes with the Flat and etchedBorder looks; the numeric one is
// editable and limits typing like the integer edit.
#pragma once

#include <QComboBox>

class ChoiceComboBox : public QComboBox {
  Q_OBJECT
 public:
  explicit ChoiceComboBox(QWidget* parent = nullptr);

  bool Flat() const { return flat_; }
  void setFlat(bool on);
  bool etchedBorder() const { return etched_; }
  void setEtchedBorder(bool on);

 protected:
  void paintEvent(QPaintEvent* event) override;
  // The control's face without the border overlay.
  virtual void paintFace(QPaintEvent* event);

 private:
  bool flat_ = false;
  bool etched_ = false;
};

class NumberComboBox : public ChoiceComboBox {
  Q_OBJECT
 public:
  explicit NumberComboBox(QWidget* parent = nullptr);

 protected:
  // Keys sent to the combo itself are forwarded to its line edit without
  // passing the line edit's event filters, so they are checked here too.
  void keyPressEvent(QKeyEvent* event) override;
};
