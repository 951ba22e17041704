// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <exception>

#include "gui/actions/export_actions.h"
#include "gui/widgets/named_action.h"
#include "gui/actions/project_actions.h"
#include "gui/dialogs/about_dialog.h"
#include "gui/dialogs/project_dialogs.h"
#include "gui/dialogs/splash_screen.h"
#include "gui/user_folders.h"
#include "gui/window_placement.h"
#include "platform/memory_budget.h"
#include "gui/user_guide.h"
#include "gui/widgets/packed_layout.h"
#include "gui/panels/animation_properties.h"
#include "gui/panels/canvas_view.h"
#include "gui/document/document.h"
#include "gui/panels/explorer_page.h"
#include "gui/panels/layer_list.h"
#include "gui/panels/layer_properties.h"
#include "gui/panels/playback_bar.h"
#include "gui/panels/video_layer_page.h"
#include "engine/picture.h"
#include "gui/widgets/user_feedback.h"
#include "model/project.h"
#include "platform/program_folder.h"
#include "platform/text_helpers.h"

using kt58::app::NamedAction;

namespace {

void PaintBlack(QWidget* w) {
  w->setAutoFillBackground(true);
  QPalette pal = w->palette();
  pal.setColor(QPalette::Window, Qt::black);
  pal.setColor(QPalette::WindowText, Qt::white);
  w->setPalette(pal);
}

// A long status line of a project that is not playing (a hundred frames of
// a fixed 1024 x 768): the status line is made wide enough for it.
const char* const kWidestStatusLine = "Frame : 000 of 100,  Size : [1024 x 768] Fixed  Max : 0.00";

}  // namespace

MainWindow::MainWindow(MainWindowOptions options, QWidget* parent)
    : QMainWindow(parent), options_(options), document_(std::make_unique<Document>()) {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(13);
  setFont(font);
  buildLayout();
  buildMenus();
  connectDocument();
  connectActions();
  // Polished, every widget has its final font, so the sizes the layout
  // needs are known.
  ensurePolished();
  fitToContent();
  initialize();
}

MainWindow::~MainWindow() {
  canvasView_->stopUpdateTimer();
  delete splash_;
  // The panels go before the document they refer to.
  delete takeCentralWidget();
}

