#include "controls/kesh_combo_box.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>

#include "controls/border_painting.h"
#include "controls/typed_char_filter.h"

using namespace kt58::controls;

TKeshComboBox::TKeshComboBox(QWidget* parent) : QComboBox(parent) {}

void TKeshComboBox::SetFlat(bool on) {
  flat_ = on;
  update();
}

void TKeshComboBox::SetEtchedBorder(bool on) {
  etched_ = on;
  update();
}

void TKeshComboBox::PaintFace(QPaintEvent* event) { QComboBox::paintEvent(event); }

void TKeshComboBox::paintEvent(QPaintEvent* event) {
  PaintFace(event);
  if (!flat_ && !etched_) return;
  QPainter p(this);
  PaintComboBorder(p, size(), flat_, etched_);
}

TKeshNumericComboBox::TKeshNumericComboBox(QWidget* parent) : TKeshComboBox(parent) {
  setEditable(true);
  // Values typed or picked are plain text for the caller to convert; a typed
  // value must not be added to the list.
  setInsertPolicy(QComboBox::NoInsert);
  // A number is taken as typed, never completed to a listed one.
  setCompleter(nullptr);
  lineEdit()->installEventFilter(new TypedCharFilter(this));
}

void TKeshNumericComboBox::keyPressEvent(QKeyEvent* event) {
  if (lineEdit() && RefusesKey(*event, SelectionStart(*lineEdit()))) {
    event->accept();
    return;
  }
  TKeshComboBox::keyPressEvent(event);
}
