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
class TrackBar;
namespace kt58 {
class TAnimation;
class Layer;
}  // namespace kt58

class LayerProperties final : public QWidget {
  Q_OBJECT
 public:
  LayerProperties(Document& document, QWidget* parent = nullptr);

  // Shows a layer's values (a new layer's defaults when none is given); no
  // change handler fires.
  void LoadLayerControls(const kt58::Layer* layer);
  ControlEvents& Events() { return events_; }

  void eXOffsetChange();
  void eYOffsetChange();
  void cbStartAngleChange();
  void cbDegreesToRotateChange();
  void cbRotateClockwiseClick();
  void cbBlendTypeChange();
  void tbTransChange();
  void tbAltTransChange();
  void cbEnableTintClick();
  void cbFadeModeChange();
  void tbFadeShade1Change();
  void tbFadeShade2Change();
  void cbPixRotateClick();
  void cbMirrorClick();
  void LayerTransColorSelectorColorChange();
  void AutoTransparentColorButtonClick();
  void cbEnableButtonizeClick();
  void eBtnzAmountChange();

  QTabWidget* pc2;
  IntegerEdit *eXOffset, *eYOffset;
  QCheckBox *cbRotateClockwise, *cbRotAA;
  NumberComboBox *cbStartAngle, *cbDegreesToRotate;
  ChoiceComboBox* cbBlendType;
  TrackBar *tbTrans, *tbAltTrans;
  QLabel *TransLabel, *AltTransLabel;
  QCheckBox* cbEnableTint;
  ColorPicker* TintColorSelector;
  ChoiceComboBox* cbFadeMode;
  TrackBar *tbFadeShade1, *tbFadeShade2;
  QLabel *FadeLabel1, *FadeLabel2;
  ColorPicker* LayerTransColorSelector;
  QPushButton* AutoTransparentColorButton;
  QCheckBox* cbPixRotate;
  ChoiceComboBox* cbPixRotateDir;
  QCheckBox *cbMirror, *cbFlip, *cbEnableButtonize;
  IntegerEdit* eBtnzAmount;
  ColorPicker *BtnzHiColorSelector, *btnzLoColorSelector;

 private:
  void BuildPages();
  void ConnectHandlers();
  // The groups of layer fields each handler stores together, through the
  // model's SetLayer* functions.
  void WriteRotationGroup(kt58::TAnimation& a) const;
  void WriteBlendingGroup(kt58::TAnimation& a) const;
  void WriteFadingGroup(kt58::TAnimation& a) const;
  void WriteAdjustmentGroup(kt58::TAnimation& a) const;
  void WriteButtonizeGroup(kt58::TAnimation& a) const;
  // What the handlers share: nothing without a selected layer; otherwise
  // the write (with control events detached when guarded) as one undo step.
  void Change(int merge, const char* what, bool guarded, const std::function<void(kt58::TAnimation&)>& write);

  Document& document_;
  ControlEvents events_;
  // Set while a handler writes: the document's echo of the change does not
  // load the values back into the control being typed into.
  int applying_ = 0;
};
