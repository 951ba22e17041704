// SPDX-License-Identifier: GPL-3.0-or-later
// A menu command under the name scripts and accessibility tools know it by.
#pragma once

#include <QAction>
#include <QString>

namespace kt58::app {

inline QAction* NamedAction(QObject* parent, const QString& caption, const char* name, bool enabled = true) {
  auto* action = new QAction(caption, parent);
  action->setObjectName(QString::fromLatin1(name));
  action->setEnabled(enabled);
  return action;
}

}  // namespace kt58::app
