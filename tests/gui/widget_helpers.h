// SPDX-License-Identifier: GPL-3.0-or-later
// Small helpers for driving and inspecting real widgets in tests.
#pragma once

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDropEvent>
#include <QImage>
#include <QTest>
#include <QWidget>

#include "gui/widgets/color_combo_box.h"
#include "gui/widgets/color_picker.h"
#include "engine/colors.h"

namespace kt58::apptest {

inline QImage Grab(QWidget* w) { return w->grab().toImage().convertToFormat(QImage::Format_RGB32); }

inline QRgb Rgb(Color c) {
  return qRgb(static_cast<int>(c & 255), static_cast<int>((c >> 8) & 255), static_cast<int>((c >> 16) & 255));
}

struct DropResult {
  bool entered = false;
  bool dropped = false;
};

// What a drag carrying the data does on the target when it enters and is
// dropped at the point.
inline DropResult Drop(QWidget* target, const QMimeData& data, QPoint at) {
  DropResult r;
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  r.entered = enter.isAccepted();
  QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  r.dropped = drop.isAccepted();
  return r;
}

// Opens the list and clicks the item as a user would.
inline void PickItem(QComboBox* combo, int index) {
  combo->showPopup();
  QAbstractItemView* view = combo->view();
  QVERIFY(QTest::qWaitForWindowExposed(view->window()));
  const QModelIndex item = view->model()->index(index, combo->modelColumn());
  view->scrollTo(item);
  // A release soon after the list opens may be taken as the end of the
  // click that opened it.
  QTest::qWait(QApplication::doubleClickInterval() + 50);
  const QPoint at = view->visualRect(item).center();
  QTest::mouseMove(view->viewport(), at);
  QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
  QTRY_VERIFY(!view->isVisible());
}

// Picks a colour by its name from a selector's list, as a user would.
inline void PickColor(ColorPicker* selector, const char* name) {
  PickItem(selector->Combo(), selector->Combo()->findText(QString::fromLatin1(name)));
}

}  // namespace kt58::apptest
