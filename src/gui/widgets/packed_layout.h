// SPDX-License-Identifier: GPL-3.0-or-later
// Layouts that pack their widgets edge to edge, as the main window's panels
// are placed.
#pragma once

#include <QLayout>

template <class Layout>
Layout* Packed(Layout* layout) {
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  return layout;
}