void MainWindow::buildLayout() {
  auto* central = new QWidget(this);
  auto* outer = Packed(new QVBoxLayout(central));

  topBar_ = new QWidget(central);
  topBar_->setObjectName(QStringLiteral("Panel3"));
  topBar_->setFixedHeight(25);
  auto* top = new QHBoxLayout(topBar_);
  top->setContentsMargins(1, 1, 1, 1);
  top->setSpacing(4);
  projectButton_ = new QToolButton(topBar_);
  projectButton_->setObjectName(QStringLiteral("ProjectButton"));
  projectButton_->setText(tr("Project"));
  projectButton_->setFixedSize(126, 23);
  projectButton_->setAutoRaise(true);
  top->addWidget(projectButton_);
  // The menu bar stands beside the Project button, in the window on every
  // platform.
  menuBar_ = new QMenuBar(topBar_);
  menuBar_->setObjectName(QStringLiteral("MainMenu"));
  menuBar_->setNativeMenuBar(false);
  top->addWidget(menuBar_);
  auto* banner = new QLabel(tr("kt58 Animator"), topBar_);
  banner->setObjectName(QStringLiteral("Image1"));
  banner->setAlignment(Qt::AlignCenter);
  top->addWidget(banner, 1);
  outer->addWidget(topBar_);

  auto* middle = Packed(new QHBoxLayout);
  outer->addLayout(middle, 1);

  auto* panel2 = new QWidget(central);
  panel2->setObjectName(QStringLiteral("Panel2"));
  auto* left = Packed(new QVBoxLayout(panel2));
  frameInfoLabel_ = new QLabel(tr("Frame Size :"), panel2);
  frameInfoLabel_->setObjectName(QStringLiteral("DataPanel"));
  // Two lines high: while playing, the rates take a line of their own, so
  // that the status line is shown whole in the view's column. The height
  // stays the same either way, so the view never jumps.
  frameInfoLabel_->setFixedHeight(std::max(20, 2 * frameInfoLabel_->fontMetrics().lineSpacing() + 2));
  frameInfoLabel_->setAlignment(Qt::AlignCenter);
  PaintBlack(frameInfoLabel_);
  frameInfoLabel_->setMinimumWidth(frameInfoLabel_->fontMetrics().horizontalAdvance(QString::fromLatin1(kWidestStatusLine)) + 8);
  left->addWidget(frameInfoLabel_);

  splitter_ = new QSplitter(Qt::Vertical, panel2);
  splitter_->setObjectName(QStringLiteral("Splitter1"));
  splitter_->setHandleWidth(6);
  splitter_->setChildrenCollapsible(false);
  {
    // Black between the view and the pages; the pages keep their own text
    // colours.
    QPalette pal = splitter_->palette();
    pal.setColor(QPalette::Window, Qt::black);
    splitter_->setPalette(pal);
    splitter_->setAutoFillBackground(true);
  }
  canvasView_ = new CanvasView(*document_, splitter_);
  splitter_->addWidget(canvasView_);

  // Below the splitter: the playback strip over the "Layers" page.
  auto* lower = new QWidget(splitter_);
  auto* lower_layout = Packed(new QVBoxLayout(lower));
  playbackBar_ = new PlaybackBar(*document_, lower);
  lower_layout->addWidget(playbackBar_);
  layerTabs_ = new QTabWidget(lower);
  layerTabs_->setObjectName(QStringLiteral("PageControl1"));
  layerList_ = new LayerList(*document_, layerTabs_);
  layerTabs_->addTab(layerList_, tr("Layers"));
  lower_layout->addWidget(layerTabs_, 1);
  splitter_->addWidget(lower);
  splitter_->setSizes({161, 300});
  splitter_->setStretchFactor(0, 1);
  left->addWidget(splitter_, 1);
  middle->addWidget(panel2, 1);

  sideColumn_ = new QWidget(central);
  sideColumn_->setObjectName(QStringLiteral("VideoPanel"));
  auto* right = new QVBoxLayout(sideColumn_);
  right->setContentsMargins(0, 0, 0, 0);
  propertyTabs_ = new QTabWidget(sideColumn_);
  propertyTabs_->setObjectName(QStringLiteral("pc1"));
  propertyTabs_->setTabPosition(QTabWidget::West);
  explorerPage_ = new ExplorerPage(*document_, propertyTabs_);
  propertyTabs_->addTab(explorerPage_, tr("Explorer"));
  animationProperties_ = new AnimationProperties(*document_, propertyTabs_);
  propertyTabs_->addTab(animationProperties_, tr("Animation"));
  layerProperties_ = new LayerProperties(*document_, propertyTabs_);
  propertyTabs_->addTab(layerProperties_, tr("Layer"));
  videoLayerPage_ = new VideoLayerPage(*document_, propertyTabs_);
  propertyTabs_->addTab(videoLayerPage_, tr("Video Layer"));
  // Hidden until the splash window is gone.
  propertyTabs_->setVisible(false);
  connect(propertyTabs_, &QTabWidget::currentChanged, this, [this] { updateControlStates(); });
  right->addWidget(propertyTabs_);
  middle->addWidget(sideColumn_);
  setCentralWidget(central);

  statusBar()->setSizeGripEnabled(false);
  statusLabel_ = new QLabel(statusBar());
  statusLabel_->setObjectName(QStringLiteral("StatusPanel0"));
  statusLabel_->setFixedWidth(300);
  projectNameLabel_ = new QLabel(statusBar());
  projectNameLabel_->setObjectName(QStringLiteral("StatusPanel1"));
  // 50 pixels cut off most project names in this platform's fonts: the
  // panel takes the rest of the bar, and its tip holds the whole name.
  projectNameLabel_->setMinimumWidth(50);
  // A line of text with a pixel above and below, whatever text they show.
  for (QLabel* panel : {statusLabel_, projectNameLabel_}) panel->setFixedHeight(panel->fontMetrics().height() + 2);
  statusBar()->addWidget(statusLabel_);
  statusBar()->addWidget(projectNameLabel_, 1);

  connect(splitter_, &QSplitter::splitterMoved, this, [this] { onSplitterMoved(); });
  connect(canvasView_, &CanvasView::layerMenuRequested, layerList_, &LayerList::popupLayerMenu);
}

