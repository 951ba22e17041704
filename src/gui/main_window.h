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

#include "gui/settings.h"

class AnimationProperties;
class CanvasView;
class Document;
class ExplorerPage;
class ExportActions;
class LayerList;
class LayerProperties;
class PlaybackBar;
class ProjectActions;
class QAction;
class QLabel;
class QMenu;
class QMenuBar;
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
  Q_OBJECT
 public:
  // The size the window opens at and its smallest size, unless this
  // platform's fonts need more room.
  static constexpr QSize kDefaultSize{626, 560};
  static constexpr QSize kMinimumSize{585, 560};

  explicit MainWindow(MainWindowOptions options = {}, QWidget* parent = nullptr);
  ~MainWindow() override;

  Document& document() { return *document_; }
  kt58::app::Settings& settings() { return settings_; }
  // Start-up has finished: the splash is gone and the project (or the
  // start-up dialog's choice) is open.
  bool startupComplete() const { return startupComplete_; }

  // ---- shell
  void showSplashProgress(const QString& step, int percent);
  // The status panel shows "Modified" while the project differs from its
  // saved state.
  void showModified();
  void showStatusMessage(const QString& text);
  void showProjectName();
  void updateStatusLine();
  // The frame line (frame, size, rates) with these rates.
  void showFrameInfo(double fps, double max_fps);
  void updateControlStates();
  void loadAnimationControls();
  void relayout();
  void onResized();
  void onSplitterMoved();
  // Detach and attach the property controls' handlers of every panel.
  void disableControlEvents();
  void enableControlEvents();
  void addLayer();
  // The window's placement and pane sizes into Settings, then the file;
  // a failed write is shown.
  void saveSettings();

  void showHelp();
  void showAbout();

  // What the Add Layer dialog offers: the file types layers are made of.
  static QString layerFileFilter();
  // Texts of the start-up display checks, empty when the screen passes.
  static QString displaySizeMessage(QSize screen);
  static QString colorDepthMessage(int bits_per_pixel);

 protected:
  void showEvent(QShowEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  // An .apf file dropped anywhere on the window opens that project.
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void initialize();
  void onFirstShow();
  void buildLayout();
  void buildMenus();
  void connectDocument();
  // The project and export commands' requests to the view and the shell.
  void connectActions();
  // The size the layout needs with this platform's fonts, never below the
  // described sizes.
  void fitToContent();
  void showTitle();
  // LoadSettings with the form's sizes as defaults, then applied.
  void applySettings();
  // Offers the start-up dialog once, then finishes start-up.
  void showStartupDialog();

  bool splitterToggle_ = false;
  bool startupComplete_ = false;
  kt58::app::Settings settings_;

  // The panels.
  CanvasView* canvasView_;
  LayerList* layerList_;
  ExplorerPage* explorerPage_;
  AnimationProperties* animationProperties_;
  LayerProperties* layerProperties_;
  VideoLayerPage* videoLayerPage_;
  PlaybackBar* playbackBar_;

  // The components; each keeps the name the product always used as its
  // objectName.
  QWidget* topBar_;
  QToolButton* projectButton_;
  QMenuBar* menuBar_;
  QMenu* projectMenu_;
  // The project and export commands, whose entries the Project button's
  // menu and the File menu share.
  ProjectActions* projectActions_;
  ExportActions* exportActions_;
  QAction *helpAction_, *aboutAction_, *closeAction_, *quitAction_;
  QAction *undoAction_, *redoAction_, *addLayerAction_;
  QWidget* sideColumn_;
  QTabWidget* propertyTabs_;
  QLabel* frameInfoLabel_;
  QSplitter* splitter_;
  QTabWidget* layerTabs_;
  QLabel *statusLabel_, *projectNameLabel_;
  SplashScreen* splash_ = nullptr;

  MainWindowOptions options_;
  // The panels hold a reference to it: they are deleted first.
  std::unique_ptr<Document> document_;
  bool shown_once_ = false;
  bool startup_dialog_shown_ = false;
};
