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
#include "model/project.h"

AnimationProperties::AnimationProperties(Document& document, QWidget* parent) : QWidget(parent), document_(document) {
  setObjectName(QStringLiteral("AnimationSheet"));
  auto* page = new QVBoxLayout(this);

  auto* setup = new QGroupBox(tr("  Frame Setup  "), this);
  auto* grid = new QGridLayout(setup);
  fixedFrameSizeCheck_ = new QCheckBox(tr("Fixed Frame Size"), setup);
  fixedFrameSizeCheck_->setObjectName(QStringLiteral("cbFixedFrameSize"));
  grid->addWidget(fixedFrameSizeCheck_, 0, 0, 1, 2);
  grid->addWidget(new QLabel(tr("Width"), setup), 1, 0);
  fixedWidthEdit_ = new IntegerEdit(setup);
  fixedWidthEdit_->setObjectName(QStringLiteral("eFixedFrameWidth"));
  fixedWidthEdit_->setText(QStringLiteral("10"));
  grid->addWidget(fixedWidthEdit_, 1, 1);
  grid->addWidget(new QLabel(tr("Height"), setup), 2, 0);
  fixedHeightEdit_ = new IntegerEdit(setup);
  fixedHeightEdit_->setObjectName(QStringLiteral("eFixedFrameHeight"));
  fixedHeightEdit_->setText(QStringLiteral("10"));
  grid->addWidget(fixedHeightEdit_, 2, 1);
  backgroundColorPicker_ = new ColorPicker(setup);
  backgroundColorPicker_->setObjectName(QStringLiteral("bk_Color_Selector"));
  backgroundColorPicker_->setLabelText(tr("Background Color"));
  backgroundColorPicker_->setColor(0);
  grid->addWidget(backgroundColorPicker_, 3, 0, 1, 2);
  grid->addWidget(new QLabel(tr("Total Frames"), setup), 4, 0);
  frameCountSpin_ = new QSpinBox(setup);
  frameCountSpin_->setObjectName(QStringLiteral("spFrameCount"));
  // Up to four digits can be typed; anything above the maximum is brought
  // back to it by the change handler, as the user sees at once.
  frameCountSpin_->setRange(kt58::kMinFrameCount, 9999);
  frameCountSpin_->setValue(10);
  grid->addWidget(frameCountSpin_, 4, 1);
  page->addWidget(setup);

  // The playback mode travels with settings and projects but is never shown.
  playbackModeGroup_ = new QGroupBox(tr("  Playback Mode  "), this);
  playbackModeGroup_->setObjectName(QStringLiteral("PlaybackModeGroup"));
  auto* mode = new QVBoxLayout(playbackModeGroup_);
  nonRenderedPlaybackCheck_ = new QCheckBox(tr("Non rendered playback."), playbackModeGroup_);
  nonRenderedPlaybackCheck_->setObjectName(QStringLiteral("cbrtPlayback"));
  mode->addWidget(nonRenderedPlaybackCheck_);
  playbackModeGroup_->setVisible(false);
  page->addWidget(playbackModeGroup_);
  page->addStretch(1);

  events_.Add(fixedFrameSizeCheck_, &QCheckBox::clicked, this, [this] { onFixedFrameSizeToggled(kNoMerge); });
  events_.Add(fixedWidthEdit_, &QLineEdit::textChanged, this, [this] { onFixedFrameSizeToggled(kMergeFixedWidth); });
  events_.Add(fixedHeightEdit_, &QLineEdit::textChanged, this, [this] { onFixedFrameSizeToggled(kMergeFixedHeight); });
  for (IntegerEdit* edit : {fixedWidthEdit_, fixedHeightEdit_})
    connect(edit, &QLineEdit::editingFinished, this, [this, edit] {
      showKeptSize(edit, true);
      document_.EndMerge();
    });
  // Not among the detached controls: the selector fires for the user's
  // changes only, and loading values blocks the spin box's signal.
  connect(backgroundColorPicker_, &ColorPicker::colorChanged, this, &AnimationProperties::onBackgroundColorChanged);
  connect(frameCountSpin_, &QSpinBox::valueChanged, this, &AnimationProperties::onFrameCountChanged);
  connect(frameCountSpin_, &QSpinBox::editingFinished, &document_, &Document::EndMerge);

  connect(&document_, &Document::animationChanged, this, [this] {
    if (applying_ == 0) loadAnimationControls();
  });
  connect(&document_, &Document::projectReplaced, this, &AnimationProperties::loadAnimationControls);
}

