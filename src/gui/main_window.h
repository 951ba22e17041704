// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: composes the panels over one editor document (the
// construction view, the layer list, the "Explorer", "Animation", "Layer"
// and "Video Layer" pages, the playback strip), the Project button and the
// menu bar, and the status areas. It is the only class that knows every
// panel; the panels know only the document and react to its signals.
#pragma once

#include <QMainWindow>
#include <QPoint>
#include <QString>
#include <filesystem>
#include <memory>
#include <string>

#include "export/gif/color_reduction.h"
#include "gui/settings.h"

class AnimationProperties;
class CanvasView;
class Document;
class ExplorerPage;
class LayerList;
class LayerProperties;
class PlaybackBar;
class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QMimeData;
class QSplitter;
class QTabWidget;
class QToolButton;
class SplashScreen;
class VideoLayerPage;

struct MainWindowOptions {
  bool ShowSplash = true;
  // The pause with the splash up at the end of start-up; the splash keeps
  // painting meanwhile.
  int SplashPauseMs = 1000;
  // A project named on the command line: opened at start-up in place of
  // the start-up dialog.
  std::filesystem::path ProjectToOpen;
};

class MainWindow final : public QMainWindow {
 public:
  // The size the window opens at and its smallest size, unless this
  // platform's fonts need more room.
  static constexpr QSize kDefaultSize{626, 560};
  static constexpr QSize kMinimumSize{585, 560};

  explicit MainWindow(MainWindowOptions options = {}, QWidget* parent = nullptr);
  ~MainWindow() override;

  Document& document() { return *document_; }
  kt58::app::Settings& settings() { return settings_; }

  // ---- shell
  void SplashProgress(const QString& step, int percent);
  // The status panel shows "Modified" while the project differs from its
  // saved state.
  void ShowModified();
  void ShowStatusMessage(const QString& text);
  void ShowProjectName();
  void UpdateStatusLine();
  void UpdateControlStates();
  void LoadAnimationControls();
  void LayoutChanged();
  void FormResize();
  void Splitter1Moved();
  // Detach and attach the property controls' handlers of every panel.
  void DisableControlEvents();
  void EnableControlEvents();
  void AddLayerClick();

  // ---- project commands (project_commands.cpp)
  void ProjectPopupPopup();
  // true: go on; false: the user cancelled, or the project could not be
  // saved when asked to.
  bool QuerySaveProject();
  void NewProject1Click();
  void OpenProject1Click();
  void SaveProject1Click();
  void SaveProjectAs1Click();
  // An empty path asks with the open dialog. true when a project was loaded.
  bool OpenProject(std::filesystem::path path);
  // true when the project was written; false when the user cancelled the
  // dialog or the write failed (shown, the project stays modified).
  bool SaveProject(bool save_as);
  void ClearProject();
  void StartEmptyProject();
  // The window's placement and pane sizes into Settings, then the file;
  // a failed write is shown.
  void SaveSettings();
  void ShowStartupDialog();
  // The recent projects as entries of the File menu (enabled by
  // UpdateControlStates).
  void ShowRecentProjects();
  // An .apf among dropped files; empty without one.
  static std::filesystem::path DroppedProject(const QMimeData* data);

  void Help1Click();
  void AboutMenuItemClick();
  void Debug1Click();
  // The export commands (export_commands.cpp).
  void SaveSingleFrame1Click();
  void SaveAsAvi1Click();
  void CreateBitmapSequence1Click();
  void CreateGif1Click();
  void SaveAsVideo1Click();

  // What the Add Layer dialog offers: the file types layers are made of.
  static QString LayerFileFilter();
  // Texts of the start-up display checks, empty when the screen passes.
  static QString DisplaySizeMessage(QSize screen);
  static QString ColorDepthMessage(int bits_per_pixel);

  bool SplitterToggle = false;
  bool Sizing = false;
  bool StartupComplete = false;
  kt58::app::Settings settings_;

  // The panels.
  CanvasView* View;
  LayerList* Layers;
  ExplorerPage* ExplorerSheet;
  AnimationProperties* AnimationSheet;
  LayerProperties* LayerSheet;
  VideoLayerPage* VideoSheet;
  PlaybackBar* Panel6;

  // Components under the names the rest of the program uses (also their objectName).
  QWidget* Panel3;
  QToolButton* ProjectButton;
  QMenuBar* MainMenu;
  QMenu* ProjectPopup;
  // Project and export entries, shared by the Project button's menu and the
  // File menu. The exports need generated frames and no playback.
  QAction *NewProject1, *OpenProject1, *SaveProject1, *SaveProjectAs1;
  QMenu* RecentProjectsMenu;
  QAction *CreateGif1, *CreateBitmapSequence1, *SaveSingleFrame1, *SaveAsAvi1, *SaveAsVideo1;
  QAction *Help1, *AboutMenuItem, *Debug1, *Close1, *Quit1;
  QAction *Undo1, *Redo1, *AddLayer1;
  QWidget* VideoPanel;
  QTabWidget* pc1;
  QLabel* DataPanel;
  QSplitter* Splitter1;
  QTabWidget* PageControl1;
  QLabel *StatusPanel0, *StatusPanel1;
  SplashScreen* Splash = nullptr;

 protected:
  void showEvent(QShowEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  // An .apf file dropped anywhere on the window opens that project.
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void FormCreate();
  void FormShow();
  void BuildLayout();
  void BuildMenus();
  void ConnectDocument();
  // The size the layout needs with this platform's fonts, never below the
  // described sizes.
  void FitToContent();
  void ShowTitle();
  // LoadSettings with the form's sizes as defaults, then applied.
  void ApplySettings();

  MainWindowOptions options_;
  // The panels hold a reference to it: they are deleted first.
  std::unique_ptr<Document> document_;
  bool shown_once_ = false;
  // The dither code of the GIF window's last build this session: single
  // frames saved as GIF use it (nearest colour before any build).
  int gifDither_ = kt58::dmNearest;
  bool startup_dialog_shown_ = false;
};
