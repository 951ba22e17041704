// SPDX-License-Identifier: GPL-3.0-or-later
// The "Layer" page: the selected master layer's placement and effects on the
// inner pages "Translation", "Rotation", "Blending", "Fading" and "Other".
// Changes go to the document as undo steps; none regenerates the animation,
// the generated frames follow at the next regeneration.
#pragma once

#include <QWidget>
#include <functional>

#include "gui/panels/control_events.h"

class Document;
class QCheckBox;
class QLabel;
class QPushButton;
class QTabWidget;
class ColorPicker;
class ChoiceComboBox;
class IntegerEdit;
class NumberComboBox;
class QSlider;
namespace kt58 {
class Layer;
class Layer;
}  // namespace kt58

class LayerProperties final : public QWidget {
  Q_OBJECT
 public:
  LayerProperties(Document& document, QWidget* parent = nullptr);

  // Shows a layer's values (a new layer's defaults when none is given); no
  // change handler fires.
  void loadLayerControls(const kt58::Layer* layer);
  ControlEvents& controlEvents() { return events_; }

  void onXOffsetChanged();
  void onYOffsetChanged();
  void onStartAngleChanged();
  void onDegreesToRotateChanged();
  void onRotateClockwiseToggled();
  void onBlendTypeChanged();
  void onTransparencyChanged();
  void onAltTransparencyChanged();
  void onTintToggled();
  void onFadeModeChanged();
  void onFadeStartChanged();
  void onFadeEndChanged();
  void onPixelRotateToggled();
  void onMirrorToggled();
  void onTransparentColorChanged();
  void onAutoTransparentColorClicked();
  void onButtonizeToggled();
  void onButtonizeAmountChanged();

  QTabWidget* propertyPages_;
  IntegerEdit *xOffsetEdit_, *yOffsetEdit_;
  QCheckBox *rotateClockwiseCheck_, *rotateAntialiasCheck_;
  NumberComboBox *startAngleCombo_, *degreesToRotateCombo_;
  ChoiceComboBox* blendTypeCombo_;
  QSlider *transparencySlider_, *altTransparencySlider_;
  QLabel *transparencyLabel_, *altTransparencyLabel_;
  QCheckBox* tintCheck_;
  ColorPicker* tintColorPicker_;
  ChoiceComboBox* fadeModeCombo_;
  QSlider *fadeStartSlider_, *fadeEndSlider_;
  QLabel *fadeStartLabel_, *fadeEndLabel_;
  ColorPicker* transparentColorPicker_;
  QPushButton* autoTransparentColorButton_;
  QCheckBox* pixelRotateCheck_;
  ChoiceComboBox* pixelRotateDirectionCombo_;
  QCheckBox *mirrorCheck_, *flipCheck_, *buttonizeCheck_;
  IntegerEdit* buttonizeAmountEdit_;
  ColorPicker *buttonizeHighColorPicker_, *buttonizeLowColorPicker_;

 private:
  void buildPages();
  void connectHandlers();
  // The groups of layer fields each handler stores together, through the
  // model's SetLayer* functions.
  void writeRotationGroup(kt58::Layer& a) const;
  void writeBlendingGroup(kt58::Layer& a) const;
  void writeFadingGroup(kt58::Layer& a) const;
  void writeAdjustmentGroup(kt58::Layer& a) const;
  void writeButtonizeGroup(kt58::Layer& a) const;
  // What the handlers share: nothing without a selected layer; otherwise
  // the write (with control events detached when guarded) as one undo step.
  void change(int merge, const QString& what, bool guarded, const std::function<void(kt58::Layer&)>& write);

  Document& document_;
  ControlEvents events_;
  // Set while a handler writes: the document's echo of the change does not
  // load the values back into the control being typed into.
  int applying_ = 0;
};
