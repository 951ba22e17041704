// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/panels/layer_properties.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <initializer_list>
#include <memory>
#include <utility>

#include "gui/widgets/color_picker.h"
#include "gui/widgets/choice_combo_box.h"
#include "gui/widgets/integer_edit.h"
#include "gui/widgets/track_bar.h"
#include "gui/document/document.h"
#include "model/animation.h"
#include "model/layer.h"
#include "platform/numeric.h"

namespace {

constexpr int kMaxStartAngle = 359;
constexpr int kMaxDegreesToRotate = 1440;
constexpr int kMaxButtonizeAmount = 100;

// Brings the number typed into an edit into min..max, rewriting the text
// when it was outside.
void ClampEditValue(int min, int max, QLineEdit* edit) {
  const int v = IntegerOf(edit);
  if (v < min)
    edit->setText(QString::number(min));
  else if (v > max)
    edit->setText(QString::number(max));
}

TrackBar* PercentBar(QWidget* parent) {
  auto* bar = new TrackBar(parent);
  bar->setRange(0, 100);
  bar->setPageStep(5);
  bar->setTickInterval(5);
  return bar;
}

NumberComboBox* AngleCombo(QWidget* parent, const QStringList& items) {
  auto* combo = new NumberComboBox(parent);
  combo->addItems(items);
  combo->setEditText(QStringLiteral("0"));
  return combo;
}

ChoiceComboBox* ListCombo(QWidget* parent, const QStringList& items) {
  auto* combo = new ChoiceComboBox(parent);
  combo->addItems(items);
  return combo;
}

ColorPicker* ColorSelector(QWidget* parent, const QString& caption, kt58::Color color) {
  auto* selector = new ColorPicker(parent);
  selector->SetLabelText(caption);
  selector->SetColor(color);
  return selector;
}

QString PercentText(const char* caption, int percent) { return QStringLiteral("%1 : %2%").arg(caption).arg(percent); }

}  // namespace

LayerProperties::LayerProperties(Document& document, QWidget* parent) : QWidget(parent), document_(document) {
  setObjectName(QStringLiteral("LayerSheet"));
  BuildPages();
  // Every control is found by its described name.
  for (auto [widget, name] : std::initializer_list<std::pair<QWidget*, const char*>>{
           {eXOffset, "eXOffset"},
           {eYOffset, "eYOffset"},
           {cbRotateClockwise, "cbRotateClockwise"},
           {cbRotAA, "cbRotAA"},
           {cbStartAngle, "cbStartAngle"},
           {cbDegreesToRotate, "cbDegreesToRotate"},
           {cbBlendType, "cbBlendType"},
           {tbTrans, "tbTrans"},
           {tbAltTrans, "tbAltTrans"},
           {TransLabel, "TransLabel"},
           {AltTransLabel, "AltTransLabel"},
           {cbEnableTint, "cbEnableTint"},
           {TintColorSelector, "TintColorSelector"},
           {cbFadeMode, "cbFadeMode"},
           {tbFadeShade1, "tbFadeShade1"},
           {tbFadeShade2, "tbFadeShade2"},
           {FadeLabel1, "FadeLabel1"},
           {FadeLabel2, "FadeLabel2"},
           {LayerTransColorSelector, "LayerTransColorSelector"},
           {AutoTransparentColorButton, "AutoTransparentColorButton"},
           {cbPixRotate, "cbPixRotate"},
           {cbPixRotateDir, "cbPixRotateDir"},
           {cbMirror, "cbMirror"},
           {cbFlip, "cbFlip"},
           {cbEnableButtonize, "cbEnableButtonize"},
           {eBtnzAmount, "eBtnzAmount"},
           {BtnzHiColorSelector, "BtnzHiColorSelector"},
           {btnzLoColorSelector, "btnzLoColorSelector"},
       })
    widget->setObjectName(QString::fromLatin1(name));
  cbBlendType->setCurrentIndex(0);
  cbFadeMode->setCurrentIndex(0);
  cbPixRotateDir->setCurrentIndex(0);
  ConnectHandlers();

  connect(&document_, &Document::selectionChanged, this, [this] {
    // Without a selection the pages keep their last values.
    if (const kt58::Layer* layer = document_.SelectedLayer()) LoadLayerControls(layer);
  });
  connect(&document_, &Document::layerChanged, this, [this](kt58::Layer* layer) {
    if (applying_ == 0 && layer == document_.SelectedLayer()) LoadLayerControls(layer);
  });
  connect(&document_, &Document::projectReplaced, this,
          [this] { LoadLayerControls(document_.SelectedLayer()); });
}

