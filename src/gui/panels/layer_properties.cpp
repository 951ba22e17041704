// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/panels/layer_properties.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>
#include <initializer_list>
#include <memory>
#include <utility>

#include "gui/widgets/color_picker.h"
#include "gui/widgets/choice_combo_box.h"
#include "gui/widgets/integer_edit.h"
#include "gui/document/document.h"
#include "model/project.h"
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

QSlider* PercentBar(QWidget* parent) {
  auto* bar = new QSlider(Qt::Horizontal, parent);
  bar->setTickPosition(QSlider::TicksBelow);
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
  selector->setLabelText(caption);
  selector->setColor(color);
  return selector;
}

QString PercentText(const QString& caption, int percent) { return QStringLiteral("%1 : %2%").arg(caption).arg(percent); }

}  // namespace

LayerProperties::LayerProperties(Document& document, QWidget* parent) : QWidget(parent), document_(document) {
  setObjectName(QStringLiteral("LayerSheet"));
  buildPages();
  // Every control is found by its described name.
  for (auto [widget, name] : std::initializer_list<std::pair<QWidget*, const char*>>{
           {xOffsetEdit_, "eXOffset"},
           {yOffsetEdit_, "eYOffset"},
           {rotateClockwiseCheck_, "cbRotateClockwise"},
           {rotateAntialiasCheck_, "cbRotAA"},
           {startAngleCombo_, "cbStartAngle"},
           {degreesToRotateCombo_, "cbDegreesToRotate"},
           {blendTypeCombo_, "cbBlendType"},
           {transparencySlider_, "tbTrans"},
           {altTransparencySlider_, "tbAltTrans"},
           {transparencyLabel_, "TransLabel"},
           {altTransparencyLabel_, "AltTransLabel"},
           {tintCheck_, "cbEnableTint"},
           {tintColorPicker_, "TintColorSelector"},
           {fadeModeCombo_, "cbFadeMode"},
           {fadeStartSlider_, "tbFadeShade1"},
           {fadeEndSlider_, "tbFadeShade2"},
           {fadeStartLabel_, "FadeLabel1"},
           {fadeEndLabel_, "FadeLabel2"},
           {transparentColorPicker_, "LayerTransColorSelector"},
           {autoTransparentColorButton_, "AutoTransparentColorButton"},
           {pixelRotateCheck_, "cbPixRotate"},
           {pixelRotateDirectionCombo_, "cbPixRotateDir"},
           {mirrorCheck_, "cbMirror"},
           {flipCheck_, "cbFlip"},
           {buttonizeCheck_, "cbEnableButtonize"},
           {buttonizeAmountEdit_, "eBtnzAmount"},
           {buttonizeHighColorPicker_, "BtnzHiColorSelector"},
           {buttonizeLowColorPicker_, "btnzLoColorSelector"},
       })
    widget->setObjectName(QString::fromLatin1(name));
  blendTypeCombo_->setCurrentIndex(0);
  fadeModeCombo_->setCurrentIndex(0);
  pixelRotateDirectionCombo_->setCurrentIndex(0);
  connectHandlers();

  connect(&document_, &Document::selectionChanged, this, [this] {
    // Without a selection the pages keep their last values.
    if (const kt58::Layer* layer = document_.SelectedLayer()) loadLayerControls(layer);
  });
  connect(&document_, &Document::layerChanged, this, [this](kt58::Layer* layer) {
    if (applying_ == 0 && layer == document_.SelectedLayer()) loadLayerControls(layer);
  });
  connect(&document_, &Document::projectReplaced, this,
          [this] { loadLayerControls(document_.SelectedLayer()); });
}