void MainWindow::buildMenus() {
  QUndoStack& undo = document_->UndoStack();
  projectActions_ = new ProjectActions(*document_, settings_, this);
  exportActions_ = new ExportActions(*document_, settings_, this);
  helpAction_ = NamedAction(this, tr("Help"), "Help1");
  helpAction_->setShortcut(QKeySequence::HelpContents);
  connect(helpAction_, &QAction::triggered, this, &MainWindow::showHelp);
  aboutAction_ = NamedAction(this, tr("About kt58 Animator..."), "AboutMenuItem");
  connect(aboutAction_, &QAction::triggered, this, &MainWindow::showAbout);
  closeAction_ = NamedAction(this, tr("Close"), "Close1");
  connect(closeAction_, &QAction::triggered, this, &QWidget::close);
  quitAction_ = NamedAction(this, tr("Quit"), "Quit1");
  // Ctrl+Q on every platform: some have no standard key for quitting.
  quitAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  connect(quitAction_, &QAction::triggered, this, &QWidget::close);
  undoAction_ = undo.createUndoAction(this, tr("Undo"));
  undoAction_->setObjectName(QStringLiteral("Undo1"));
  undoAction_->setShortcut(QKeySequence::Undo);
  redoAction_ = undo.createRedoAction(this, tr("Redo"));
  redoAction_->setObjectName(QStringLiteral("Redo1"));
  // Both habits: Ctrl+Y and Ctrl+Shift+Z.
  redoAction_->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
  addLayerAction_ = NamedAction(this, tr("Add Layer..."), "AddLayer1");
  connect(addLayerAction_, &QAction::triggered, this, &MainWindow::addLayer);
  // The shortcuts work without opening a menu, also while the menu bar
  // cannot show them.
  addActions({undoAction_, redoAction_, quitAction_, helpAction_});
  addActions(projectActions_->actions());
  addActions(exportActions_->actions());

  // The Project button's menu.
  projectMenu_ = new QMenu(this);
  projectMenu_->setObjectName(QStringLiteral("ProjectPopup"));
  projectMenu_->addActions(projectActions_->actions());
  projectMenu_->addSeparator();
  projectMenu_->addActions(exportActions_->actions());
  projectMenu_->addSeparator();
  projectMenu_->addActions({helpAction_, closeAction_, aboutAction_});
  connect(projectMenu_, &QMenu::aboutToShow, this, &MainWindow::updateControlStates);
  connect(projectButton_, &QToolButton::clicked, this, [this] {
    projectMenu_->popup(projectButton_->mapToGlobal(QPoint(0, projectButton_->height() + 1)));
  });

  // The menu bar.
  QMenu* file = menuBar_->addMenu(tr("&File"));
  file->setObjectName(QStringLiteral("FileMenu"));
  file->addActions(projectActions_->actions());
  connect(file, &QMenu::aboutToShow, this, [this] { updateControlStates(); });
  file->addSeparator();
  file->addMenu(projectActions_->recentProjectsMenu());
  file->addSeparator();
  file->addActions(exportActions_->actions());
  file->addSeparator();
  file->addAction(quitAction_);
  QMenu* edit = menuBar_->addMenu(tr("&Edit"));
  edit->setObjectName(QStringLiteral("EditMenu"));
  edit->addActions({undoAction_, redoAction_});
  QMenu* layer = menuBar_->addMenu(tr("&Layer"));
  layer->setObjectName(QStringLiteral("LayerMenu"));
  layer->addAction(addLayerAction_);
  layer->addSeparator();
  layer->addActions(layerList_->layerMenu_->actions());
  connect(layer, &QMenu::aboutToShow, this, [this] { updateControlStates(); });
  QMenu* help = menuBar_->addMenu(tr("&Help"));
  help->setObjectName(QStringLiteral("HelpMenu"));
  help->addActions({helpAction_, aboutAction_});
  // Every menu title shows; the bar never folds them into its overflow button.
  menuBar_->setMinimumWidth(menuBar_->sizeHint().width());
}