void LayerProperties::ConnectHandlers() {
  // Detached while values are loaded: these fire for every change of the
  // control, typed, picked or set by the program.
  events_.Add(eXOffset, &QLineEdit::textChanged, this, &LayerProperties::eXOffsetChange);
  events_.Add(eYOffset, &QLineEdit::textChanged, this, &LayerProperties::eYOffsetChange);
  events_.Add(cbRotateClockwise, &QCheckBox::clicked, this, &LayerProperties::cbRotateClockwiseClick);
  events_.Add(cbDegreesToRotate, &QComboBox::editTextChanged, this, &LayerProperties::cbDegreesToRotateChange);
  events_.Add(cbStartAngle, &QComboBox::editTextChanged, this, &LayerProperties::cbStartAngleChange);
  events_.Add(tbTrans, &TrackBar::OnChange, this, &LayerProperties::tbTransChange);
  events_.Add(tbAltTrans, &TrackBar::OnChange, this, &LayerProperties::tbAltTransChange);
  events_.Add(cbEnableTint, &QCheckBox::clicked, this, &LayerProperties::cbEnableTintClick);
  events_.Add(TintColorSelector, &ColorPicker::OnColorChange, this, &LayerProperties::cbEnableTintClick);
  events_.Add(cbFadeMode, &QComboBox::currentIndexChanged, this, &LayerProperties::cbFadeModeChange);
  events_.Add(tbFadeShade1, &TrackBar::OnChange, this, &LayerProperties::tbFadeShade1Change);
  events_.Add(tbFadeShade2, &TrackBar::OnChange, this, &LayerProperties::tbFadeShade2Change);
  events_.Add(cbPixRotate, &QCheckBox::clicked, this, &LayerProperties::cbPixRotateClick);
  events_.Add(cbPixRotateDir, &QComboBox::currentIndexChanged, this, &LayerProperties::cbPixRotateClick);
  events_.Add(cbMirror, &QCheckBox::clicked, this, &LayerProperties::cbMirrorClick);
  events_.Add(cbFlip, &QCheckBox::clicked, this, &LayerProperties::cbMirrorClick);
  events_.Add(cbEnableButtonize, &QCheckBox::clicked, this, &LayerProperties::cbEnableButtonizeClick);
  events_.Add(eBtnzAmount, &QLineEdit::textChanged, this, &LayerProperties::eBtnzAmountChange);
  events_.Add(BtnzHiColorSelector, &ColorPicker::OnColorChange, this, &LayerProperties::cbEnableButtonizeClick);
  events_.Add(btnzLoColorSelector, &ColorPicker::OnColorChange, this, &LayerProperties::cbEnableButtonizeClick);

  // Always attached: these fire for the user's changes only, so loading
  // values never runs them.
  connect(cbRotAA, &QCheckBox::clicked, this, &LayerProperties::cbRotateClockwiseClick);
  connect(cbBlendType, &QComboBox::activated, this, &LayerProperties::cbBlendTypeChange);
  connect(LayerTransColorSelector, &ColorPicker::OnColorChange, this,
          &LayerProperties::LayerTransColorSelectorColorChange);
  connect(AutoTransparentColorButton, &QPushButton::clicked, this, &LayerProperties::AutoTransparentColorButtonClick);

  // A number typed digit by digit, or a bar dragged, is one undo step.
  for (QLineEdit* edit : {static_cast<QLineEdit*>(eXOffset), static_cast<QLineEdit*>(eYOffset),
                          static_cast<QLineEdit*>(eBtnzAmount), cbStartAngle->lineEdit(), cbDegreesToRotate->lineEdit()})
    connect(edit, &QLineEdit::editingFinished, &document_, &Document::EndMerge);
  for (TrackBar* bar : {tbTrans, tbAltTrans, tbFadeShade1, tbFadeShade2})
    connect(bar, &QSlider::sliderReleased, &document_, &Document::EndMerge);
}