void LayerProperties::connectHandlers() {
  // Detached while values are loaded: these fire for every change of the
  // control, typed, picked or set by the program.
  events_.Add(xOffsetEdit_, &QLineEdit::textChanged, this, &LayerProperties::onXOffsetChanged);
  events_.Add(yOffsetEdit_, &QLineEdit::textChanged, this, &LayerProperties::onYOffsetChanged);
  events_.Add(rotateClockwiseCheck_, &QCheckBox::clicked, this, &LayerProperties::onRotateClockwiseToggled);
  events_.Add(degreesToRotateCombo_, &QComboBox::editTextChanged, this, &LayerProperties::onDegreesToRotateChanged);
  events_.Add(startAngleCombo_, &QComboBox::editTextChanged, this, &LayerProperties::onStartAngleChanged);
  events_.Add(transparencySlider_, &QSlider::valueChanged, this, &LayerProperties::onTransparencyChanged);
  events_.Add(altTransparencySlider_, &QSlider::valueChanged, this, &LayerProperties::onAltTransparencyChanged);
  events_.Add(tintCheck_, &QCheckBox::clicked, this, &LayerProperties::onTintToggled);
  events_.Add(tintColorPicker_, &ColorPicker::colorChanged, this, &LayerProperties::onTintToggled);
  events_.Add(fadeModeCombo_, &QComboBox::currentIndexChanged, this, &LayerProperties::onFadeModeChanged);
  events_.Add(fadeStartSlider_, &QSlider::valueChanged, this, &LayerProperties::onFadeStartChanged);
  events_.Add(fadeEndSlider_, &QSlider::valueChanged, this, &LayerProperties::onFadeEndChanged);
  events_.Add(pixelRotateCheck_, &QCheckBox::clicked, this, &LayerProperties::onPixelRotateToggled);
  events_.Add(pixelRotateDirectionCombo_, &QComboBox::currentIndexChanged, this, &LayerProperties::onPixelRotateToggled);
  events_.Add(mirrorCheck_, &QCheckBox::clicked, this, &LayerProperties::onMirrorToggled);
  events_.Add(flipCheck_, &QCheckBox::clicked, this, &LayerProperties::onMirrorToggled);
  events_.Add(buttonizeCheck_, &QCheckBox::clicked, this, &LayerProperties::onButtonizeToggled);
  events_.Add(buttonizeAmountEdit_, &QLineEdit::textChanged, this, &LayerProperties::onButtonizeAmountChanged);
  events_.Add(buttonizeHighColorPicker_, &ColorPicker::colorChanged, this, &LayerProperties::onButtonizeToggled);
  events_.Add(buttonizeLowColorPicker_, &ColorPicker::colorChanged, this, &LayerProperties::onButtonizeToggled);

  // Always attached: these fire for the user's changes only, so loading
  // values never runs them.
  connect(rotateAntialiasCheck_, &QCheckBox::clicked, this, &LayerProperties::onRotateClockwiseToggled);
  connect(blendTypeCombo_, &QComboBox::activated, this, &LayerProperties::onBlendTypeChanged);
  connect(transparentColorPicker_, &ColorPicker::colorChanged, this,
          &LayerProperties::onTransparentColorChanged);
  connect(autoTransparentColorButton_, &QPushButton::clicked, this, &LayerProperties::onAutoTransparentColorClicked);

  // A number typed digit by digit, or a bar dragged, is one undo step.
  for (QLineEdit* edit : {static_cast<QLineEdit*>(xOffsetEdit_), static_cast<QLineEdit*>(yOffsetEdit_),
                          static_cast<QLineEdit*>(buttonizeAmountEdit_), startAngleCombo_->lineEdit(), degreesToRotateCombo_->lineEdit()})
    connect(edit, &QLineEdit::editingFinished, &document_, &Document::EndMerge);
  for (QSlider* bar : {transparencySlider_, altTransparencySlider_, fadeStartSlider_, fadeEndSlider_})
    connect(bar, &QSlider::sliderReleased, &document_, &Document::EndMerge);
}

