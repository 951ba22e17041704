// SPDX-License-Identifier: GPL-3.0-or-later
// The character filter of the numeric fields: a typed character reaches the
// control only when it is a digit, backspace, or a "-" typed with the
// selection starting at position 0. Text set by program or pasted is not
// checked; the callers convert the text themselves.
#pragma once

#include <QObject>
#include <QString>

class QKeyEvent;
class QInputMethodEvent;
class QLineEdit;

namespace kt58::controls {

bool AcceptsTypedCharacter(QChar c, int selection_start);

// True when the key event carries typed text that the filter refuses.
// Keys without printable text (arrows, Delete, Enter) are not typed
// characters and pass, and so are Ctrl shortcuts (Ctrl+V pastes), whatever
// text the platform gives them.
bool RefusesKey(const QKeyEvent& event, int selection_start);
bool RefusesInput(const QInputMethodEvent& event, int selection_start);

// Where typing would insert: the start of the selection, else the caret.
int SelectionStart(const QLineEdit& edit);

// Applies the filter to whatever line edit it is installed on.
class TypedCharFilter : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace kt58::controls
