// The main window: owns the animation, the construction view, the layer list,
// the property pages and the status areas. The shell (start-up, status,
// enabling rules, Help, About, Debug) is in main_form.cpp; the construction
// view's behaviour in editor/construction_view.cpp; the layer list in
// editor/layer_list.cpp; the "Animation" page in editor/animation_page.cpp
// and the "Layer" pages in editor/layer_pages.cpp.
#pragma once

#include <QDialog>
#include <QMainWindow>
#include <QPoint>
#include <QRect>
#include <QString>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/animation.h"

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QMenu;
class QMimeData;
class QMouseEvent;
class QProgressBar;
class QSplitter;
class QTabWidget;
class QTimer;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class TKeshColorSelector;
class TKeshComboBox;
class TKeshIntegerEdit;
class TKeshNumericComboBox;
class TKeshTrackBar;
class TPaintBox;

// The frameless start-up window with its progress bar.
class TSplashForm final : public QWidget {
 public:
  TSplashForm();
  QProgressBar* Progress;
};

// Version, credits and the maker's web address (opened through the shell).
class TAboutForm final : public QDialog {
 public:
  explicit TAboutForm(QWidget* parent = nullptr);
  static QString WebAddress();
  QLabel* LinkLabel;
};

struct TMainFormOptions {
  bool ShowSplash = true;
  // The pause with the splash up at the end of start-up; the splash keeps
  // painting meanwhile.
  int SplashPauseMs = 1000;
};

class TMainForm final : public QMainWindow {
 public:
  explicit TMainForm(TMainFormOptions options = {}, QWidget* parent = nullptr);
  ~TMainForm() override;

  // ---- shell
  void SplashProgress(const QString& step, int percent);
  void SetModified(bool flag);
  void ShowStatusMessage(const std::string& text);
  void ShowProjectName();
  void UpdateStatusLine();
  void UpdateControlStates();
  void CenterFrame();
  void LayoutChanged();
  void FormResize();
  void Splitter1Moved();
  void DisableControlEvents();
  void EnableControlEvents();
  // A property control's change handler, connected whenever control events
  // are attached. The function makes the connection and returns it.
  void AddControlHandler(std::function<QMetaObject::Connection()> connect);
  // The same for a control's signal and one of the window's handlers.
  template <class Sender, class Signal>
  void AddControlHandler(Sender* sender, Signal signal, void (TMainForm::*handler)()) {
    AddControlHandler([this, sender, signal, handler] { return QObject::connect(sender, signal, this, handler); });
  }
  void Help1Click();
  void AboutMenuItemClick();
  void Debug1Click();

  // ---- construction view
  void PaintConstruction();  // the paint handler: renders into the canvas
  void RepaintConstruction();  // the update timer's tick
  void RequestRepaint() { ConstructionDirty = true; }
  void RequestBackgroundClear() { ClearBackgroundPending = true; }
  void AttachPaint() { PaintAttached = true; }
  void DetachPaint() { PaintAttached = false; }
  void StartUpdateTimer();
  void StopUpdateTimer();
  void ComputeSelectionRect();
  void HideFocusRect();
  void ShowFocusRect();
  // The outline shown exactly when a layer is selected, at its place now.
  void OutlineSelectedLayer();
  void Regenerate(bool pre_render);
  void AddLayerFromFile(const std::filesystem::path& path);
  void NudgeLayer(int key);
  void EndNudge();

  // ---- layer list
  void AddLayerListItem(kt58::TFrameLayer* layer, bool at_top);
  void RebuildLayerList();
  void SyncSelectionFromList();
  void PromoteLayer();
  void DemoteLayer();
  void CopySelectedLayer();
  void RemoveSelectedLayer();
  void ResetAllLayers();
  kt58::TFrameLayer* RowLayer(int row) const;

  // ---- property pages
  // Show a layer's (a default layer's when none is given) or the
  // animation's values; no change handler fires.
  void LoadLayerControls(kt58::TFrameLayer* layer);
  void LoadAnimationControls();
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
  void cbFixedFrameSizeClick();
  void bk_Color_SelectorChange();
  void spFrameCountChange();
  void tbPlaySpeedChange();

  // Texts of the start-up display checks, empty when the screen passes.
  static QString DisplaySizeMessage(QSize screen);
  static QString ColorDepthMessage(int bits_per_pixel);

  std::unique_ptr<kt58::TAnimation> Animation;
  bool Modified = false;
  QPoint DrawOrigin;
  QRect SelectionRect;
  QPoint GrabOffset;
  bool FocusRectShown = false, ConstructionDirty = false, ClearBackgroundPending = false,
       PaintInProgress = false, Dragging = false, Nudging = false;
  bool PaintAttached = true;
  bool ResizePending = false;
  bool SplitterToggle = false;
  bool Sizing = false;
  bool StartDialogOn = false;
  bool StartupComplete = false;
  int ControlEventsDisabled = 0;
  std::filesystem::path LastThumbDir, LastProjectDir, LastProjSaveDir, LastGifDir, LastBmpDir, LastSingleDir;
  double Fps = 0.0, MaxFps = 0.0;

