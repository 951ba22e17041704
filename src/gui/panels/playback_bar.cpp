// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/panels/playback_bar.h"

#include <QHBoxLayout>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdint>

#include "gui/document/document.h"
#include "model/project.h"

namespace {

QToolButton* PlaybackTool(QWidget* parent, const char* name, QStyle::StandardPixmap icon, const QString& hint) {
  auto* button = new QToolButton(parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setIcon(parent->style()->standardIcon(icon));
  button->setToolTip(hint);
  button->setAutoRaise(true);
  // The buttons stand for keys of the view (Space, Left, Right); the
  // keyboard stays where the user put it.
  button->setFocusPolicy(Qt::NoFocus);
  button->setEnabled(false);
  return button;
}

}  // namespace

PlaybackBar::PlaybackBar(Document& document, QWidget* parent) : QWidget(parent), document_(document) {
  setObjectName(QStringLiteral("Panel6"));
  auto* rows = new QVBoxLayout(this);
  rows->setContentsMargins(0, 0, 0, 0);
  rows->setSpacing(0);

  frameSlider_ = new QSlider(Qt::Horizontal, this);
  frameSlider_->setObjectName(QStringLiteral("FrameSlider"));
  frameSlider_->setToolTip(tr("Current frame"));
  frameSlider_->setRange(0, 0);
  frameSlider_->setEnabled(false);
  rows->addWidget(frameSlider_);

  auto* strip = new QHBoxLayout;
  strip->setContentsMargins(0, 0, 0, 0);
  strip->setSpacing(0);
  rows->addLayout(strip);
  playButton_ = PlaybackTool(this, "PlaybackButton", QStyle::SP_MediaPlay, tr("Play Animation"));
  stopButton_ = PlaybackTool(this, "StopButton", QStyle::SP_MediaStop, tr("Reset (Stop) Animation"));
  stepBackButton_ = PlaybackTool(this, "StepBackButton", QStyle::SP_MediaSeekBackward, tr("Step back one frame"));
  stepForwardButton_ = PlaybackTool(this, "StepForwardButton", QStyle::SP_MediaSeekForward, tr("Step forward one frame"));
  for (QToolButton* b : {playButton_, stopButton_, stepBackButton_, stepForwardButton_}) strip->addWidget(b);
  strip->addSpacing(3);
  playSpeedSlider_ = new QSlider(Qt::Horizontal, this);
  playSpeedSlider_->setObjectName(QStringLiteral("tbPlaySpeed"));
  playSpeedSlider_->setRange(0, 100);
  playSpeedSlider_->setTickPosition(QSlider::NoTicks);
  playSpeedSlider_->setToolTip(tr("Playback speed"));
  playSpeedSlider_->setFixedHeight(22);
  // The form's position 0 turned round at start-up.
  playSpeedSlider_->setValue(100 - playSpeedSlider_->value());
  strip->addWidget(playSpeedSlider_, 1);


  events_.Add(playSpeedSlider_, &QSlider::valueChanged, this, &PlaybackBar::onPlaySpeedChanged);
  events_.Add(stepBackButton_, &QToolButton::clicked, this, &PlaybackBar::stepBack);
  events_.Add(stepForwardButton_, &QToolButton::clicked, this, &PlaybackBar::stepForward);
  connect(playButton_, &QToolButton::clicked, this, &PlaybackBar::play);
  connect(stopButton_, &QToolButton::clicked, this, &PlaybackBar::stop);
  connect(frameSlider_, &QSlider::valueChanged, this, &PlaybackBar::onFrameSliderMoved);
  connect(playSpeedSlider_, &QSlider::sliderReleased, &document_, &Document::EndMerge);
  // The bar stands for the delay in force; it is reloaded only when it no
  // longer does (an undo, a project opened), so that other edits never move
  // it.
  connect(&document_, &Document::animationChanged, this, [this] {
    if (applying_ == 0 && (100 - playSpeedSlider_->value()) * 2 != document_.project().FrameDelay)
      loadAnimationControls();
  });
  connect(&document_, &Document::projectReplaced, this, &PlaybackBar::loadAnimationControls);
  for (auto signal : {&Document::framesChanged, &Document::layersChanged, &Document::projectReplaced})
    connect(&document_, signal, this, [this] {
      showFrameIndex();
      updateControlStates();
    });
  Playback& playback = document_.playback();
  connect(&playback, &Playback::frameShown, this, &PlaybackBar::showFrameIndex);
  connect(&playback, &Playback::statusChanged, this, &PlaybackBar::showFrameIndex);
  connect(&playback, &Playback::playingChanged, this, &PlaybackBar::updateControlStates);
  // Space plays and stops anywhere in the window except where it is typed.
  auto* space = new QShortcut(QKeySequence(Qt::Key_Space), this);
  space->setContext(Qt::WindowShortcut);
  connect(space, &QShortcut::activated, this, [this] {
    if (document_.playback().isPlaying())
      stop();
    else
      play();
  });
}

void PlaybackBar::loadAnimationControls() {
  ControlEventsPause paused(events_);
  // The position that makes the delay (2 ms a step); a delay past the
  // bar's 200 ms shows at its slow end.
  playSpeedSlider_->setValue(std::clamp(100 - (document_.project().FrameDelay + 1) / 2, 0, 100));
}

void PlaybackBar::onPlaySpeedChanged() {
  ++applying_;
  document_.EditAnimation(kMergePlaySpeed, tr("Playback Speed"), [this](kt58::Project& a) {
    a.FrameDelay = (100 - playSpeedSlider_->value()) * 2;
  });
  --applying_;
}

void PlaybackBar::updateControlStates() {
  const bool playing = document_.playback().isPlaying();
  playButton_->setEnabled(!playing);
  stopButton_->setEnabled(playing);
  stepBackButton_->setEnabled(!playing);
  stepForwardButton_->setEnabled(!playing);
  frameSlider_->setEnabled(!playing && document_.sequence().Sequenced());
}

void PlaybackBar::showFrameIndex() {
  const QSignalBlocker quiet(frameSlider_);
  frameSlider_->setRange(0, std::max(0, document_.sequence().Count() - 1));
  frameSlider_->setValue(std::max(0, document_.playback().currentFrame()));
}

void PlaybackBar::play() { document_.playback().play(); }

void PlaybackBar::stop() { document_.playback().stop(); }

void PlaybackBar::step(int delta) {
  // The slider follows the frame drawn without stepping again.
  const ControlEventsPause paused(events_);
  document_.playback().step(delta);
}

void PlaybackBar::onFrameSliderMoved(int index) {
  const Playback& playback = document_.playback();
  if (playback.isPlaying() || document_.sequence().Empty() || index == playback.currentFrame()) return;
  // From no current frame (-1) the same step lands on the index.
  step(index - playback.currentFrame());
}
