// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/export_part_box.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSpinBox>
#include <algorithm>

#include "platform/picture_limits.h"

ExportPartBox::ExportPartBox(int frame_count, int frame_width, int frame_height, bool with_plays, QWidget* parent)
    : QGroupBox(tr("Frames and size"), parent),
      frame_count_(std::max(0, frame_count)),
      frame_width_(std::max(1, frame_width)),
      frame_height_(std::max(1, frame_height)) {
  setObjectName(QStringLiteral("gbExportPart"));
  auto* grid = new QGridLayout(this);
  auto spin = [this](const char* name, int low, int high, int value) {
    auto* s = new QSpinBox(this);
    s->setObjectName(QString::fromLatin1(name));
    s->setRange(low, high);
    s->setValue(value);
    // Values count once typed out: "15" typed into the last frame must not
    // pass through 1 and drag the first frame down with it.
    s->setKeyboardTracking(false);
    connect(s, &QSpinBox::valueChanged, this, &ExportPartBox::changed);
    return s;
  };
  auto row = [this](std::initializer_list<QWidget*> widgets) {
    auto* line = new QHBoxLayout;
    for (QWidget* w : widgets) line->addWidget(w);
    line->addStretch(1);
    return line;
  };
  const int last = std::max(0, frame_count_ - 1);
  firstSpin_ = spin("spFirstFrame", 0, last, 0);
  lastSpin_ = spin("spLastFrame", 0, last, last);
  everySpin_ = spin("spEveryFrame", 1, std::max(1, frame_count_), 1);
  grid->addWidget(new QLabel(tr("Frames"), this), 0, 0);
  grid->addLayout(row({firstSpin_, new QLabel(tr("to"), this), lastSpin_, new QLabel(tr("every"), this), everySpin_}),
                  0, 1);
  // A first frame past the last drags the last along, and back.
  connect(firstSpin_, &QSpinBox::valueChanged, this, [this](int v) {
    if (lastSpin_->value() < v) lastSpin_->setValue(v);
  });
  connect(lastSpin_, &QSpinBox::valueChanged, this, [this](int v) {
    if (firstSpin_->value() > v) firstSpin_->setValue(v);
  });

  widthSpin_ = spin("spWidth", 1, kt58::kMaxPictureSide, frame_width_);
  heightSpin_ = spin("spHeight", 1, kt58::kMaxPictureSide, frame_height_);
  keepAspectCheck_ = new QCheckBox(tr("Keep aspect"), this);
  keepAspectCheck_->setObjectName(QStringLiteral("cbKeepAspect"));
  keepAspectCheck_->setChecked(true);
  grid->addWidget(new QLabel(tr("Size"), this), 1, 0);
  grid->addLayout(row({widthSpin_, new QLabel(tr("x"), this), heightSpin_, keepAspectCheck_}), 1, 1);
  connect(widthSpin_, &QSpinBox::valueChanged, this, [this] { follow(true); });
  connect(heightSpin_, &QSpinBox::valueChanged, this, [this] { follow(false); });
  connect(keepAspectCheck_, &QCheckBox::toggled, this, [this](bool on) {
    if (on) follow(true);
  });

  playsLabel_ = new QLabel(tr("Plays"), this);
  playsSpin_ = spin("spPlays", 0, 65536, 0);
  playsSpin_->setSpecialValueText(tr("Forever"));
  playsSpin_->setSuffix(tr(" times"));
  grid->addWidget(playsLabel_, 2, 0);
  grid->addLayout(row({playsSpin_}), 2, 1);
  playsLabel_->setVisible(with_plays);
  playsSpin_->setVisible(with_plays);
}

void ExportPartBox::follow(bool width_edited) {
  if (!keepAspectCheck_->isChecked()) return;
  const kt58::OutputSize asked = width_edited ? kt58::OutputSize{widthSpin_->value(), 0}
                                              : kt58::OutputSize{0, heightSpin_->value()};
  const auto [width, height] = asked.For(frame_width_, frame_height_);
  QSpinBox* other = width_edited ? heightSpin_ : widthSpin_;
  const QSignalBlocker quiet(other);
  other->setValue(width_edited ? height : width);
  emit changed();
}

kt58::FrameRange ExportPartBox::range() const {
  kt58::FrameRange r;
  r.first = firstSpin_->value();
  if (lastSpin_->value() < frame_count_ - 1) r.last = lastSpin_->value();
  r.step = everySpin_->value();
  return r;
}

int ExportPartBox::chosenCount() const { return static_cast<int>(range().Indices(frame_count_).size()); }

kt58::OutputSize ExportPartBox::size() const {
  if (widthSpin_->value() == frame_width_ && heightSpin_->value() == frame_height_) return {};
  return {widthSpin_->value(), heightSpin_->value()};
}

int ExportPartBox::plays() const { return playsSpin_->value(); }