void LayerProperties::LoadLayerControls(const kt58::Layer* layer) {
  // Without a layer the controls show a new layer's defaults.
  std::unique_ptr<kt58::Layer> defaults;
  if (!layer) {
    defaults = std::make_unique<kt58::Layer>(&document_.Animation());
    layer = defaults.get();
  }
  ControlEventsPause paused(events_);
  LayerTransColorSelector->SetColor(layer->TransparentColor);
  eXOffset->setText(QString::number(layer->OffsetX));
  eYOffset->setText(QString::number(layer->OffsetY));
  cbRotateClockwise->setChecked(layer->Clockwise);
  cbRotAA->setChecked(layer->AntiAlias);
  cbDegreesToRotate->setEditText(QString::number(kt58::RoundHalfEven(layer->DegreesToRotate)));
  cbStartAngle->setEditText(QString::number(kt58::RoundHalfEven(layer->StartAngle)));
  cbBlendType->setCurrentIndex(layer->BlendType);
  tbTrans->SetPosition(layer->Transparency);
  TransLabel->setText(PercentText("Transparency", tbTrans->Position()));
  tbAltTrans->SetPosition(layer->AltTransparency);
  AltTransLabel->setText(PercentText("Alternate Transparency", tbAltTrans->Position()));
  cbEnableTint->setChecked(layer->TintEnabled);
  TintColorSelector->SetColor(layer->TintColor);
  cbFadeMode->setCurrentIndex(layer->FadeMode);
  tbFadeShade1->SetPosition(layer->FadeStart);
  FadeLabel1->setText(PercentText("Start Transparency", tbFadeShade1->Position()));
  tbFadeShade2->SetPosition(layer->FadeFinal);
  FadeLabel2->setText(PercentText("End Transparency", tbFadeShade2->Position()));
  cbPixRotateDir->setCurrentIndex(layer->PixelRotateDirection);
  cbPixRotate->setChecked(layer->PixelRotate);
  cbMirror->setChecked(layer->Mirror);
  cbFlip->setChecked(layer->Flip);
  cbEnableButtonize->setChecked(layer->ButtonizeEnabled);
  eBtnzAmount->setText(QString::number(layer->ButtonizeAmount));
  BtnzHiColorSelector->SetColor(layer->ButtonizeHighlight);
  btnzLoColorSelector->SetColor(layer->ButtonizeShadow);
}

// ---- the groups of fields written together

void LayerProperties::WriteRotationGroup(kt58::TAnimation& a) const {
  a.SetLayerRotation(IntegerOf(cbStartAngle->lineEdit()), IntegerOf(cbDegreesToRotate->lineEdit()),
                     cbRotateClockwise->isChecked(), cbRotAA->isChecked());
}

void LayerProperties::WriteBlendingGroup(kt58::TAnimation& a) const {
  a.SetLayerBlending(cbBlendType->currentIndex(), tbTrans->Position(), tbAltTrans->Position());
}

void LayerProperties::WriteFadingGroup(kt58::TAnimation& a) const {
  a.SetLayerFading(cbFadeMode->currentIndex(), tbFadeShade1->Position(), tbFadeShade2->Position());
}

void LayerProperties::WriteAdjustmentGroup(kt58::TAnimation& a) const {
  a.SetLayerOther(cbPixRotate->isChecked(), cbPixRotateDir->currentIndex(), cbMirror->isChecked(),
                  cbFlip->isChecked());
}

void LayerProperties::WriteButtonizeGroup(kt58::TAnimation& a) const {
  a.SetLayerButtonize(cbEnableButtonize->isChecked(), IntegerOf(eBtnzAmount), BtnzHiColorSelector->color(),
                      btnzLoColorSelector->color());
}

// ---- change handlers

void LayerProperties::Change(int merge, const char* what, bool guarded,
                        const std::function<void(kt58::TAnimation&)>& write) {
  if (!document_.SelectedLayer()) return;
  ++applying_;
  {
    std::unique_ptr<ControlEventsPause> paused;
    if (guarded) paused = std::make_unique<ControlEventsPause>(events_);
    document_.EditSelectedLayer(merge, QString::fromLatin1(what), write);
  }
  --applying_;
}

