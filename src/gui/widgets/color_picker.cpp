// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/widgets/color_picker.h"

#include <QColorDialog>
#include <algorithm>
#include <QEvent>
#include <QLabel>
#include <QToolButton>

#include "gui/widgets/color_combo_box.h"

using namespace kt58;
using namespace kt58::controls;

ColorPicker::ColorPicker(QWidget* parent)
    : QWidget(parent), label_(new QLabel(this)), combo_(new ColorComboBox(this)), button_(new QToolButton(this)) {
  label_->setAutoFillBackground(false);
  combo_->setEtchedBorder(false);
  button_->setText(tr("..."));
  button_->setFocusPolicy(Qt::NoFocus);
  color_ = combo_->currentColor();
  connect(combo_, &ColorComboBox::colorChanged, this, &ColorPicker::onComboChanged);
  connect(button_, &QToolButton::clicked, this, &ColorPicker::onButtonClicked);
  applyChildTextColor();
  resize(150, 23);
  layoutChildren();
}

void ColorPicker::setColor(kt58::Color c) {
  color_ = c;
  combo_->setCurrentColor(c);
}

void ColorPicker::setLabelText(const QString& text) { label_->setText(text); }

QSize ColorPicker::sizeHint() const {
  return {150, label_->sizeHint().height() + combo_->sizeHint().height() + 2};
}

void ColorPicker::layoutChildren() {
  const int w = width();
  const int label_h = label_->sizeHint().height();
  label_->setGeometry(1, 1, std::max(0, w - 2), label_h);
  const int combo_h = combo_->sizeHint().height();
  const int combo_top = label_->y() + label_h + 1;
  const int combo_w = std::max(0, w - combo_h - 1);
  combo_->setGeometry(1, combo_top, combo_w, combo_h);
  const int side = std::max(0, combo_h - 2);
  button_->setGeometry(combo_->x() + combo_w + 1, combo_top, side, side);
}

void ColorPicker::applyChildTextColor() {
  // The combo and button keep black text whatever colour the selector's font
  // has; the label shows the selector's own colour.
  for (QWidget* child : {static_cast<QWidget*>(combo_), static_cast<QWidget*>(button_)}) {
    QPalette pal = child->palette();
    pal.setColor(QPalette::Text, Qt::black);
    pal.setColor(QPalette::ButtonText, Qt::black);
    pal.setColor(QPalette::WindowText, Qt::black);
    child->setPalette(pal);
  }
}

void ColorPicker::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  layoutChildren();
}

void ColorPicker::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    applyChildTextColor();
    layoutChildren();
  }
}

void ColorPicker::onComboChanged() {
  color_ = combo_->currentColor();
  emit colorChanged(this);
}

void ColorPicker::onButtonClicked() {
  QColorDialog dialog(ToQColor(color_), this);
  if (dialog.exec() != QDialog::Accepted) return;
  setColor(FromQColor(dialog.selectedColor()));
  emit colorChanged(this);
}