void LayerProperties::loadLayerControls(const kt58::Layer* layer) {
  // Without a layer the controls show a new layer's defaults.
  std::unique_ptr<kt58::Layer> defaults;
  if (!layer) {
    defaults = std::make_unique<kt58::Layer>(*document_.project().References);
    layer = defaults.get();
  }
  ControlEventsPause paused(events_);
  transparentColorPicker_->setColor(layer->TransparentColor);
  xOffsetEdit_->setText(QString::number(layer->OffsetX));
  yOffsetEdit_->setText(QString::number(layer->OffsetY));
  rotateClockwiseCheck_->setChecked(layer->Clockwise);
  rotateAntialiasCheck_->setChecked(layer->AntiAlias);
  degreesToRotateCombo_->setEditText(QString::number(kt58::RoundHalfEven(layer->DegreesToRotate)));
  startAngleCombo_->setEditText(QString::number(kt58::RoundHalfEven(layer->StartAngle)));
  blendTypeCombo_->setCurrentIndex(layer->BlendType);
  transparencySlider_->setValue(layer->Transparency);
  transparencyLabel_->setText(PercentText(tr("Transparency"), transparencySlider_->value()));
  altTransparencySlider_->setValue(layer->AltTransparency);
  altTransparencyLabel_->setText(PercentText(tr("Alternate Transparency"), altTransparencySlider_->value()));
  tintCheck_->setChecked(layer->TintEnabled);
  tintColorPicker_->setColor(layer->TintColor);
  fadeModeCombo_->setCurrentIndex(layer->FadeMode);
  fadeStartSlider_->setValue(layer->FadeStart);
  fadeStartLabel_->setText(PercentText(tr("Start Transparency"), fadeStartSlider_->value()));
  fadeEndSlider_->setValue(layer->FadeFinal);
  fadeEndLabel_->setText(PercentText(tr("End Transparency"), fadeEndSlider_->value()));
  pixelRotateDirectionCombo_->setCurrentIndex(layer->PixelRotateDirection);
  pixelRotateCheck_->setChecked(layer->PixelRotate);
  mirrorCheck_->setChecked(layer->Mirror);
  flipCheck_->setChecked(layer->Flip);
  buttonizeCheck_->setChecked(layer->ButtonizeEnabled);
  buttonizeAmountEdit_->setText(QString::number(layer->ButtonizeAmount));
  buttonizeHighColorPicker_->setColor(layer->ButtonizeHighlight);
  buttonizeLowColorPicker_->setColor(layer->ButtonizeShadow);
}

// ---- the groups of fields written together

void LayerProperties::writeRotationGroup(kt58::Layer& a) const {
  a.SetRotation(IntegerOf(startAngleCombo_->lineEdit()), IntegerOf(degreesToRotateCombo_->lineEdit()),
                     rotateClockwiseCheck_->isChecked(), rotateAntialiasCheck_->isChecked());
}

void LayerProperties::writeBlendingGroup(kt58::Layer& a) const {
  a.SetBlending(blendTypeCombo_->currentIndex(), transparencySlider_->value(), altTransparencySlider_->value());
}

void LayerProperties::writeFadingGroup(kt58::Layer& a) const {
  a.SetFading(fadeModeCombo_->currentIndex(), fadeStartSlider_->value(), fadeEndSlider_->value());
}

void LayerProperties::writeAdjustmentGroup(kt58::Layer& a) const {
  a.SetOther(pixelRotateCheck_->isChecked(), pixelRotateDirectionCombo_->currentIndex(), mirrorCheck_->isChecked(),
                  flipCheck_->isChecked());
}

void LayerProperties::writeButtonizeGroup(kt58::Layer& a) const {
  a.SetButtonize(buttonizeCheck_->isChecked(), IntegerOf(buttonizeAmountEdit_), buttonizeHighColorPicker_->color(),
                      buttonizeLowColorPicker_->color());
}

// ---- change handlers

void LayerProperties::change(int merge, const QString& what, bool guarded,
                        const std::function<void(kt58::Layer&)>& write) {
  if (!document_.SelectedLayer()) return;
  ++applying_;
  {
    std::unique_ptr<ControlEventsPause> paused;
    if (guarded) paused = std::make_unique<ControlEventsPause>(events_);
    document_.EditSelectedLayer(merge, what, write);
  }
  --applying_;
}

void LayerProperties::onXOffsetChanged() {
  change(kMergeOffsetX, tr("X Offset"), true,
         [this](kt58::Layer& a) { a.SetPosition(IntegerOf(xOffsetEdit_), a.OffsetY); });
}

void LayerProperties::onYOffsetChanged() {
  change(kMergeOffsetY, tr("Y Offset"), true,
         [this](kt58::Layer& a) { a.SetPosition(a.OffsetX, IntegerOf(yOffsetEdit_)); });
}