void LayerProperties::eXOffsetChange() {
  Change(kMergeOffsetX, "X Offset", true,
         [this](kt58::TAnimation& a) { a.SetLayerPosition(IntegerOf(eXOffset), a.SelectedLayer->OffsetY); });
}

void LayerProperties::eYOffsetChange() {
  Change(kMergeOffsetY, "Y Offset", true,
         [this](kt58::TAnimation& a) { a.SetLayerPosition(a.SelectedLayer->OffsetX, IntegerOf(eYOffset)); });
}

void LayerProperties::cbStartAngleChange() {
  Change(kMergeStartAngle, "Start Angle", true, [this](kt58::TAnimation& a) {
    ClampEditValue(0, kMaxStartAngle, cbStartAngle->lineEdit());
    WriteRotationGroup(a);
  });
}

void LayerProperties::cbDegreesToRotateChange() {
  Change(kMergeDegreesToRotate, "Degrees to Rotate", true, [this](kt58::TAnimation& a) {
    ClampEditValue(0, kMaxDegreesToRotate, cbDegreesToRotate->lineEdit());
    WriteRotationGroup(a);
  });
}

void LayerProperties::cbRotateClockwiseClick() {
  Change(kNoMerge, "Rotation", true, [this](kt58::TAnimation& a) { WriteRotationGroup(a); });
}

void LayerProperties::cbBlendTypeChange() {
  // Marks the project modified even when there is no layer to write to.
  ++applying_;
  document_.EditSelectedLayer(
      kNoMerge, QStringLiteral("Blend Type"), [this](kt58::TAnimation& a) { WriteBlendingGroup(a); }, true);
  --applying_;
}

void LayerProperties::tbTransChange() {
  Change(kMergeTransparency, "Transparency", true, [this](kt58::TAnimation& a) {
    TransLabel->setText(PercentText("Transparency", tbTrans->Position()));
    WriteBlendingGroup(a);
  });
}

void LayerProperties::tbAltTransChange() {
  Change(kMergeAltTransparency, "Alternate Transparency", true, [this](kt58::TAnimation& a) {
    AltTransLabel->setText(PercentText("Alternate Transparency", tbAltTrans->Position()));
    WriteBlendingGroup(a);
  });
}

void LayerProperties::cbEnableTintClick() {
  Change(kNoMerge, "Tint", true,
         [this](kt58::TAnimation& a) { a.SetLayerTint(cbEnableTint->isChecked(), TintColorSelector->color()); });
}

void LayerProperties::cbFadeModeChange() {
  Change(kNoMerge, "Fade Type", false, [this](kt58::TAnimation& a) { WriteFadingGroup(a); });
}

void LayerProperties::tbFadeShade1Change() {
  Change(kMergeFadeStart, "Start Transparency", true, [this](kt58::TAnimation& a) {
    FadeLabel1->setText(PercentText("Start Transparency", tbFadeShade1->Position()));
    WriteFadingGroup(a);
  });
}

void LayerProperties::tbFadeShade2Change() {
  Change(kMergeFadeFinal, "End Transparency", true, [this](kt58::TAnimation& a) {
    FadeLabel2->setText(PercentText("End Transparency", tbFadeShade2->Position()));
    WriteFadingGroup(a);
  });
}

void LayerProperties::cbPixRotateClick() {
  Change(kNoMerge, "Pixel Rotate", false, [this](kt58::TAnimation& a) { WriteAdjustmentGroup(a); });
}

void LayerProperties::cbMirrorClick() {
  Change(kNoMerge, "Mirror and Flip", false, [this](kt58::TAnimation& a) { WriteAdjustmentGroup(a); });
}

void LayerProperties::LayerTransColorSelectorColorChange() {
  Change(kNoMerge, "Layer Transparent Color", false,
         [this](kt58::TAnimation& a) { a.SelectedLayer->TransparentColor = LayerTransColorSelector->color(); });
}

void LayerProperties::AutoTransparentColorButtonClick() {
  Change(kNoMerge, "Auto Detect Transparent Color", false, [this](kt58::TAnimation& a) {
    a.SelectedLayer->AutoDetectTransparentColor();
    LayerTransColorSelector->SetColor(a.SelectedLayer->TransparentColor);
  });
}