void AnimationProperties::loadAnimationControls() {
  const kt58::Project& a = document_.project();
  ControlEventsPause paused(events_);
  fixedFrameSizeCheck_->setChecked(a.FixedFrameSize);
  fixedWidthEdit_->setText(QString::number(a.FixedWidth));
  fixedHeightEdit_->setText(QString::number(a.FixedHeight));
  backgroundColorPicker_->setColor(a.BackgroundColor);
  {
    const QSignalBlocker quiet(frameCountSpin_);
    frameCountSpin_->setValue(a.FrameCount);
  }
  nonRenderedPlaybackCheck_->setChecked(a.NonRenderedPlayback);
}

void AnimationProperties::updateControlStates() { frameCountSpin_->setEnabled(!document_.playback().isPlaying()); }

void AnimationProperties::showKeptSize(IntegerEdit* edit, bool finished) {
  const int typed = IntegerOf(edit);
  const int kept = std::clamp(typed, kMinFixedSize, kMaxFixedSize);
  if (typed > kMaxFixedSize || (finished && typed != kept)) {
    ControlEventsPause paused(events_);
    edit->setText(QString::number(kept));
  }
}

void AnimationProperties::onFixedFrameSizeToggled(int merge) {
  // Fixing the size keeps the frame as the user sees it now; the size can
  // then be typed.
  const kt58::FrameSize now = document_.project().GetFrameSize();
  if (fixedFrameSizeCheck_->isChecked() && !document_.project().FixedFrameSize && now.Width > 0 && now.Height > 0) {
    fixedWidthEdit_->setText(QString::number(now.Width));
    fixedHeightEdit_->setText(QString::number(now.Height));
  }
  showKeptSize(fixedWidthEdit_, false);
  showKeptSize(fixedHeightEdit_, false);
  ++applying_;
  document_.EditAnimation(merge, tr("Frame Setup"), [this](kt58::Project& a) {
    a.FixedFrameSize = fixedFrameSizeCheck_->isChecked();
    a.FixedWidth = std::clamp(IntegerOf(fixedWidthEdit_), kMinFixedSize, kMaxFixedSize);
    a.FixedHeight = std::clamp(IntegerOf(fixedHeightEdit_), kMinFixedSize, kMaxFixedSize);
  });
  --applying_;
}

void AnimationProperties::onBackgroundColorChanged() {
  ++applying_;
  document_.EditAnimation(kNoMerge, tr("Background Color"),
                          [this](kt58::Project& a) { a.BackgroundColor = backgroundColorPicker_->color(); });
  --applying_;
}

void AnimationProperties::onFrameCountChanged() {
  // As many frames as the layers leave room for: a project beyond the bound
  // could be saved but never opened again.
  const kt58::Project& a = document_.project();
  const int64_t layers = a.ConstructorFrame ? std::max<int64_t>(1, static_cast<int64_t>(a.ConstructorFrame->Layers.size())) : 1;
  const int most = static_cast<int>(std::min<int64_t>(kt58::kMaxFrameCount, kt58::kMaxLayerFrames / layers));
  if (frameCountSpin_->value() > most) {
    const QSignalBlocker quiet(frameCountSpin_);
    frameCountSpin_->setValue(most);
  }
  ++applying_;
  document_.EditAnimation(kMergeFrameCount, tr("Total Frames"),
                          [this](kt58::Project& a) { a.FrameCount = frameCountSpin_->value(); });
  --applying_;
}