void MainWindow::connectDocument() {
  Document& doc = *document_;
  connect(&doc, &Document::statusMessage, this, &MainWindow::showStatusMessage);
  connect(&doc, &Document::modifiedChanged, this, [this] {
    showModified();
    showTitle();
  });
  connect(&doc, &Document::fileNameChanged, this, [this] {
    showProjectName();
    showTitle();
  });
  // After every edit, undo and redo the status areas show the truth: the
  // status line the frames there are, panel 0 that the project changed.
  connect(&doc.UndoStack(), &QUndoStack::indexChanged, this, [this] {
    updateStatusLine();
    showModified();
  });
  for (auto signal : {&Document::layersChanged, &Document::framesChanged,
                      &Document::projectReplaced, &Document::animationChanged}) {
    connect(&doc, signal, this, [this] {
      updateStatusLine();
      updateControlStates();
    });
  }
  // Making the frames reports its own status texts; an edit that made them
  // still leaves "Modified" in panel 0.
  connect(&doc, &Document::framesChanged, this, &MainWindow::showModified);
  connect(&doc.playback(), &Playback::statusChanged, this, &MainWindow::updateStatusLine);
  connect(&doc.playback(), &Playback::playingChanged, this, [this] {
    updateStatusLine();
    updateControlStates();
  });
  connect(animationProperties_->nonRenderedPlaybackCheck_, &QCheckBox::clicked, &doc.playback(),
          &Playback::applyPlaybackMode);
}

void MainWindow::connectActions() {
  connect(projectActions_, &ProjectActions::saveSettingsRequested, this, &MainWindow::saveSettings);
  connect(projectActions_, &ProjectActions::statusMessage, this, &MainWindow::showStatusMessage);
  connect(projectActions_, &ProjectActions::viewPaused, canvasView_, &CanvasView::stopUpdateTimer);
  connect(projectActions_, &ProjectActions::viewResumed, canvasView_, &CanvasView::startUpdateTimer);
  connect(exportActions_, &ExportActions::saveSettingsRequested, this, &MainWindow::saveSettings);
  connect(exportActions_, &ExportActions::repaintRequested, canvasView_, &CanvasView::requestRepaint);
  connect(exportActions_, &ExportActions::viewPaused, canvasView_, &CanvasView::stopUpdateTimer);
  connect(exportActions_, &ExportActions::viewResumed, canvasView_, [view = canvasView_] {
    view->requestBackgroundClear();
    view->requestRepaint();
    view->startUpdateTimer();
  });
}

void MainWindow::fitToContent() {
  // The right column is as wide as the described 328 pixels unless a page
  // needs more with this platform's fonts.
  sideColumn_->setFixedWidth(std::max(328, propertyTabs_->minimumSizeHint().width()));
  // The pages are hidden until the splash is gone; the window makes room
  // for them from the start.
  sideColumn_->setMinimumHeight(propertyTabs_->minimumSizeHint().height());
  // The status bar is 19 pixels high unless its panels need more.
  statusBar()->setMinimumHeight(std::max(19, statusBar()->sizeHint().height()));
  const QSize needed = minimumSizeHint();
  setMinimumSize(needed.expandedTo(kMinimumSize));
  resize(needed.expandedTo(kDefaultSize));
}

void MainWindow::initialize() {
  if (options_.ShowSplash) {
    splash_ = new SplashScreen;
    splash_->show();
    processPendingEvents();
    splash_->repaint();
  }
  showSplashProgress(tr("Initialize"), 20);
  disableControlEvents();
  struct Enable {
    MainWindow* form;
    ~Enable() { form->enableControlEvents(); }
  } enable{this};

  splitterToggle_ = false;
  kt58::app::PrepareUserFolders();
  move(0, 0);

  showSplashProgress(tr("Initialize Animation Engine"), 40);
  showSplashProgress(tr("Loading Settings"), 60);
  applySettings();
  updateStatusLine();
  showSplashProgress(tr("Finalizing Settings"), 70);
  showModified();
  showTitle();
  updateControlStates();
  // Dropped project files are caught on their way to any widget of the
  // window (the construction view takes other files as layers).
  setAcceptDrops(true);
  qApp->installEventFilter(this);
}

