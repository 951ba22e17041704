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
#include "gui/document/window_progress.h"
#include "render/compose.h"

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
  // Loading shows 100 - FrameDelay, which is not the position that made the
  // delay; the bar is reloaded only when it no longer stands for the delay
  // (an undo), so that other edits never move it.
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
  // Space plays and stops anywhere in the window except where it is typed.
  auto* space = new QShortcut(QKeySequence(Qt::Key_Space), this);
  space->setContext(Qt::WindowShortcut);
  connect(space, &QShortcut::activated, this, [this] {
    if (document_.project().Playing)
      stop();
    else
      play();
  });
}

void PlaybackBar::loadAnimationControls() {
  ControlEventsPause paused(events_);
  playSpeedSlider_->setValue(100 - document_.project().FrameDelay);
}

void PlaybackBar::onPlaySpeedChanged() {
  ++applying_;
  document_.EditAnimation(kMergePlaySpeed, tr("Playback Speed"), [this](kt58::Project& a) {
    a.FrameDelay = (100 - playSpeedSlider_->value()) * 2;
  });
  --applying_;
}

void PlaybackBar::updateControlStates() {
  const kt58::Project& a = document_.project();
  const bool playing = a.Playing;
  playButton_->setEnabled(!playing);
  stopButton_->setEnabled(playing);
  stepBackButton_->setEnabled(!playing);
  stepForwardButton_->setEnabled(!playing);
  frameSlider_->setEnabled(!playing && a.Frames.size() > 1);
}

void PlaybackBar::showFrameIndex() {
  const kt58::Project& a = document_.project();
  const QSignalBlocker quiet(frameSlider_);
  frameSlider_->setRange(0, std::max(0, static_cast<int>(a.Frames.size()) - 1));
  frameSlider_->setValue(std::max(0, a.CurrentFrameIndex));
}

// ---- playing

void PlaybackBar::play() {
  const kt58::Project& a = document_.project();
  if (playBlocked_ || a.Playing || a.LayerCount() < 1) return;
  playLoop(true);
}

void PlaybackBar::stop() {
  document_.project().Playing = false;
  if (looping_) stopPlayback();
}

void PlaybackBar::playLoop(bool regenerate) {
  kt58::Project& a = document_.project();
  if (regenerate) document_.Regenerate(true);
  if (a.Frames.empty()) return;
  if (regenerate) {
    play_start_ = a.CurrentFrameIndex;
    play_tick_ = 0;
  }
  a.Playing = true;
  looping_ = true;
  ++run_;
  pacer_.Start();
  window_start_ = 0;
  passes_ = 0;
  fps_ = maxFps_ = 0.0;
  emit playingChanged(true);
  updateControlStates();
  pacer_.WaitFor(a.FrameDelay);
}

void PlaybackBar::tick() {
  kt58::Project& a = document_.project();
  if (!a.Playing) {
    stopPlayback();
    return;
  }
  if (!pacer_.Take(a.FrameDelay)) return;
  const int64_t now = pacer_.Elapsed();
  if (now - window_start_ >= 1000) {
    fps_ = passes_ * 1000.0 / static_cast<double>(now - window_start_);
    maxFps_ = std::max(maxFps_, fps_);
    window_start_ = now;
    passes_ = 0;
  }
  a.StepFrame(1);
  ++play_tick_;
  const uint64_t run = run_;
  if (a.CurrentFrame && a.Playing) {
    drawCurrentFrame();  // lets events run: Stop may end the loop here
    if (run != run_) return;
  }
  ++passes_;
  emit statusChanged();
  if (!a.Playing) {
    stopPlayback();
    return;
  }
  pacer_.WaitFor(a.FrameDelay);
}

void PlaybackBar::drawCurrentFrame() {
  const kt58::Project& a = document_.project();
  const int index = a.CurrentFrameIndex;
  emit currentFrameDue(a.Playing ? kt58::FrameClock::Playing(play_start_, play_tick_)
                                 : kt58::FrameClock::Stepping(index));
  showFrameIndex();
  emit frameShown(index);
}

void PlaybackBar::stopPlayback() {
  kt58::Project& a = document_.project();
  a.Playing = false;
  looping_ = false;
  ++run_;
  pacer_.Stop();
  a.FirstFrame();
  showFrameIndex();
  emit statusChanged();
  emit playingChanged(false);
  updateControlStates();
}

void PlaybackBar::applyPlaybackMode(bool non_rendered) {
  kt58::Project& a = document_.project();
  const bool was_playing = a.Playing;
  a.NonRenderedPlayback = non_rendered;
  if (!non_rendered && was_playing && (!a.RenderedFrames || a.RenderedFrames->Count() == 0)) {
    kt58::DialogProgress progress = WindowProgress();
    kt58::ComposeAllFrames(a, progress);
  }
  if (was_playing) playLoop(false);
}

// ---- stepping

void PlaybackBar::step(int delta) {
  kt58::Project& a = document_.project();
  if (a.Playing) return;
  a.StepFrame(delta);
  if (a.CurrentFrame) {
    const ControlEventsPause paused(events_);
    drawCurrentFrame();
  } else {
    showFrameIndex();
  }
  emit statusChanged();
}

void PlaybackBar::onFrameSliderMoved(int index) {
  const kt58::Project& a = document_.project();
  if (a.Playing || a.Frames.empty() || index == a.CurrentFrameIndex) return;
  // From no current frame (-1) the same step lands on the index.
  step(index - a.CurrentFrameIndex);
}
