// The "Animation" page: frame setup of the whole animation (fixed frame size,
// background colour, total frames) and the playback speed bar.
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/main_form.h"
#include "controls/kesh_color_combo.h"
#include "controls/kesh_color_selector.h"
#include "controls/kesh_integer_edit.h"
#include "controls/kesh_track_bar.h"

namespace {

// The panel around the construction view shows the animation's background.
void ShowBackgroundColor(QWidget* panel, kt58::TColor color) {
  QPalette pal = panel->palette();
  pal.setColor(QPalette::Window, kt58::controls::ToQColor(color));
  panel->setPalette(pal);
}

}  // namespace

void TMainForm::BuildAnimationPage() {
  AnimationSheet = new QWidget(pc1);
  auto* page = new QVBoxLayout(AnimationSheet);

  auto* setup = new QGroupBox(QStringLiteral("  Frame Setup  "), AnimationSheet);
  auto* grid = new QGridLayout(setup);
  cbFixedFrameSize = new QCheckBox(QStringLiteral("Fixed Frame Size"), setup);
  grid->addWidget(cbFixedFrameSize, 0, 0, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("Width"), setup), 1, 0);
  eFixedFrameWidth = new TKeshIntegerEdit(setup);
  eFixedFrameWidth->setText(QStringLiteral("10"));
  grid->addWidget(eFixedFrameWidth, 1, 1);
  grid->addWidget(new QLabel(QStringLiteral("Height"), setup), 2, 0);
  eFixedFrameHeight = new TKeshIntegerEdit(setup);
  eFixedFrameHeight->setText(QStringLiteral("10"));
  grid->addWidget(eFixedFrameHeight, 2, 1);
  bk_Color_Selector = new TKeshColorSelector(setup);
  bk_Color_Selector->SetLabelText(QStringLiteral("Background Color"));
  bk_Color_Selector->SetColor(0);
  grid->addWidget(bk_Color_Selector, 3, 0, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("Total Frames"), setup), 4, 0);
  spFrameCount = new QSpinBox(setup);
  // Up to four digits can be typed; anything above the maximum is brought
  // back to it by the change handler, as the user sees at once.
  spFrameCount->setRange(kt58::kMinFrameCount, 9999);
  spFrameCount->setValue(10);
  grid->addWidget(spFrameCount, 4, 1);
  page->addWidget(setup);

  // The playback mode travels with settings and projects but is never shown.
  PlaybackModeGroup = new QGroupBox(QStringLiteral("  Playback Mode  "), AnimationSheet);
  auto* mode = new QVBoxLayout(PlaybackModeGroup);
  cbrtPlayback = new QCheckBox(QStringLiteral("Non rendered playback."), PlaybackModeGroup);
  mode->addWidget(cbrtPlayback);
  PlaybackModeGroup->setVisible(false);
  page->addWidget(PlaybackModeGroup);
  page->addStretch(1);
  pc1->addTab(AnimationSheet, QStringLiteral("Animation"));
}

void TMainForm::ConnectAnimationPage() {
  AddControlHandler(cbFixedFrameSize, &QCheckBox::clicked, &TMainForm::cbFixedFrameSizeClick);
  AddControlHandler(eFixedFrameWidth, &QLineEdit::textChanged, &TMainForm::cbFixedFrameSizeClick);
  AddControlHandler(eFixedFrameHeight, &QLineEdit::textChanged, &TMainForm::cbFixedFrameSizeClick);
  AddControlHandler(tbPlaySpeed, &TKeshTrackBar::OnChange, &TMainForm::tbPlaySpeedChange);
  // Not among the detached controls: the selector fires for the user's
  // changes only, and loading values blocks the spin box's signal.
  connect(bk_Color_Selector, &TKeshColorSelector::OnColorChange, this, &TMainForm::bk_Color_SelectorChange);
  connect(spFrameCount, &QSpinBox::valueChanged, this, &TMainForm::spFrameCountChange);
}

void TMainForm::LoadAnimationControls() {
  {
    ControlEventsPause paused(*this);
    cbFixedFrameSize->setChecked(Animation->FixedFrameSize);
    eFixedFrameWidth->setText(QString::number(Animation->FixedWidth));
    eFixedFrameHeight->setText(QString::number(Animation->FixedHeight));
    bk_Color_Selector->SetColor(Animation->BackgroundColor);
    ShowBackgroundColor(ConstrPanel, Animation->BackgroundColor);
    {
      const QSignalBlocker quiet(spFrameCount);
      spFrameCount->setValue(Animation->FrameCount);
    }
    tbPlaySpeed->SetPosition(100 - Animation->FrameDelay);
    cbrtPlayback->setChecked(Animation->NonRenderedPlayback);
  }
  UpdateStatusLine();
}

void TMainForm::cbFixedFrameSizeClick() {
  HideFocusRect();
  RequestBackgroundClear();
  ApplyFrameSetup();
  OutlineSelectedLayer();
  RequestRepaint();
  SetModified(true);
}

void TMainForm::ApplyFrameSetup() {
  ControlEventsPause paused(*this);
  Animation->FixedFrameSize = cbFixedFrameSize->isChecked();
  Animation->FixedWidth = IntegerOf(eFixedFrameWidth);
  Animation->FixedHeight = IntegerOf(eFixedFrameHeight);
  UpdateStatusLine();
  CenterFrame();
}

void TMainForm::bk_Color_SelectorChange() {
  Animation->BackgroundColor = bk_Color_Selector->Color();
  ShowBackgroundColor(ConstrPanel, Animation->BackgroundColor);
  update();
  RequestBackgroundClear();
  RequestRepaint();
  SetModified(true);
}

void TMainForm::spFrameCountChange() {
  if (spFrameCount->value() > kt58::kMaxFrameCount) spFrameCount->setValue(kt58::kMaxFrameCount);
  Animation->FrameCount = spFrameCount->value();
  SetModified(true);
}

void TMainForm::tbPlaySpeedChange() {
  Animation->FrameDelay = (100 - tbPlaySpeed->Position()) * 2;
  SetModified(true);
}
