// SPDX-License-Identifier: GPL-3.0-or-later
// A drop-down list of the 41 named colours, each drawn with a swatch. The
// edit part always shows currentColor, by name or in the "$" form when no
// item has that value (a colour from the colour dialog).
#pragma once

#include <QStyledItemDelegate>

#include "gui/widgets/choice_combo_box.h"
#include "engine/colors.h"

namespace kt58::controls {

QColor ToQColor(Color c);  // system colours resolved through the core's table
Color FromQColor(const QColor& c);

// One owner-drawn entry, shared by the list and the edit part: the rectangle
// grown by one filled with the background, the text at (left + H + 5,
// top + 1), and an (H - 4)-pixel square swatch at (left + 2, top + 2) framed
// in black.
void DrawColorItem(QPainter& p, const QRect& r, int item_height, const QString& text,
                   Color color, const QColor& background, const QColor& foreground);

class ColorItemDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  ColorItemDelegate(int item_height, QObject* parent) : QStyledItemDelegate(parent), h_(item_height) {}
  void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  int h_;
};

}  // namespace kt58::controls

class ColorComboBox : public ChoiceComboBox {
  Q_OBJECT
 public:
  explicit ColorComboBox(QWidget* parent = nullptr);

  kt58::Color currentColor() const { return current_; }
  // Repaints; fires nothing.
  void setCurrentColor(kt58::Color c);

  // What the edit part shows: the name of currentColor.
  QString displayText() const;
  kt58::Color itemColor(int index) const;
  int itemHeight() const { return item_height_; }
  // Where the edit part draws its entry, in widget coordinates.
  QRect editItemRect() const;

 signals:
  // The user picked an item; currentColor already holds its colour.
  void colorChanged();

 protected:
  void paintFace(QPaintEvent* event) override;

 private:
  void fillList();
  void selectMatchingItem();
  void onItemPicked(int index);

  kt58::Color current_ = 0;
  int item_height_ = 16;
};
