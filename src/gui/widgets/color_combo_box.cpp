// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/widgets/color_combo_box.h"

#include <QAbstractItemView>
#include <algorithm>
#include <QPainter>
#include <QStylePainter>

#include "engine/color_names.h"

namespace kt58::controls {

namespace {
constexpr int kColorRole = Qt::UserRole;
}

QColor ToQColor(Color c) {
  const Color rgb = ResolveColor(c);
  return QColor(static_cast<int>(rgb & 255), static_cast<int>((rgb >> 8) & 255),
                static_cast<int>((rgb >> 16) & 255));
}

Color FromQColor(const QColor& c) {
  return RGBColor(static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()),
                  static_cast<uint8_t>(c.blue()));
}

void DrawColorItem(QPainter& p, const QRect& r, int h, const QString& text, Color color,
                   const QColor& background, const QColor& foreground) {
  p.save();
  p.fillRect(r.adjusted(-1, -1, 1, 1), background);
  QFont plain = p.font();
  plain.setBold(false);
  plain.setItalic(false);
  plain.setUnderline(false);
  plain.setStrikeOut(false);
  p.setFont(plain);
  p.setPen(foreground);
  const QRect text_rect(r.left() + h + 5, r.top() + 1, std::max(0, r.right() - (r.left() + h + 5) + 1),
                        std::max(0, r.height() - 1));
  p.drawText(text_rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
  // Swatch spans [left + 2, left + h - 2) x [top + 2, top + h - 2).
  const QRect swatch(r.left() + 2, r.top() + 2, h - 4, h - 4);
  if (swatch.width() > 0 && swatch.height() > 0) {
    p.fillRect(swatch, ToQColor(color));
    p.setPen(Qt::black);
    p.setBrush(Qt::NoBrush);
    p.drawRect(swatch.adjusted(0, 0, -1, -1));
  }
  p.restore();
}

void ColorItemDelegate::paint(QPainter* p, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
  const bool selected = option.state & QStyle::State_Selected;
  const QPalette& pal = option.palette;
  p->save();
  p->setClipRect(option.rect);
  p->setFont(option.font);
  DrawColorItem(*p, option.rect, h_, index.data(Qt::DisplayRole).toString(),
                index.data(kColorRole).toUInt(), selected ? pal.highlight().color() : pal.base().color(),
                selected ? pal.highlightedText().color() : pal.text().color());
  p->restore();
}

QSize ColorItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const QString text = index.data(Qt::DisplayRole).toString();
  return QSize(h_ + 5 + option.fontMetrics.horizontalAdvance(text) + 4, h_);
}

}  // namespace kt58::controls

using namespace kt58;
using namespace kt58::controls;

ColorComboBox::ColorComboBox(QWidget* parent) : ChoiceComboBox(parent) {
  // Fixed item height: the classic 16 pixels unless the font needs more.
  item_height_ = std::max(16, fontMetrics().height() + 2);
  setItemDelegate(new ColorItemDelegate(item_height_, this));
  setEditable(false);
  setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  setMinimumContentsLength(4);
  fillList();
  connect(this, &QComboBox::activated, this, &ColorComboBox::onItemPicked);
}

void ColorComboBox::fillList() {
  if (count() > 0) return;
  for (const NamedColor& c : NamedColors()) addItem(QString::fromLatin1(c.label), QVariant(c.value));
  setCurrentIndex(0);
  current_ = itemColor(0);
}

QString ColorComboBox::displayText() const { return QString::fromStdString(ColorLabel(current_)); }

Color ColorComboBox::itemColor(int index) const { return itemData(index, kColorRole).toUInt(); }

void ColorComboBox::setCurrentColor(Color c) {
  current_ = c;
  selectMatchingItem();
  update();
}

void ColorComboBox::selectMatchingItem() {
  // Keeps the open list on the shown colour; a colour outside the list
  // leaves no item selected. Never a user pick, so no colorChanged.
  const QSignalBlocker block(this);
  setCurrentIndex(findData(QVariant(current_), kColorRole));
}

void ColorComboBox::onItemPicked(int index) {
  if (index < 0) return;
  current_ = itemColor(index);
  update();
  emit colorChanged();
}

QRect ColorComboBox::editItemRect() const {
  QStyleOptionComboBox opt;
  initStyleOption(&opt);
  const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, this);
  const int top = field.top() + (field.height() - item_height_) / 2;
  return QRect(field.left(), top, field.width(), item_height_);
}

void ColorComboBox::paintFace(QPaintEvent*) {
  QStylePainter p(this);
  QStyleOptionComboBox opt;
  initStyleOption(&opt);
  opt.currentText.clear();
  opt.currentIcon = QIcon();
  p.drawComplexControl(QStyle::CC_ComboBox, opt);
  const bool focused = hasFocus() && !view()->isVisible();
  const QPalette& pal = palette();
  p.setClipRect(style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, this));
  DrawColorItem(p, editItemRect(), item_height_, displayText(), current_,
                focused ? pal.highlight().color() : pal.base().color(),
                focused ? pal.highlightedText().color() : pal.text().color());
}