void MainWindow::applySettings() {
  // Without a placement of its own the window takes most of the screen;
  // the form's other sizes are the defaults of the keys the file lacks.
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QRect first =
      screen ? kt58::app::FirstPlacement(screen->availableGeometry(), size()) : QRect(pos(), size());
  settings_.Window = {first.x(), first.y(), first.width(), first.height(), false, false};
  settings_.Preview = splitter_->sizes().value(0, settings_.Preview);
  settings_.lvLayersType = layerList_->layerTree_->columnWidth(1);
  settings_.lvLayersSize = layerList_->layerTree_->columnWidth(2);
  kt58::app::LoadSettings(settings_);

  // A placement from another desktop (a larger screen, one unplugged since)
  // comes onto a screen of this one.
  const kt58::app::WindowPlacement& w = settings_.Window;
  const QRect placed = kt58::app::FitToScreen(QRect(w.Left, w.Top, w.Width, w.Height), minimumSize());
  move(placed.topLeft());
  resize(placed.size());
  if (w.Maximized) setWindowState(windowState() | Qt::WindowMaximized);
  const QList<int> sizes = splitter_->sizes();
  if (sizes.size() == 2) splitter_->setSizes({settings_.Preview, std::max(0, sizes[0] + sizes[1] - settings_.Preview)});
  layerList_->layerTree_->setColumnWidth(1, settings_.lvLayersType);
  layerList_->layerTree_->setColumnWidth(2, settings_.lvLayersSize);
  document_->project().NonRenderedPlayback = settings_.RealTimePlayback;
  kt58::SetMemoryBudget(static_cast<uint64_t>(settings_.MemoryLimitMB) << 20);
  document_->playback().renderWorker().SetMaxBytes(static_cast<size_t>(settings_.PlaybackCacheMB) << 20);
  loadAnimationControls();
  projectActions_->showRecentProjects();
}

void MainWindow::saveSettings() {
  settings_.Window = {x(), y(), width(), height(), isMaximized(), isMinimized()};
  settings_.Preview = splitter_->sizes().value(0, settings_.Preview);
  settings_.lvLayersType = layerList_->layerTree_->columnWidth(1);
  settings_.lvLayersSize = layerList_->layerTree_->columnWidth(2);
  settings_.RealTimePlayback = document_->project().NonRenderedPlayback;
  if (!explorerPage_->LastThumbDir.isEmpty()) settings_.LastThumbDir = kt58::app::ToPath(explorerPage_->LastThumbDir);
  try {
    kt58::app::SaveSettings(settings_);
  } catch (const std::exception& e) {
    showMessage(e.what());
  }
}

void MainWindow::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (shown_once_) return;
  shown_once_ = true;
  // Queued so that the window is on screen before the rest of start-up.
  QTimer::singleShot(0, this, [this] { onFirstShow(); });
}

void MainWindow::onFirstShow() {
  // Qt lets no exception out of an event handler, so the pause raises
  // nothing to catch.
  showSplashProgress(tr("Preparing Dir Info"), 80);
  QElapsedTimer pause;
  pause.start();
  while (splash_ && pause.elapsed() < options_.SplashPauseMs) {
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(10);
  }
  showSplashProgress(tr("Done"), 100);
  if (splash_) {
    delete splash_;
    splash_ = nullptr;
  }
  propertyTabs_->setVisible(propertyTabs_->count() > 0);
  propertyTabs_->setCurrentWidget(explorerPage_);
  explorerPage_->openFolder(kt58::app::FromPath(settings_.LastThumbDir));
  processPendingEvents();

  QScreen* scr = screen() ? screen() : QGuiApplication::primaryScreen();
  if (scr) {
    const QString size_message = displaySizeMessage(scr->size());
    if (!size_message.isEmpty()) {
      showMessage(size_message.toStdString());
      close();
      return;
    }
    const QString depth_message = colorDepthMessage(scr->depth());
    if (!depth_message.isEmpty()) showMessage(depth_message.toStdString());
  }
  if (!options_.ProjectToOpen.empty()) {
    // The project named on the command line replaces the start-up dialog.
    projectActions_->openProject(options_.ProjectToOpen);
  } else if (settings_.StartDialogOn) {
    // After the window's first paint, which the queue lets happen first.
    QTimer::singleShot(0, this, [this] { showStartupDialog(); });
    return;
  }
  startupComplete_ = true;
  relayout();
}

