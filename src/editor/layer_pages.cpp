// The "Layer" page: the selected master layer's placement and effects on the
// inner pages "Translation", "Rotation", "Blending", "Fading" and "Other".
// Changes store the value and mark the project modified; none regenerates
// the animation, the generated frames follow at the next regeneration.
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <memory>

#include "app/main_form.h"
#include "controls/kesh_color_selector.h"
#include "controls/kesh_combo_box.h"
#include "controls/kesh_integer_edit.h"
#include "controls/kesh_track_bar.h"
#include "model/frame_layer.h"
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

TKeshTrackBar* PercentBar(QWidget* parent) {
  auto* bar = new TKeshTrackBar(parent);
  bar->setRange(0, 100);
  bar->setPageStep(5);
  bar->setTickInterval(5);
  return bar;
}

TKeshNumericComboBox* AngleCombo(QWidget* parent, const QStringList& items) {
  auto* combo = new TKeshNumericComboBox(parent);
  combo->addItems(items);
  combo->setEditText(QStringLiteral("0"));
  return combo;
}

TKeshComboBox* ListCombo(QWidget* parent, const QStringList& items) {
  auto* combo = new TKeshComboBox(parent);
  combo->addItems(items);
  return combo;
}

TKeshColorSelector* ColorSelector(QWidget* parent, const QString& caption, kt58::TColor color) {
  auto* selector = new TKeshColorSelector(parent);
  selector->SetLabelText(caption);
  selector->SetColor(color);
  return selector;
}

QString PercentText(const char* caption, int percent) { return QStringLiteral("%1 : %2%").arg(caption).arg(percent); }

}  // namespace

