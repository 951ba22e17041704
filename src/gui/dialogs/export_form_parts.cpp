// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/export_form_parts.h"

#include <QLabel>
#include <QScreen>
#include <QWidget>

namespace kt58::app {

QLabel* BoldLabel(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  QFont bold = label->font();
  bold.setBold(true);
  label->setFont(bold);
  return label;
}

void FitAndCentre(QWidget* window) {
  window->resize(window->sizeHint().expandedTo(window->minimumSize()));
  if (const QScreen* screen = window->screen())
    window->move(screen->availableGeometry().center() - window->rect().center());
}

}  // namespace kt58::app
