// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/widgets/integer_edit.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPainter>

#include "gui/widgets/border_painting.h"
#include "gui/widgets/typed_char_filter.h"
#include "platform/text_helpers.h"

using namespace kt58::controls;

int IntegerOf(const QLineEdit* edit) { return kt58::ParseIntOrZero(edit->text().toStdString()); }

IntegerEdit::IntegerEdit(QWidget* parent) : QLineEdit(parent) {}

void IntegerEdit::setFlat(bool on) {
  flat_ = on;
  update();
}

void IntegerEdit::setEtchedBorder(bool on) {
  etched_ = on;
  update();
}

void IntegerEdit::keyPressEvent(QKeyEvent* event) {
  if (RefusesKey(*event, SelectionStart(*this))) {
    event->accept();  // dropped silently; the parent never sees it either
    return;
  }
  QLineEdit::keyPressEvent(event);
}

void IntegerEdit::inputMethodEvent(QInputMethodEvent* event) {
  if (RefusesInput(*event, SelectionStart(*this))) {
    event->accept();
    return;
  }
  QLineEdit::inputMethodEvent(event);
}

void IntegerEdit::paintEvent(QPaintEvent* event) {
  QLineEdit::paintEvent(event);
  if (!flat_ && !etched_) return;
  QPainter p(this);
  PaintEditBorder(p, size(), flat_, etched_);
}