void TMainForm::BuildLayerPages() {
  LayerSheet = new QWidget(pc1);
  auto* sheet = new QVBoxLayout(LayerSheet);
  sheet->setContentsMargins(0, 2, 0, 0);
  pc2 = new QTabWidget(LayerSheet);
  // All five tabs fit the column without scrolling.
  pc2->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 3px 3px; }"));
  sheet->addWidget(pc2);

  auto* translation = new QWidget(pc2);
  {
    auto* grid = new QGridLayout(translation);
    grid->addWidget(new QLabel(QStringLiteral("X Offset :"), translation), 0, 0);
    eXOffset = new TKeshIntegerEdit(translation);
    eXOffset->setText(QStringLiteral("0"));
    grid->addWidget(eXOffset, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Y Offset :"), translation), 1, 0);
    eYOffset = new TKeshIntegerEdit(translation);
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
    eBtnzAmount = new TKeshIntegerEdit(buttonize);
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
  pc1->addTab(LayerSheet, QStringLiteral("Layer"));
}

void TMainForm::ConnectLayerPages() {
  // Detached while values are loaded (DisableControlEvents): these fire for
  // every change of the control, typed, picked or set by the program.
  AddControlHandler(eXOffset, &QLineEdit::textChanged, &TMainForm::eXOffsetChange);
  AddControlHandler(eYOffset, &QLineEdit::textChanged, &TMainForm::eYOffsetChange);
  AddControlHandler(cbRotateClockwise, &QCheckBox::clicked, &TMainForm::cbRotateClockwiseClick);
  AddControlHandler(cbDegreesToRotate, &QComboBox::editTextChanged, &TMainForm::cbDegreesToRotateChange);
  AddControlHandler(cbStartAngle, &QComboBox::editTextChanged, &TMainForm::cbStartAngleChange);
  AddControlHandler(tbTrans, &TKeshTrackBar::OnChange, &TMainForm::tbTransChange);
  AddControlHandler(tbAltTrans, &TKeshTrackBar::OnChange, &TMainForm::tbAltTransChange);
  AddControlHandler(cbEnableTint, &QCheckBox::clicked, &TMainForm::cbEnableTintClick);
  AddControlHandler(TintColorSelector, &TKeshColorSelector::OnColorChange, &TMainForm::cbEnableTintClick);
  AddControlHandler(cbFadeMode, &QComboBox::currentIndexChanged, &TMainForm::cbFadeModeChange);
  AddControlHandler(tbFadeShade1, &TKeshTrackBar::OnChange, &TMainForm::tbFadeShade1Change);
  AddControlHandler(tbFadeShade2, &TKeshTrackBar::OnChange, &TMainForm::tbFadeShade2Change);
  AddControlHandler(cbPixRotate, &QCheckBox::clicked, &TMainForm::cbPixRotateClick);
  AddControlHandler(cbPixRotateDir, &QComboBox::currentIndexChanged, &TMainForm::cbPixRotateClick);
  AddControlHandler(cbMirror, &QCheckBox::clicked, &TMainForm::cbMirrorClick);
  AddControlHandler(cbFlip, &QCheckBox::clicked, &TMainForm::cbMirrorClick);
  AddControlHandler(cbEnableButtonize, &QCheckBox::clicked, &TMainForm::cbEnableButtonizeClick);
  AddControlHandler(eBtnzAmount, &QLineEdit::textChanged, &TMainForm::eBtnzAmountChange);
  AddControlHandler(BtnzHiColorSelector, &TKeshColorSelector::OnColorChange, &TMainForm::cbEnableButtonizeClick);
  AddControlHandler(btnzLoColorSelector, &TKeshColorSelector::OnColorChange, &TMainForm::cbEnableButtonizeClick);

  // Always attached: these fire for the user's changes only, so loading
  // values never runs them.
  connect(cbRotAA, &QCheckBox::clicked, this, &TMainForm::cbRotateClockwiseClick);
  connect(cbBlendType, &QComboBox::activated, this, &TMainForm::cbBlendTypeChange);
  connect(LayerTransColorSelector, &TKeshColorSelector::OnColorChange, this,
          &TMainForm::LayerTransColorSelectorColorChange);
  connect(AutoTransparentColorButton, &QPushButton::clicked, this, &TMainForm::AutoTransparentColorButtonClick);
}

void TMainForm::LoadLayerControls(kt58::TFrameLayer* layer) {
  // Without a layer the controls show a new layer's defaults.
  std::unique_ptr<kt58::TFrameLayer> defaults;
  if (!layer) {
    defaults = std::make_unique<kt58::TFrameLayer>(Animation.get());
    layer = defaults.get();
  }
  ControlEventsPause paused(*this);
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

void TMainForm::WriteRotationGroup(kt58::TFrameLayer& layer) const {
  layer.StartAngle = IntegerOf(cbStartAngle->lineEdit());
  layer.Angle = layer.StartAngle;
  layer.Clockwise = cbRotateClockwise->isChecked();
  layer.DegreesToRotate = IntegerOf(cbDegreesToRotate->lineEdit());
  layer.AntiAlias = cbRotAA->isChecked();
}

void TMainForm::WriteBlendingGroup(kt58::TFrameLayer& layer) const {
  layer.BlendType = cbBlendType->currentIndex();
  layer.Transparency = tbTrans->Position();
  layer.AltTransparency = tbAltTrans->Position();
}

void TMainForm::WriteFadingGroup(kt58::TFrameLayer& layer) const {
  layer.FadeMode = cbFadeMode->currentIndex();
  layer.FadeStart = tbFadeShade1->Position();
  layer.FadeFinal = tbFadeShade2->Position();
}

void TMainForm::WriteAdjustmentGroup(kt58::TFrameLayer& layer) const {
  layer.PixelRotate = cbPixRotate->isChecked();
  layer.PixelRotateDirection = cbPixRotateDir->currentIndex();
  layer.Mirror = cbMirror->isChecked();
  layer.Flip = cbFlip->isChecked();
}

void TMainForm::WriteButtonizeGroup(kt58::TFrameLayer& layer) const {
  layer.ButtonizeEnabled = cbEnableButtonize->isChecked();
  layer.ButtonizeAmount = IntegerOf(eBtnzAmount);
  layer.ButtonizeHighlight = BtnzHiColorSelector->Color();
  layer.ButtonizeShadow = btnzLoColorSelector->Color();
}

// ---- change handlers

void TMainForm::ChangeSelectedLayer(bool guarded, bool repaint, const std::function<void(kt58::TFrameLayer&)>& write) {
  kt58::TFrameLayer* layer = Animation->SelectedLayer;
  if (!layer) return;
  if (guarded) {
    ControlEventsPause paused(*this);
    write(*layer);
  } else {
    write(*layer);
  }
  if (repaint) RequestRepaint();
  SetModified(true);
}

void TMainForm::eXOffsetChange() {
  ChangeSelectedLayer(true, true, [this](kt58::TFrameLayer& l) { l.OffsetX = IntegerOf(eXOffset); });
}

void TMainForm::eYOffsetChange() {
  ChangeSelectedLayer(true, true, [this](kt58::TFrameLayer& l) { l.OffsetY = IntegerOf(eYOffset); });
}

void TMainForm::cbStartAngleChange() {
  ChangeSelectedLayer(true, true, [this](kt58::TFrameLayer& l) {
    ClampEditValue(0, kMaxStartAngle, cbStartAngle->lineEdit());
    WriteRotationGroup(l);
  });
}

void TMainForm::cbDegreesToRotateChange() {
  ChangeSelectedLayer(true, false, [this](kt58::TFrameLayer& l) {
    ClampEditValue(0, kMaxDegreesToRotate, cbDegreesToRotate->lineEdit());
    WriteRotationGroup(l);
  });
}

void TMainForm::cbRotateClockwiseClick() {
  ChangeSelectedLayer(true, false, [this](kt58::TFrameLayer& l) { WriteRotationGroup(l); });
}

void TMainForm::cbBlendTypeChange() {
  // Marks the project modified even when there is no layer to write to.
  if (kt58::TFrameLayer* layer = Animation->SelectedLayer) WriteBlendingGroup(*layer);
  RequestRepaint();
  SetModified(true);
}

void TMainForm::tbTransChange() {
  ChangeSelectedLayer(true, true, [this](kt58::TFrameLayer& l) {
    TransLabel->setText(PercentText("Transparency", tbTrans->Position()));
    WriteBlendingGroup(l);
  });
}

void TMainForm::tbAltTransChange() {
  ChangeSelectedLayer(true, true, [this](kt58::TFrameLayer& l) {
    AltTransLabel->setText(PercentText("Alternate Transparency", tbAltTrans->Position()));
    WriteBlendingGroup(l);
  });
}

void TMainForm::cbEnableTintClick() {
  ChangeSelectedLayer(true, true, [this](kt58::TFrameLayer& l) {
    l.TintEnabled = cbEnableTint->isChecked();
    l.TintColor = TintColorSelector->Color();
  });
}

void TMainForm::cbFadeModeChange() {
  ChangeSelectedLayer(false, false, [this](kt58::TFrameLayer& l) { WriteFadingGroup(l); });
}

void TMainForm::tbFadeShade1Change() {
  ChangeSelectedLayer(true, false, [this](kt58::TFrameLayer& l) {
    FadeLabel1->setText(PercentText("Start Transparency", tbFadeShade1->Position()));
    WriteFadingGroup(l);
  });
}

void TMainForm::tbFadeShade2Change() {
  ChangeSelectedLayer(true, false, [this](kt58::TFrameLayer& l) {
    FadeLabel2->setText(PercentText("End Transparency", tbFadeShade2->Position()));
    WriteFadingGroup(l);
  });
}

void TMainForm::cbPixRotateClick() {
  ChangeSelectedLayer(false, false, [this](kt58::TFrameLayer& l) { WriteAdjustmentGroup(l); });
}

void TMainForm::cbMirrorClick() {
  ChangeSelectedLayer(false, true, [this](kt58::TFrameLayer& l) { WriteAdjustmentGroup(l); });
}

void TMainForm::LayerTransColorSelectorColorChange() {
  ChangeSelectedLayer(false, true, [this](kt58::TFrameLayer& l) {
    l.TransparentColor = LayerTransColorSelector->Color();
    RequestBackgroundClear();
  });
}

void TMainForm::AutoTransparentColorButtonClick() {
  ChangeSelectedLayer(false, true, [this](kt58::TFrameLayer& l) {
    l.AutoDetectTransparentColor();
    LayerTransColorSelector->SetColor(l.TransparentColor);
    RequestBackgroundClear();
  });
}

void TMainForm::cbEnableButtonizeClick() {
  ChangeSelectedLayer(false, true, [this](kt58::TFrameLayer& l) { WriteButtonizeGroup(l); });
}

void TMainForm::eBtnzAmountChange() {
  // Not guarded: a clamped rewrite runs this handler once more first.
  ChangeSelectedLayer(false, true, [this](kt58::TFrameLayer& l) {
    ClampEditValue(0, kMaxButtonizeAmount, eBtnzAmount);
    WriteButtonizeGroup(l);
  });
}