void LayerProperties::cbEnableButtonizeClick() {
  Change(kNoMerge, "Buttonize", false, [this](kt58::TAnimation& a) { WriteButtonizeGroup(a); });
}

void LayerProperties::eBtnzAmountChange() {
  // Not guarded: a clamped rewrite runs this handler once more first, and
  // both writes merge into one step.
  Change(kMergeButtonizeAmount, "Buttonize Amount", false, [this](kt58::TAnimation& a) {
    ClampEditValue(0, kMaxButtonizeAmount, eBtnzAmount);
    WriteButtonizeGroup(a);
  });
}

void LayerProperties::BuildPages() {
  auto* sheet = new QVBoxLayout(this);
  sheet->setContentsMargins(0, 2, 0, 0);
  pc2 = new QTabWidget(this);
  pc2->setObjectName(QStringLiteral("pc2"));
  // All five tabs fit the column without scrolling.
  pc2->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 3px 3px; }"));
  sheet->addWidget(pc2);

  auto* translation = new QWidget(pc2);
  {
    auto* grid = new QGridLayout(translation);
    grid->addWidget(new QLabel(QStringLiteral("X Offset :"), translation), 0, 0);
    eXOffset = new IntegerEdit(translation);
    eXOffset->setText(QStringLiteral("0"));
    grid->addWidget(eXOffset, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Y Offset :"), translation), 1, 0);
    eYOffset = new IntegerEdit(translation);
    eYOffset->setText(QStringLiteral("0"));
    grid->addWidget(eYOffset, 1, 1);
    grid->setRowStretch(2, 1);
  }
  pc2->addTab(translation, QStringLiteral("Translation"));

  auto* rotation = new QWidget(pc2);
  {
    auto* grid = new QGridLayout(rotation);
    cbRotateClockwise = new QCheckBox(QStringLiteral("Rotate Clockwise"), rotation);
    cbRotateClockwise->setChecked(true);
    grid->addWidget(cbRotateClockwise, 0, 0, 1, 2);
    cbRotAA = new QCheckBox(QStringLiteral("Anti Alaise"), rotation);
    cbRotAA->setVisible(false);  // carried by the layers, never offered
    grid->addWidget(new QLabel(QStringLiteral("Start Angle :"), rotation), 1, 0);
    cbStartAngle = AngleCombo(rotation, {"0", "90", "180", "270"});
    grid->addWidget(cbStartAngle, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Degrees to rotate :"), rotation), 2, 0);
    cbDegreesToRotate = AngleCombo(rotation, {"0", "90", "180", "270", "360"});
    grid->addWidget(cbDegreesToRotate, 2, 1);
    grid->setRowStretch(3, 1);
  }
  pc2->addTab(rotation, QStringLiteral("Rotation"));

  auto* blending = new QWidget(pc2);
  {
    auto* page = new QVBoxLayout(blending);
    auto* blend = new QGroupBox(QStringLiteral("  Blending  "), blending);
    auto* grid = new QGridLayout(blend);
    grid->addWidget(new QLabel(QStringLiteral("Type :"), blend), 0, 0);
    cbBlendType = ListCombo(blend, {"None", "Normal", "Horizontal Gradient", "Vertical Gradient"});
    grid->addWidget(cbBlendType, 0, 1);
    TransLabel = new QLabel(QStringLiteral("Transparency :"), blend);
    grid->addWidget(TransLabel, 1, 0, 1, 2);
    tbTrans = PercentBar(blend);
    grid->addWidget(tbTrans, 2, 0, 1, 2);
    AltTransLabel = new QLabel(QStringLiteral("Alternate Transparency :"), blend);
    grid->addWidget(AltTransLabel, 3, 0, 1, 2);
    tbAltTrans = PercentBar(blend);
    grid->addWidget(tbAltTrans, 4, 0, 1, 2);
    page->addWidget(blend);
    auto* tinting = new QGroupBox(QStringLiteral("  Tinting  "), blending);
    auto* tint = new QVBoxLayout(tinting);
    cbEnableTint = new QCheckBox(QStringLiteral("Enable Tint"), tinting);
    tint->addWidget(cbEnableTint);
    TintColorSelector = ColorSelector(tinting, QStringLiteral("Tint Color"), 0);
    tint->addWidget(TintColorSelector);
    page->addWidget(tinting);
    page->addStretch(1);
  }
  pc2->addTab(blending, QStringLiteral("Blending"));

  auto* fading = new QWidget(pc2);
  {
    auto* grid = new QGridLayout(fading);
    grid->addWidget(new QLabel(QStringLiteral("Type : "), fading), 0, 0);
    cbFadeMode = ListCombo(fading, {"None", "Pulse", "Smooth"});
    grid->addWidget(cbFadeMode, 0, 1);
    // The fade transparencies keep whatever the layer holds: their bars are
    // loaded and read but never shown.
    FadeLabel1 = new QLabel(QStringLiteral("Start Transparency :"), fading);
    tbFadeShade1 = PercentBar(fading);
    FadeLabel2 = new QLabel(QStringLiteral("Final Transparency :"), fading);
    tbFadeShade2 = PercentBar(fading);
    for (QWidget* hidden : {static_cast<QWidget*>(FadeLabel1), static_cast<QWidget*>(tbFadeShade1),
                            static_cast<QWidget*>(FadeLabel2), static_cast<QWidget*>(tbFadeShade2)})
      hidden->setVisible(false);
    grid->setRowStretch(1, 1);
  }
  pc2->addTab(fading, QStringLiteral("Fading"));

  auto* other = new QWidget(pc2);
  {
    auto* page = new QVBoxLayout(other);
    page->setSpacing(2);
    auto* trans = new QGroupBox(QStringLiteral("  Layer Transparent Color  "), other);
    auto* trans_row = new QHBoxLayout(trans);
    LayerTransColorSelector = ColorSelector(trans, QStringLiteral("Layer Transparent Color"), 0);
    trans_row->addWidget(LayerTransColorSelector, 1);
    AutoTransparentColorButton = new QPushButton(QStringLiteral("Auto Detect"), trans);
    trans_row->addWidget(AutoTransparentColorButton, 0, Qt::AlignBottom);
    page->addWidget(trans);

    auto* pixel = new QGroupBox(QStringLiteral("  Pixel Rotate  "), other);
    auto* pixel_row = new QHBoxLayout(pixel);
    cbPixRotate = new QCheckBox(QStringLiteral("Enabled"), pixel);
    pixel_row->addWidget(cbPixRotate);
    pixel_row->addWidget(new QLabel(QStringLiteral("Direction"), pixel));
    cbPixRotateDir = ListCombo(pixel, {"Up", "Down", "Left", "Right"});
    pixel_row->addWidget(cbPixRotateDir, 1);
    page->addWidget(pixel);

    auto* adjust = new QGroupBox(QStringLiteral("  Other Layer Adjustments  "), other);
    auto* adjust_row = new QHBoxLayout(adjust);
    cbMirror = new QCheckBox(QStringLiteral("Mirror"), adjust);
    cbFlip = new QCheckBox(QStringLiteral("Flip"), adjust);
    adjust_row->addWidget(cbMirror);
    adjust_row->addWidget(cbFlip);
    adjust_row->addStretch(1);
    page->addWidget(adjust);

    auto* buttonize = new QGroupBox(QStringLiteral("  Buttonize  "), other);
    auto* grid = new QGridLayout(buttonize);
    cbEnableButtonize = new QCheckBox(QStringLiteral("Enabled"), buttonize);
    grid->addWidget(cbEnableButtonize, 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Amount"), buttonize), 0, 1, Qt::AlignRight);
    eBtnzAmount = new IntegerEdit(buttonize);
    eBtnzAmount->setText(QStringLiteral("1"));
    grid->addWidget(eBtnzAmount, 0, 2);
    BtnzHiColorSelector = ColorSelector(buttonize, QStringLiteral("Highlight Color"), 0xFFFFFF);
    grid->addWidget(BtnzHiColorSelector, 1, 0, 1, 3);
    btnzLoColorSelector = ColorSelector(buttonize, QStringLiteral("Shadow Color"), 0);
    grid->addWidget(btnzLoColorSelector, 2, 0, 1, 3);
    page->addWidget(buttonize);
    page->addStretch(1);
  }
  pc2->addTab(other, QStringLiteral("Other"));
}