void MainWindow::showStartupDialog() {
  repaint();
  processPendingEvents();
  if (!startup_dialog_shown_) {
    startup_dialog_shown_ = true;
    projectActions_->askAtStartup();
  }
  propertyTabs_->setCurrentWidget(explorerPage_);
  processPendingEvents();
  startupComplete_ = true;
  relayout();
}

QString MainWindow::displaySizeMessage(QSize screen) {
  if (screen.width() < 800 || screen.height() < 600)
    return tr(
        "This application requires your display settings\rto be set to a minimum of 800 x 600 resolution.");
  return {};
}

QString MainWindow::colorDepthMessage(int bits_per_pixel) {
  if (bits_per_pixel <= 8)
    return tr(
        "Your windows display settings are set to a less than optimal\rcolor mode for this application.  The "
        "minimum recommended color\rmode is : 15/16 Bit High Color,\rhowever 24 Bit TrueColor should be used if "
        "possible.");
  return {};
}

void MainWindow::showSplashProgress(const QString&, int percent) {
  if (!splash_) return;
  splash_->progressBar_->setValue(percent);
  splash_->repaint();
}

void MainWindow::closeEvent(QCloseEvent* e) {
  document_->playback().stop();
  if (!projectActions_->querySaveProject()) {
    e->ignore();
    return;
  }
  saveSettings();
  disableControlEvents();
  canvasView_->stopUpdateTimer();
  e->accept();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* e) {
  const QEvent::Type type = e->type();
  if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
    return QMainWindow::eventFilter(watched, e);
  auto* widget = qobject_cast<QWidget*>(watched);
  auto* drop = static_cast<QDropEvent*>(e);
  if (!widget || widget->window() != this || document_->playback().isPlaying()) return false;
  const std::filesystem::path project = ProjectActions::droppedProject(drop->mimeData());
  if (project.empty()) return false;
  drop->acceptProposedAction();
  if (type == QEvent::Drop) {
    // Opened once the drag has ended, so that its source is not kept
    // waiting on the question and the loading.
    QTimer::singleShot(0, this, [this, project] { projectActions_->open(project); });
  }
  return true;
}

void MainWindow::resizeEvent(QResizeEvent* e) {
  QMainWindow::resizeEvent(e);
  onResized();
}

void MainWindow::onResized() {
  if (startupComplete_) relayout();
}

void MainWindow::onSplitterMoved() {
  splitterToggle_ = !splitterToggle_;
  if (!splitterToggle_ && !appTerminating()) relayout();
}

void MainWindow::relayout() {
  canvasView_->relayout();
  if (document_->playback().isPlaying()) return;
  if (!appTerminating()) processPendingEvents();
}

void MainWindow::showModified() {
  statusLabel_->setText(document_->IsModified() ? tr("Modified") : QString());
}

void MainWindow::showTitle() {
  // The project's name with the modified marker; Qt adds the application's
  // name after it. The title is set itself rather than left to the file
  // path, which does not reach a window that is not created yet.
  const QString name = document_->FileName();
  setWindowFilePath(name);
  setWindowTitle((name.isEmpty() ? tr("Untitled") : QFileInfo(name).fileName()) + QStringLiteral("[*]"));
  setWindowModified(document_->IsModified());
}

void MainWindow::showStatusMessage(const QString& text) {
  statusLabel_->setText(text);
  statusBar()->repaint();
}

void MainWindow::showProjectName() {
  const QString name = QFileInfo(document_->FileName()).fileName();
  projectNameLabel_->setText(name);
  projectNameLabel_->setToolTip(name);
}

void MainWindow::updateStatusLine() { showFrameInfo(document_->playback().fps(), document_->playback().maxFps()); }