void LayerProperties::onStartAngleChanged() {
  change(kMergeStartAngle, tr("Start Angle"), true, [this](kt58::Layer& a) {
    ClampEditValue(0, kMaxStartAngle, startAngleCombo_->lineEdit());
    writeRotationGroup(a);
  });
}

void LayerProperties::onDegreesToRotateChanged() {
  change(kMergeDegreesToRotate, tr("Degrees to Rotate"), true, [this](kt58::Layer& a) {
    ClampEditValue(0, kMaxDegreesToRotate, degreesToRotateCombo_->lineEdit());
    writeRotationGroup(a);
  });
}

void LayerProperties::onRotateClockwiseToggled() {
  change(kNoMerge, tr("Rotation"), true, [this](kt58::Layer& a) { writeRotationGroup(a); });
}

void LayerProperties::onBlendTypeChanged() {
  // Marks the project modified even when there is no layer to write to.
  ++applying_;
  document_.EditSelectedLayer(
      kNoMerge, tr("Blend Type"), [this](kt58::Layer& a) { writeBlendingGroup(a); }, true);
  --applying_;
}

void LayerProperties::onTransparencyChanged() {
  change(kMergeTransparency, tr("Transparency"), true, [this](kt58::Layer& a) {
    transparencyLabel_->setText(PercentText(tr("Transparency"), transparencySlider_->value()));
    writeBlendingGroup(a);
  });
}

void LayerProperties::onAltTransparencyChanged() {
  change(kMergeAltTransparency, tr("Alternate Transparency"), true, [this](kt58::Layer& a) {
    altTransparencyLabel_->setText(PercentText(tr("Alternate Transparency"), altTransparencySlider_->value()));
    writeBlendingGroup(a);
  });
}

void LayerProperties::onTintToggled() {
  change(kNoMerge, tr("Tint"), true,
         [this](kt58::Layer& a) { a.SetTint(tintCheck_->isChecked(), tintColorPicker_->color()); });
}

void LayerProperties::onFadeModeChanged() {
  change(kNoMerge, tr("Fade Type"), false, [this](kt58::Layer& a) { writeFadingGroup(a); });
}

void LayerProperties::onFadeStartChanged() {
  change(kMergeFadeStart, tr("Start Transparency"), true, [this](kt58::Layer& a) {
    fadeStartLabel_->setText(PercentText(tr("Start Transparency"), fadeStartSlider_->value()));
    writeFadingGroup(a);
  });
}

void LayerProperties::onFadeEndChanged() {
  change(kMergeFadeFinal, tr("End Transparency"), true, [this](kt58::Layer& a) {
    fadeEndLabel_->setText(PercentText(tr("End Transparency"), fadeEndSlider_->value()));
    writeFadingGroup(a);
  });
}

void LayerProperties::onPixelRotateToggled() {
  change(kNoMerge, tr("Pixel Rotate"), false, [this](kt58::Layer& a) { writeAdjustmentGroup(a); });
}

void LayerProperties::onMirrorToggled() {
  change(kNoMerge, tr("Mirror and Flip"), false, [this](kt58::Layer& a) { writeAdjustmentGroup(a); });
}

void LayerProperties::onTransparentColorChanged() {
  change(kNoMerge, tr("Layer Transparent Color"), false,
         [this](kt58::Layer& a) { a.TransparentColor = transparentColorPicker_->color(); });
}

void LayerProperties::onAutoTransparentColorClicked() {
  change(kNoMerge, tr("Auto Detect Transparent Color"), false, [this](kt58::Layer& a) {
    a.AutoDetectTransparentColor();
    transparentColorPicker_->setColor(a.TransparentColor);
  });
}

void LayerProperties::onButtonizeToggled() {
  change(kNoMerge, tr("Buttonize"), false, [this](kt58::Layer& a) { writeButtonizeGroup(a); });
}

void LayerProperties::onButtonizeAmountChanged() {
  // Not guarded: a clamped rewrite runs this handler once more first, and
  // both writes merge into one step.
  change(kMergeButtonizeAmount, tr("Buttonize Amount"), false, [this](kt58::Layer& a) {
    ClampEditValue(0, kMaxButtonizeAmount, buttonizeAmountEdit_);
    writeButtonizeGroup(a);
  });
}

