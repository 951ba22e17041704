// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/panels/playback_bar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdint>

#include "gui/widgets/track_bar.h"
#include "gui/panels/canvas_view.h"
#include "gui/document/document.h"
#include "gui/widgets/paint_box.h"
#include "model/animation.h"
#include "render/compose.h"

namespace {

QToolButton* PlaybackTool(QWidget* parent, const char* name, QStyle::StandardPixmap icon, const char* hint) {
  auto* button = new QToolButton(parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setIcon(parent->style()->standardIcon(icon));
  button->setToolTip(QString::fromLatin1(hint));
  button->setAutoRaise(true);
  // The buttons stand for keys of the view (Space, Left, Right); the
  // keyboard stays where the user put it.
  button->setFocusPolicy(Qt::NoFocus);
  button->setEnabled(false);
  return button;
}

}  // namespace

PlaybackBar::PlaybackBar(Document& document, CanvasView& view, QWidget* parent)
    : QWidget(parent), document_(document), view_(view) {
  setObjectName(QStringLiteral("Panel6"));
  auto* rows = new QVBoxLayout(this);
  rows->setContentsMargins(0, 0, 0, 0);
  rows->setSpacing(0);

  FrameSlider = new QSlider(Qt::Horizontal, this);
  FrameSlider->setObjectName(QStringLiteral("FrameSlider"));
  FrameSlider->setToolTip(QStringLiteral("Current frame"));
  FrameSlider->setRange(0, 0);
  FrameSlider->setEnabled(false);
  rows->addWidget(FrameSlider);

  auto* strip = new QHBoxLayout;
  strip->setContentsMargins(0, 0, 0, 0);
  strip->setSpacing(0);
  rows->addLayout(strip);
  PlaybackButton = PlaybackTool(this, "PlaybackButton", QStyle::SP_MediaPlay, "Play Animation");
  StopButton = PlaybackTool(this, "StopButton", QStyle::SP_MediaStop, "Reset (Stop) Animation");
  StepBackButton = PlaybackTool(this, "StepBackButton", QStyle::SP_MediaSeekBackward, "Step back one frame");
  StepForwardButton = PlaybackTool(this, "StepForwardButton", QStyle::SP_MediaSeekForward, "Step forward one frame");
  for (QToolButton* b : {PlaybackButton, StopButton, StepBackButton, StepForwardButton}) strip->addWidget(b);
  strip->addSpacing(3);
  tbPlaySpeed = new TrackBar(this);
  tbPlaySpeed->setObjectName(QStringLiteral("tbPlaySpeed"));
  tbPlaySpeed->setRange(0, 100);
  tbPlaySpeed->setTickPosition(QSlider::NoTicks);
  tbPlaySpeed->setToolTip(QStringLiteral("Playback speed"));
  tbPlaySpeed->setFixedHeight(22);
  // The form's position 0 turned round at start-up.
  tbPlaySpeed->SetPosition(100 - tbPlaySpeed->Position());
  strip->addWidget(tbPlaySpeed, 1);


  events_.Add(tbPlaySpeed, &TrackBar::OnChange, this, &PlaybackBar::tbPlaySpeedChange);
  events_.Add(StepBackButton, &QToolButton::clicked, this, &PlaybackBar::StepBackButtonClick);
  events_.Add(StepForwardButton, &QToolButton::clicked, this, &PlaybackBar::StepForwardButtonClick);
  connect(PlaybackButton, &QToolButton::clicked, this, &PlaybackBar::PlaybackButtonClick);
  connect(StopButton, &QToolButton::clicked, this, &PlaybackBar::StopButtonClick);
  connect(FrameSlider, &QSlider::valueChanged, this, &PlaybackBar::SliderMoved);
  connect(tbPlaySpeed, &QSlider::sliderReleased, &document_, &Document::EndMerge);
  // Loading shows 100 - FrameDelay, which is not the position that made the
  // delay; the bar is reloaded only when it no longer stands for the delay
  // (an undo), so that other edits never move it.
  connect(&document_, &Document::animationChanged, this, [this] {
    if (applying_ == 0 && (100 - tbPlaySpeed->Position()) * 2 != document_.Animation().FrameDelay)
      LoadAnimationControls();
  });
  connect(&document_, &Document::projectReplaced, this, &PlaybackBar::LoadAnimationControls);
  for (auto signal : {&Document::framesChanged, &Document::layersChanged, &Document::projectReplaced})
    connect(&document_, signal, this, [this] {
      ShowFrameIndex();
      UpdateControlStates();
    });
  // Space plays and stops anywhere in the window except where it is typed.
  auto* space = new QShortcut(QKeySequence(Qt::Key_Space), this);
  space->setContext(Qt::WindowShortcut);
  connect(space, &QShortcut::activated, this, [this] {
    if (document_.Animation().Playing)
      StopButtonClick();
    else
      PlaybackButtonClick();
  });
  view_.pbConstr->setFocusPolicy(Qt::StrongFocus);
  view_.pbConstr->installEventFilter(this);
}

void PlaybackBar::LoadAnimationControls() {
  ControlEventsPause paused(events_);
  tbPlaySpeed->SetPosition(100 - document_.Animation().FrameDelay);
}

void PlaybackBar::tbPlaySpeedChange() {
  ++applying_;
  document_.EditAnimation(kMergePlaySpeed, QStringLiteral("Playback Speed"), [this](kt58::TAnimation& a) {
    a.FrameDelay = (100 - tbPlaySpeed->Position()) * 2;
  });
  --applying_;
}

void PlaybackBar::UpdateControlStates() {
  const kt58::TAnimation& a = document_.Animation();
  const bool playing = a.Playing;
  PlaybackButton->setEnabled(!playing);
  StopButton->setEnabled(playing);
  StepBackButton->setEnabled(!playing);
  StepForwardButton->setEnabled(!playing);
  FrameSlider->setEnabled(!playing && a.Frames.size() > 1);
}

void PlaybackBar::ShowFrameIndex() {
  const kt58::TAnimation& a = document_.Animation();
  const QSignalBlocker quiet(FrameSlider);
  FrameSlider->setRange(0, std::max(0, static_cast<int>(a.Frames.size()) - 1));
  FrameSlider->setValue(std::max(0, a.CurrentFrameIndex));
}

// ---- playing

void PlaybackBar::PlaybackButtonClick() {
  const kt58::TAnimation& a = document_.Animation();
  if (view_.Nudging || a.Playing || a.LayerCount() < 1) return;
  PlayLoop(true);
}

void PlaybackBar::StopButtonClick() {
  document_.Animation().Playing = false;
  if (looping_) StopPlayback();
}

void PlaybackBar::PlayLoop(bool regenerate) {
  kt58::TAnimation& a = document_.Animation();
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
  Fps = MaxFps = 0.0;
  view_.StopUpdateTimer();
  view_.DetachPaint();
  view_.HideFocusRect();
  view_.pbConstr->FillCanvas(a.BackgroundColor);
  UpdateControlStates();
  emit playingChanged();
  pacer_.WaitFor(a.FrameDelay);
}

void PlaybackBar::Tick() {
  kt58::TAnimation& a = document_.Animation();
  if (!a.Playing) {
    StopPlayback();
    return;
  }
  if (!pacer_.Take(a.FrameDelay)) return;
  const int64_t now = pacer_.Elapsed();
  if (now - window_start_ >= 1000) {
    Fps = passes_ * 1000.0 / static_cast<double>(now - window_start_);
    MaxFps = std::max(MaxFps, Fps);
    window_start_ = now;
    passes_ = 0;
  }
  a.StepFrame(1);
  ++play_tick_;
  const uint64_t run = run_;
  if (a.CurrentFrame && a.Playing) {
    if (ResizePending) {
      view_.CenterFrame();
      view_.ComputeSelectionRect();
      ResizePending = false;
      view_.pbConstr->FillCanvas(a.BackgroundColor);
    }
    DrawCurrentFrame();  // lets events run: Stop may end the loop here
    if (run != run_) return;
  }
  ++passes_;
  emit statusChanged();
  if (!a.Playing) {
    StopPlayback();
    return;
  }
  pacer_.WaitFor(a.FrameDelay);
}

void PlaybackBar::DrawCurrentFrame() {
  kt58::TAnimation& a = document_.Animation();
  const int index = a.CurrentFrameIndex;
  try {
    const kt58::FrameClock clock =
        a.Playing ? kt58::FrameClock::Playing(play_start_, play_tick_) : kt58::FrameClock::Stepping(index);
    kt58::DrawFrame(a, a.CurrentFrame, clock, view_.DrawOrigin.x(), view_.DrawOrigin.y());
  } catch (...) {
    // A frame that cannot be composed is left out; the next one follows.
  }
  ShowFrameIndex();
  emit frameShown(index);
}

void PlaybackBar::StopPlayback() {
  kt58::TAnimation& a = document_.Animation();
  a.Playing = false;
  looping_ = false;
  ++run_;
  pacer_.Stop();
  a.FirstFrame();
  view_.CenterFrame();
  ShowFrameIndex();
  emit statusChanged();
  // Generated frame 0 at once; the update timer's next tick brings back the
  // constructor frame.
  view_.AttachPaint();
  view_.RequestBackgroundClear();
  view_.PaintConstruction();
  view_.StartUpdateTimer();
  view_.OutlineSelectedLayer();
  view_.RequestRepaint();
  UpdateControlStates();
  emit playingChanged();
}

void PlaybackBar::ApplyPlaybackMode(bool non_rendered) {
  kt58::TAnimation& a = document_.Animation();
  const bool was_playing = a.Playing;
  a.NonRenderedPlayback = non_rendered;
  if (!non_rendered && was_playing && (!a.RenderedFrames || a.RenderedFrames->Count() == 0))
    kt58::ComposeAllFrames(a);
  if (was_playing) PlayLoop(false);
}

// ---- stepping

void PlaybackBar::Step(int delta) {
  kt58::TAnimation& a = document_.Animation();
  if (a.Playing) return;
  a.StepFrame(delta);
  if (a.CurrentFrame) {
    const ControlEventsPause paused(events_);
    view_.HideFocusRect();
    DrawCurrentFrame();
    view_.ShowFocusRect();
  } else {
    ShowFrameIndex();
  }
  emit statusChanged();
}

void PlaybackBar::SliderMoved(int index) {
  const kt58::TAnimation& a = document_.Animation();
  if (a.Playing || a.Frames.empty() || index == a.CurrentFrameIndex) return;
  // From no current frame (-1) the same step lands on the index.
  Step(index - a.CurrentFrameIndex);
}

bool PlaybackBar::eventFilter(QObject* watched, QEvent* e) {
  if (watched == view_.pbConstr && e->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(e);
    if (key->modifiers() == Qt::NoModifier && (key->key() == Qt::Key_Left || key->key() == Qt::Key_Right)) {
      Step(key->key() == Qt::Key_Left ? -1 : 1);
      return true;
    }
  }
  return QWidget::eventFilter(watched, e);
}
