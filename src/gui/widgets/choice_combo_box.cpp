// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/widgets/choice_combo_box.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>

#include "gui/widgets/border_painting.h"
#include "gui/widgets/typed_char_filter.h"

using namespace kt58::controls;

ChoiceComboBox::ChoiceComboBox(QWidget* parent) : QComboBox(parent) {}

void ChoiceComboBox::setFlat(bool on) {
  flat_ = on;
  update();
}

void ChoiceComboBox::setEtchedBorder(bool on) {
  etched_ = on;
  update();
}

void ChoiceComboBox::paintFace(QPaintEvent* event) { QComboBox::paintEvent(event); }

void ChoiceComboBox::paintEvent(QPaintEvent* event) {
  paintFace(event);
  if (!flat_ && !etched_) return;
  QPainter p(this);
  PaintComboBorder(p, size(), flat_, etched_);
}

NumberComboBox::NumberComboBox(QWidget* parent) : ChoiceComboBox(parent) {
  setEditable(true);
  // Values typed or picked are plain text for the caller to convert; a typed
  // value must not be added to the list.
  setInsertPolicy(QComboBox::NoInsert);
  // A number is taken as typed, never completed to a listed one.
  setCompleter(nullptr);
  lineEdit()->installEventFilter(new TypedCharFilter(this));
}

void NumberComboBox::keyPressEvent(QKeyEvent* event) {
  if (lineEdit() && RefusesKey(*event, SelectionStart(*lineEdit()))) {
    event->accept();
    return;
  }
  ChoiceComboBox::keyPressEvent(event);
}