void LayerProperties::buildPages() {
  auto* sheet = new QVBoxLayout(this);
  sheet->setContentsMargins(0, 2, 0, 0);
  propertyPages_ = new QTabWidget(this);
  propertyPages_->setObjectName(QStringLiteral("pc2"));
  // All five tabs fit the column without scrolling.
  propertyPages_->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 3px 3px; }"));
  sheet->addWidget(propertyPages_);

  auto* translation = new QWidget(propertyPages_);
  {
    auto* grid = new QGridLayout(translation);
    grid->addWidget(new QLabel(tr("X Offset :"), translation), 0, 0);
    xOffsetEdit_ = new IntegerEdit(translation);
    xOffsetEdit_->setText(QStringLiteral("0"));
    grid->addWidget(xOffsetEdit_, 0, 1);
    grid->addWidget(new QLabel(tr("Y Offset :"), translation), 1, 0);
    yOffsetEdit_ = new IntegerEdit(translation);
    yOffsetEdit_->setText(QStringLiteral("0"));
    grid->addWidget(yOffsetEdit_, 1, 1);
    grid->setRowStretch(2, 1);
  }
  propertyPages_->addTab(translation, tr("Translation"));

  auto* rotation = new QWidget(propertyPages_);
  {
    auto* grid = new QGridLayout(rotation);
    rotateClockwiseCheck_ = new QCheckBox(tr("Rotate Clockwise"), rotation);
    rotateClockwiseCheck_->setChecked(true);
    grid->addWidget(rotateClockwiseCheck_, 0, 0, 1, 2);
    rotateAntialiasCheck_ = new QCheckBox(tr("Anti Alaise"), rotation);
    rotateAntialiasCheck_->setVisible(false);  // carried by the layers, never offered
    grid->addWidget(new QLabel(tr("Start Angle :"), rotation), 1, 0);
    startAngleCombo_ = AngleCombo(rotation, {"0", "90", "180", "270"});
    grid->addWidget(startAngleCombo_, 1, 1);
    grid->addWidget(new QLabel(tr("Degrees to rotate :"), rotation), 2, 0);
    degreesToRotateCombo_ = AngleCombo(rotation, {"0", "90", "180", "270", "360"});
    grid->addWidget(degreesToRotateCombo_, 2, 1);
    grid->setRowStretch(3, 1);
  }
  propertyPages_->addTab(rotation, tr("Rotation"));

  auto* blending = new QWidget(propertyPages_);
  {
    auto* page = new QVBoxLayout(blending);
    auto* blend = new QGroupBox(tr("  Blending  "), blending);
    auto* grid = new QGridLayout(blend);
    grid->addWidget(new QLabel(tr("Type :"), blend), 0, 0);
    blendTypeCombo_ = ListCombo(blend, {tr("None"), tr("Normal"), tr("Horizontal Gradient"), tr("Vertical Gradient")});
    grid->addWidget(blendTypeCombo_, 0, 1);
    transparencyLabel_ = new QLabel(tr("Transparency :"), blend);
    grid->addWidget(transparencyLabel_, 1, 0, 1, 2);
    transparencySlider_ = PercentBar(blend);
    grid->addWidget(transparencySlider_, 2, 0, 1, 2);
    altTransparencyLabel_ = new QLabel(tr("Alternate Transparency :"), blend);
    grid->addWidget(altTransparencyLabel_, 3, 0, 1, 2);
    altTransparencySlider_ = PercentBar(blend);
    grid->addWidget(altTransparencySlider_, 4, 0, 1, 2);
    page->addWidget(blend);
    auto* tinting = new QGroupBox(tr("  Tinting  "), blending);
    auto* tint = new QVBoxLayout(tinting);
    tintCheck_ = new QCheckBox(tr("Enable Tint"), tinting);
    tint->addWidget(tintCheck_);
    tintColorPicker_ = ColorSelector(tinting, tr("Tint Color"), 0);
    tint->addWidget(tintColorPicker_);
    page->addWidget(tinting);
    page->addStretch(1);
  }
  propertyPages_->addTab(blending, tr("Blending"));

  auto* fading = new QWidget(propertyPages_);
  {
    auto* grid = new QGridLayout(fading);
    grid->addWidget(new QLabel(tr("Type : "), fading), 0, 0);
    fadeModeCombo_ = ListCombo(fading, {tr("None"), tr("Pulse"), tr("Smooth")});
    grid->addWidget(fadeModeCombo_, 0, 1);
    // The transparency a fade starts from and the one it reaches.
    fadeStartLabel_ = new QLabel(tr("Start Transparency :"), fading);
    fadeStartSlider_ = PercentBar(fading);
    fadeEndLabel_ = new QLabel(tr("Final Transparency :"), fading);
    fadeEndSlider_ = PercentBar(fading);
    grid->addWidget(fadeStartLabel_, 1, 0, 1, 2);
    grid->addWidget(fadeStartSlider_, 2, 0, 1, 2);
    grid->addWidget(fadeEndLabel_, 3, 0, 1, 2);
    grid->addWidget(fadeEndSlider_, 4, 0, 1, 2);
    grid->setRowStretch(5, 1);
  }
  propertyPages_->addTab(fading, tr("Fading"));

  auto* other = new QWidget(propertyPages_);
  {
    auto* page = new QVBoxLayout(other);
    page->setSpacing(2);
    auto* trans = new QGroupBox(tr("  Layer Transparent Color  "), other);
    auto* trans_row = new QHBoxLayout(trans);
    transparentColorPicker_ = ColorSelector(trans, tr("Layer Transparent Color"), 0);
    trans_row->addWidget(transparentColorPicker_, 1);
    autoTransparentColorButton_ = new QPushButton(tr("Auto Detect"), trans);
    trans_row->addWidget(autoTransparentColorButton_, 0, Qt::AlignBottom);
    page->addWidget(trans);

    auto* pixel = new QGroupBox(tr("  Pixel Rotate  "), other);
    auto* pixel_row = new QHBoxLayout(pixel);
    pixelRotateCheck_ = new QCheckBox(tr("Enabled"), pixel);
    pixel_row->addWidget(pixelRotateCheck_);
    pixel_row->addWidget(new QLabel(tr("Direction"), pixel));
    pixelRotateDirectionCombo_ = ListCombo(pixel, {tr("Up"), tr("Down"), tr("Left"), tr("Right")});
    pixel_row->addWidget(pixelRotateDirectionCombo_, 1);
    page->addWidget(pixel);

    auto* adjust = new QGroupBox(tr("  Other Layer Adjustments  "), other);
    auto* adjust_row = new QHBoxLayout(adjust);
    mirrorCheck_ = new QCheckBox(tr("Mirror"), adjust);
    flipCheck_ = new QCheckBox(tr("Flip"), adjust);
    adjust_row->addWidget(mirrorCheck_);
    adjust_row->addWidget(flipCheck_);
    adjust_row->addStretch(1);
    page->addWidget(adjust);

    auto* buttonize = new QGroupBox(tr("  Buttonize  "), other);
    auto* grid = new QGridLayout(buttonize);
    buttonizeCheck_ = new QCheckBox(tr("Enabled"), buttonize);
    grid->addWidget(buttonizeCheck_, 0, 0);
    grid->addWidget(new QLabel(tr("Amount"), buttonize), 0, 1, Qt::AlignRight);
    buttonizeAmountEdit_ = new IntegerEdit(buttonize);
    buttonizeAmountEdit_->setText(QStringLiteral("1"));
    grid->addWidget(buttonizeAmountEdit_, 0, 2);
    buttonizeHighColorPicker_ = ColorSelector(buttonize, tr("Highlight Color"), 0xFFFFFF);
    grid->addWidget(buttonizeHighColorPicker_, 1, 0, 1, 3);
    buttonizeLowColorPicker_ = ColorSelector(buttonize, tr("Shadow Color"), 0);
    grid->addWidget(buttonizeLowColorPicker_, 2, 0, 1, 3);
    page->addWidget(buttonize);
    page->addStretch(1);
  }
  propertyPages_->addTab(other, tr("Other"));
}

