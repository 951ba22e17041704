// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/panels/animation_properties.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/widgets/color_picker.h"
#include "gui/widgets/integer_edit.h"
#include "gui/document/document.h"
#include "model/animation.h"

AnimationProperties::AnimationProperties(Document& document, QWidget* parent) : QWidget(parent), document_(document) {
  setObjectName(QStringLiteral("AnimationSheet"));
  auto* page = new QVBoxLayout(this);

  auto* setup = new QGroupBox(QStringLiteral("  Frame Setup  "), this);
  auto* grid = new QGridLayout(setup);
  cbFixedFrameSize = new QCheckBox(QStringLiteral("Fixed Frame Size"), setup);
  cbFixedFrameSize->setObjectName(QStringLiteral("cbFixedFrameSize"));
  grid->addWidget(cbFixedFrameSize, 0, 0, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("Width"), setup), 1, 0);
  eFixedFrameWidth = new IntegerEdit(setup);
  eFixedFrameWidth->setObjectName(QStringLiteral("eFixedFrameWidth"));
  eFixedFrameWidth->setText(QStringLiteral("10"));
  grid->addWidget(eFixedFrameWidth, 1, 1);
  grid->addWidget(new QLabel(QStringLiteral("Height"), setup), 2, 0);
  eFixedFrameHeight = new IntegerEdit(setup);
  eFixedFrameHeight->setObjectName(QStringLiteral("eFixedFrameHeight"));
  eFixedFrameHeight->setText(QStringLiteral("10"));
  grid->addWidget(eFixedFrameHeight, 2, 1);
  bk_Color_Selector = new ColorPicker(setup);
  bk_Color_Selector->setObjectName(QStringLiteral("bk_Color_Selector"));
  bk_Color_Selector->SetLabelText(QStringLiteral("Background Color"));
  bk_Color_Selector->SetColor(0);
  grid->addWidget(bk_Color_Selector, 3, 0, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("Total Frames"), setup), 4, 0);
  spFrameCount = new QSpinBox(setup);
  spFrameCount->setObjectName(QStringLiteral("spFrameCount"));
  // Up to four digits can be typed; anything above the maximum is brought
  // back to it by the change handler, as the user sees at once.
  spFrameCount->setRange(kt58::kMinFrameCount, 9999);
  spFrameCount->setValue(10);
  grid->addWidget(spFrameCount, 4, 1);
  page->addWidget(setup);

  // The playback mode travels with settings and projects but is never shown.
  PlaybackModeGroup = new QGroupBox(QStringLiteral("  Playback Mode  "), this);
  PlaybackModeGroup->setObjectName(QStringLiteral("PlaybackModeGroup"));
  auto* mode = new QVBoxLayout(PlaybackModeGroup);
  cbrtPlayback = new QCheckBox(QStringLiteral("Non rendered playback."), PlaybackModeGroup);
  cbrtPlayback->setObjectName(QStringLiteral("cbrtPlayback"));
  mode->addWidget(cbrtPlayback);
  PlaybackModeGroup->setVisible(false);
  page->addWidget(PlaybackModeGroup);
  page->addStretch(1);

  events_.Add(cbFixedFrameSize, &QCheckBox::clicked, this, [this] { cbFixedFrameSizeClick(kNoMerge); });
  events_.Add(eFixedFrameWidth, &QLineEdit::textChanged, this, [this] { cbFixedFrameSizeClick(kMergeFixedWidth); });
  events_.Add(eFixedFrameHeight, &QLineEdit::textChanged, this, [this] { cbFixedFrameSizeClick(kMergeFixedHeight); });
  for (IntegerEdit* edit : {eFixedFrameWidth, eFixedFrameHeight})
    connect(edit, &QLineEdit::editingFinished, this, [this, edit] {
      ShowKeptSize(edit, true);
      document_.EndMerge();
    });
  // Not among the detached controls: the selector fires for the user's
  // changes only, and loading values blocks the spin box's signal.
  connect(bk_Color_Selector, &ColorPicker::OnColorChange, this, &AnimationProperties::bk_Color_SelectorChange);
  connect(spFrameCount, &QSpinBox::valueChanged, this, &AnimationProperties::spFrameCountChange);
  connect(spFrameCount, &QSpinBox::editingFinished, &document_, &Document::EndMerge);

  connect(&document_, &Document::animationChanged, this, [this] {
    if (applying_ == 0) LoadAnimationControls();
  });
  connect(&document_, &Document::projectReplaced, this, &AnimationProperties::LoadAnimationControls);
}

void AnimationProperties::LoadAnimationControls() {
  const kt58::TAnimation& a = document_.Animation();
  ControlEventsPause paused(events_);
  cbFixedFrameSize->setChecked(a.FixedFrameSize);
  eFixedFrameWidth->setText(QString::number(a.FixedWidth));
  eFixedFrameHeight->setText(QString::number(a.FixedHeight));
  bk_Color_Selector->SetColor(a.BackgroundColor);
  {
    const QSignalBlocker quiet(spFrameCount);
    spFrameCount->setValue(a.FrameCount);
  }
  cbrtPlayback->setChecked(a.NonRenderedPlayback);
}

void AnimationProperties::UpdateControlStates() { spFrameCount->setEnabled(!document_.Animation().Playing); }

void AnimationProperties::ShowKeptSize(IntegerEdit* edit, bool finished) {
  const int typed = IntegerOf(edit);
  const int kept = std::clamp(typed, kMinFixedSize, kMaxFixedSize);
  if (typed > kMaxFixedSize || (finished && typed != kept)) {
    ControlEventsPause paused(events_);
    edit->setText(QString::number(kept));
  }
}

void AnimationProperties::cbFixedFrameSizeClick(int merge) {
  ShowKeptSize(eFixedFrameWidth, false);
  ShowKeptSize(eFixedFrameHeight, false);
  ++applying_;
  document_.EditAnimation(merge, QStringLiteral("Frame Setup"), [this](kt58::TAnimation& a) {
    a.FixedFrameSize = cbFixedFrameSize->isChecked();
    a.FixedWidth = std::clamp(IntegerOf(eFixedFrameWidth), kMinFixedSize, kMaxFixedSize);
    a.FixedHeight = std::clamp(IntegerOf(eFixedFrameHeight), kMinFixedSize, kMaxFixedSize);
  });
  --applying_;
}

void AnimationProperties::bk_Color_SelectorChange() {
  ++applying_;
  document_.EditAnimation(kNoMerge, QStringLiteral("Background Color"),
                          [this](kt58::TAnimation& a) { a.BackgroundColor = bk_Color_Selector->color(); });
  --applying_;
}

void AnimationProperties::spFrameCountChange() {
  // As many frames as the layers leave room for: a project beyond the bound
  // could be saved but never opened again.
  const kt58::TAnimation& a = document_.Animation();
  const int64_t layers = a.ConstructorFrame ? std::max<int64_t>(1, static_cast<int64_t>(a.ConstructorFrame->Layers.size())) : 1;
  const int most = static_cast<int>(std::min<int64_t>(kt58::kMaxFrameCount, kt58::kMaxLayerFrames / layers));
  if (spFrameCount->value() > most) {
    const QSignalBlocker quiet(spFrameCount);
    spFrameCount->setValue(most);
  }
  ++applying_;
  document_.EditAnimation(kMergeFrameCount, QStringLiteral("Total Frames"),
                          [this](kt58::TAnimation& a) { a.FrameCount = spFrameCount->value(); });
  --applying_;
}