  // Components, named as the rest of the editor refers to them.
  QWidget* Panel3;
  QToolButton* ProjectButton;
  QMenu* ProjectPopup;
  QAction *Help1, *AboutMenuItem, *Debug1, *Close1;
  QWidget* VideoPanel;
  QTabWidget* pc1;
  QLabel* DataPanel;
  QWidget* ConstrPanel;
  TPaintBox* pbConstr;
  QSplitter* Splitter1;
  QTabWidget* PageControl1;
  QWidget* LayersSheet;
  QWidget* Panel6;
  TKeshTrackBar* tbPlaySpeed;
  QToolButton* LayerCommandsButton;
  QToolButton *PromoteLayerButton, *DemoteLayerButton;
  QTreeWidget* lvLayers;
  QMenu* LayerPopup;
  QAction *CopyLayer1, *RemoveLayer1, *PromoteLayer1, *DemoteLayer1, *ResetAllLayers1;
  // "Animation" page
  QWidget* AnimationSheet;
  QCheckBox* cbFixedFrameSize;
  TKeshIntegerEdit *eFixedFrameWidth, *eFixedFrameHeight;
  TKeshColorSelector* bk_Color_Selector;
  QSpinBox* spFrameCount;
  QWidget* PlaybackModeGroup;
  QCheckBox* cbrtPlayback;
  // "Layer" page and its inner pages
  QWidget* LayerSheet;
  QTabWidget* pc2;
  TKeshIntegerEdit *eXOffset, *eYOffset;
  QCheckBox *cbRotateClockwise, *cbRotAA;
  TKeshNumericComboBox *cbStartAngle, *cbDegreesToRotate;
  TKeshComboBox* cbBlendType;
  TKeshTrackBar *tbTrans, *tbAltTrans;
  QLabel *TransLabel, *AltTransLabel;
  QCheckBox* cbEnableTint;
  TKeshColorSelector* TintColorSelector;
  TKeshComboBox* cbFadeMode;
  TKeshTrackBar *tbFadeShade1, *tbFadeShade2;
  QLabel *FadeLabel1, *FadeLabel2;
  TKeshColorSelector* LayerTransColorSelector;
  QPushButton* AutoTransparentColorButton;
  QCheckBox* cbPixRotate;
  TKeshComboBox* cbPixRotateDir;
  QCheckBox *cbMirror, *cbFlip, *cbEnableButtonize;
  TKeshIntegerEdit* eBtnzAmount;
  TKeshColorSelector *BtnzHiColorSelector, *btnzLoColorSelector;

  QLabel *StatusPanel0, *StatusPanel1;
  QTimer* UpdateTimer;
  TSplashForm* Splash = nullptr;

 protected:
  void showEvent(QShowEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void FormCreate();
  void FormShow();
  void BuildLayout();
  void BuildLayerPage();
  void ConnectConstructionView();
  void ConnectLayerList();
  void BuildAnimationPage();
  void BuildLayerPages();
  void ConnectAnimationPage();
  void ConnectLayerPages();
  // The groups of layer fields each handler stores together.
  void WriteRotationGroup(kt58::TFrameLayer& layer) const;
  void WriteBlendingGroup(kt58::TFrameLayer& layer) const;
  void WriteFadingGroup(kt58::TFrameLayer& layer) const;
  void WriteAdjustmentGroup(kt58::TFrameLayer& layer) const;
  void WriteButtonizeGroup(kt58::TFrameLayer& layer) const;
  void ApplyFrameSetup();
  // What most layer handlers share: nothing without a selected layer;
  // otherwise write (with control events detached when guarded), request a
  // repaint when asked, and mark the project modified.
  void ChangeSelectedLayer(bool guarded, bool repaint, const std::function<void(kt58::TFrameLayer&)>& write);
  void MouseDown(QMouseEvent* e);
  void MouseMove(QMouseEvent* e);
  void MouseUp(QMouseEvent* e);
  bool DragOver(const QMimeData* data) const;
  void DragDrop(const QMimeData* data);
  // Shows the position of a drag or nudge in the offset edits, whose change
  // handlers store it into the layer.
  void ShowLayerOffsets(int x, int y);
  void SelectRow(int row);
  int SelectedRow() const;
  bool LayerKeyDown(int key, Qt::KeyboardModifiers modifiers);
  bool LayerKeyUp(int key);

  TMainFormOptions options_;
  bool shown_once_ = false;
  std::vector<std::function<QMetaObject::Connection()>> control_handlers_;
  std::vector<QMetaObject::Connection> handler_connections_;
};

// Control events stay detached while one of these lives; scopes nest.
class ControlEventsPause {
 public:
  explicit ControlEventsPause(TMainForm& form) : form_(form) { form_.DisableControlEvents(); }
  ~ControlEventsPause() { form_.EnableControlEvents(); }
  ControlEventsPause(const ControlEventsPause&) = delete;
  ControlEventsPause& operator=(const ControlEventsPause&) = delete;

 private:
  TMainForm& form_;
};

// The one main window of the program (null before it is created).
extern TMainForm* MainForm;