void MainWindow::showFrameInfo(double fps, double max_fps) {
  const kt58::Project& a = document_->project();
  const kt58::FrameSequence& sequence = document_->sequence();
  const bool playing = document_->playback().isPlaying();
  const kt58::FrameSize size = a.GetFrameSize();
  // The numbers keep the C library's formatting; only the words around them
  // are translated.
  const auto padded = [](int n) { return QString::fromStdString(kt58::ZeroPad(n, 3)); };
  const auto rate = [](double fps) { return QString::fromStdString(kt58::Format("%.2f", fps)); };
  QString text;
  if (sequence.Sequenced())
    text = tr("Frame : %1 of %2,  ").arg(padded(document_->playback().currentFrame()), padded(sequence.Count()));
  text += (a.FixedFrameSize ? tr("Size : [%1 x %2] Fixed") : tr("Size : [%1 x %2]")).arg(size.Width).arg(size.Height);
  QString rates;
  if (playing) rates = tr("FPS : %1  ").arg(rate(fps));
  rates += tr("Max : %1").arg(rate(max_fps));
  if (const int64_t skipped = document_->playback().skippedFrames(); playing && skipped > 0)
    rates += QStringLiteral("  ") +
             (skipped == 1 ? tr("1 frame skipped") : tr("%1 frames skipped").arg(static_cast<qlonglong>(skipped)));
  // The rates go on a second line while playing (with them the line is
  // wider than the view's column, and it keeps still as playing starts and
  // stops) and whenever the one line would not fit, as a high Max makes it.
  const int column = frameInfoLabel_->contentsRect().width();
  const auto width = [&](const QString& part) { return frameInfoLabel_->fontMetrics().horizontalAdvance(part); };
  const bool split = playing || width(text + QStringLiteral("  ") + rates) > column;
  const QString line = text + (split ? QStringLiteral("\n") : QStringLiteral("  ")) + rates;
  // A line still wider than the column starts at the left edge and loses
  // its end, not both ends.
  const bool fits = std::max(width(text), width(rates)) <= column;
  frameInfoLabel_->setAlignment((fits ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter);
  frameInfoLabel_->setText(line);
}

void MainWindow::updateControlStates() {
  const kt58::Project& a = document_->project();
  const bool playing = document_->playback().isPlaying();
  const int layers = a.LayerCount();
  projectButton_->setEnabled(!playing);
  projectActions_->updateControlStates();
  addLayerAction_->setEnabled(!playing);
  exportActions_->updateControlStates();
  layerList_->updateControlStates();
  playbackBar_->updateControlStates();
  animationProperties_->updateControlStates();
  propertyTabs_->setTabVisible(propertyTabs_->indexOf(animationProperties_), !playing);
  for (QWidget* page : {static_cast<QWidget*>(layerProperties_), static_cast<QWidget*>(videoLayerPage_)})
    propertyTabs_->setTabVisible(propertyTabs_->indexOf(page), layers >= 1 && !playing);
}

void MainWindow::loadAnimationControls() {
  animationProperties_->loadAnimationControls();
  playbackBar_->loadAnimationControls();
  canvasView_->showBackgroundColor();
  updateStatusLine();
}

void MainWindow::disableControlEvents() {
  animationProperties_->controlEvents().Disable();
  layerProperties_->controlEvents().Disable();
  playbackBar_->controlEvents().Disable();
}

void MainWindow::enableControlEvents() {
  animationProperties_->controlEvents().Enable();
  layerProperties_->controlEvents().Enable();
  playbackBar_->controlEvents().Enable();
}

QString MainWindow::layerFileFilter() {
  return tr(
      "Pictures and videos (*.bmp *.BMP *.jpg *.JPG *.gif *.GIF *.avi *.AVI);;"
      "Bitmaps (*.bmp *.BMP);;JPEG pictures (*.jpg *.JPG);;GIF pictures (*.gif *.GIF);;AVI videos (*.avi *.AVI)");
}

void MainWindow::addLayer() {
  const QStringList files = QFileDialog::getOpenFileNames(
      this, tr("Add Layer"), QString::fromStdString(settings_.LastThumbDir.string()), layerFileFilter());
  for (const QString& file : files) {
    const std::filesystem::path path = file.toStdString();
    settings_.LastThumbDir = path.parent_path();
    document_->AddLayerFromFile(path);
  }
}

void MainWindow::showHelp() { kt58::app::OpenUserGuide(this); }

void MainWindow::showAbout() {
  AboutDialog about(this);
  about.exec();
}

