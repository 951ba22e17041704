// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/widgets/typed_char_filter.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace kt58::controls {

namespace {

bool RefusesText(const QString& text, int selection_start) {
  for (QChar c : text) {
    // Control characters are key commands (Enter, Escape, Ctrl+V), not typed text.
    if (c.unicode() < 0x20 || c.unicode() == 0x7F) continue;
    if (!AcceptsTypedCharacter(c, selection_start)) return true;
  }
  return false;
}

}  // namespace

bool AcceptsTypedCharacter(QChar c, int selection_start) {
  const char16_t u = c.unicode();
  if (u == 8) return true;
  if (u >= u'0' && u <= u'9') return true;
  return u == u'-' && selection_start == 0;
}

bool RefusesKey(const QKeyEvent& event, int selection_start) {
  const Qt::KeyboardModifiers held = event.modifiers();
  if ((held & Qt::ControlModifier) && !(held & Qt::AltModifier)) return false;
  return RefusesText(event.text(), selection_start);
}

bool RefusesInput(const QInputMethodEvent& event, int selection_start) {
  return RefusesText(event.commitString(), selection_start);
}

int SelectionStart(const QLineEdit& edit) {
  return edit.hasSelectedText() ? edit.selectionStart() : edit.cursorPosition();
}

bool TypedCharFilter::eventFilter(QObject* watched, QEvent* event) {
  auto* edit = qobject_cast<QLineEdit*>(watched);
  if (!edit) return false;
  if (event->type() == QEvent::KeyPress)
    return RefusesKey(*static_cast<QKeyEvent*>(event), SelectionStart(*edit));
  if (event->type() == QEvent::InputMethod)
    return RefusesInput(*static_cast<QInputMethodEvent*>(event), SelectionStart(*edit));
  return false;
}

}  // namespace kt58::controls
