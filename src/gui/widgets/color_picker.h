// SPDX-License-Identifier: GPL-3.0-or-later
// A caption label over a colour combo with a square "..." button that opens
// the colour dialog. colorChanged reports the user's changes only.
#pragma once

#include <QWidget>

#include "engine/colors.h"

class QLabel;
class QToolButton;
class ColorComboBox;

class ColorPicker : public QWidget {
  Q_OBJECT
 public:
  explicit ColorPicker(QWidget* parent = nullptr);

  kt58::Color color() const { return color_; }
  // Also sets the combo's currentColor; fires nothing.
  void setColor(kt58::Color c);
  void setLabelText(const QString& text);

  // The label's and the combo's heights one above the other.
  QSize sizeHint() const override;

  QLabel* Label() const { return label_; }
  ColorComboBox* Combo() const { return combo_; }
  QToolButton* Button() const { return button_; }

 signals:
  void colorChanged(ColorPicker* sender);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void layoutChildren();
  void applyChildTextColor();
  void onComboChanged();
  void onButtonClicked();

  kt58::Color color_ = 0;
  QLabel* label_;
  ColorComboBox* combo_;
  QToolButton* button_;
};
