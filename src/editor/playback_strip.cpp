#include "editor/playback_strip.h"

#include <QHBoxLayout>

#include "controls/kesh_track_bar.h"
#include "editor/editor_document.h"
#include "model/animation.h"

PlaybackStrip::PlaybackStrip(EditorDocument& document, QWidget* parent) : QWidget(parent), document_(document) {
  setObjectName(QStringLiteral("Panel6"));
  setFixedHeight(22);
  auto* strip = new QHBoxLayout(this);
  // The four playback buttons take the first 95 pixels.
  strip->setContentsMargins(95, 0, 0, 0);
  tbPlaySpeed = new TKeshTrackBar(this);
  tbPlaySpeed->setObjectName(QStringLiteral("tbPlaySpeed"));
  tbPlaySpeed->setRange(0, 100);
  tbPlaySpeed->setTickPosition(QSlider::NoTicks);
  tbPlaySpeed->setToolTip(QStringLiteral("Playback speed"));
  // The form's position 0 turned round at start-up.
  tbPlaySpeed->SetPosition(100 - tbPlaySpeed->Position());
  strip->addWidget(tbPlaySpeed, 1);

  events_.Add(tbPlaySpeed, &TKeshTrackBar::OnChange, this, &PlaybackStrip::tbPlaySpeedChange);
  connect(tbPlaySpeed, &QSlider::sliderReleased, &document_, &EditorDocument::EndMerge);
  // Loading shows 100 - FrameDelay, which is not the position that made the
  // delay; the bar is reloaded only when it no longer stands for the delay
  // (an undo), so that other edits never move it.
  connect(&document_, &EditorDocument::animationChanged, this, [this] {
    if (applying_ == 0 && (100 - tbPlaySpeed->Position()) * 2 != document_.Animation().FrameDelay)
      LoadAnimationControls();
  });
  connect(&document_, &EditorDocument::projectReplaced, this, &PlaybackStrip::LoadAnimationControls);
}

void PlaybackStrip::LoadAnimationControls() {
  ControlEventsPause paused(events_);
  tbPlaySpeed->SetPosition(100 - document_.Animation().FrameDelay);
}

void PlaybackStrip::tbPlaySpeedChange() {
  ++applying_;
  document_.EditAnimation(kMergePlaySpeed, QStringLiteral("Playback Speed"), [this](kt58::TAnimation& a) {
    a.FrameDelay = (100 - tbPlaySpeed->Position()) * 2;
  });
  --applying_;
}
