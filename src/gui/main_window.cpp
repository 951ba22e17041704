// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
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
#include <QVBoxLayout>

#include "gui/dialogs/about_dialog.h"
#include "gui/dialogs/project_dialogs.h"
#include "gui/dialogs/splash_screen.h"
#include "gui/user_folders.h"
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
#include "engine/ui_services.h"
#include "model/animation.h"
#include "platform/program_folder.h"
#include "platform/text_helpers.h"

namespace {

void PaintBlack(QWidget* w) {
  w->setAutoFillBackground(true);
  QPalette pal = w->palette();
  pal.setColor(QPalette::Window, Qt::black);
  pal.setColor(QPalette::WindowText, Qt::white);
  w->setPalette(pal);
}

QAction* NamedAction(QObject* parent, const QString& caption, const char* name, bool enabled = true) {
  auto* action = new QAction(caption, parent);
  action->setObjectName(QString::fromLatin1(name));
  action->setEnabled(enabled);
  return action;
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
  BuildLayout();
  BuildMenus();
  ConnectDocument();
  // Polished, every widget has its final font, so the sizes the layout
  // needs are known.
  ensurePolished();
  FitToContent();
  FormCreate();
}

MainWindow::~MainWindow() {
  View->StopUpdateTimer();
  delete Splash;
  // The panels go before the document they refer to.
  delete takeCentralWidget();
}

void MainWindow::BuildLayout() {
  auto* central = new QWidget(this);
  auto* outer = Packed(new QVBoxLayout(central));

  Panel3 = new QWidget(central);
  Panel3->setObjectName(QStringLiteral("Panel3"));
  Panel3->setFixedHeight(25);
  auto* top = new QHBoxLayout(Panel3);
  top->setContentsMargins(1, 1, 1, 1);
  top->setSpacing(4);
  ProjectButton = new QToolButton(Panel3);
  ProjectButton->setObjectName(QStringLiteral("ProjectButton"));
  ProjectButton->setText(QStringLiteral("Project"));
  ProjectButton->setFixedSize(126, 23);
  ProjectButton->setAutoRaise(true);
  top->addWidget(ProjectButton);
  // The menu bar stands beside the Project button, in the window on every
  // platform.
  MainMenu = new QMenuBar(Panel3);
  MainMenu->setObjectName(QStringLiteral("MainMenu"));
  MainMenu->setNativeMenuBar(false);
  top->addWidget(MainMenu);
  auto* banner = new QLabel(QStringLiteral("kt58 Animator"), Panel3);
  banner->setObjectName(QStringLiteral("Image1"));
  banner->setAlignment(Qt::AlignCenter);
  top->addWidget(banner, 1);
  outer->addWidget(Panel3);

  auto* middle = Packed(new QHBoxLayout);
  outer->addLayout(middle, 1);

  auto* panel2 = new QWidget(central);
  panel2->setObjectName(QStringLiteral("Panel2"));
  auto* left = Packed(new QVBoxLayout(panel2));
  DataPanel = new QLabel(QStringLiteral("Frame Size :"), panel2);
  DataPanel->setObjectName(QStringLiteral("DataPanel"));
  // Two lines high: while playing, the rates take a line of their own, so
  // that the status line is shown whole in the view's column. The height
  // stays the same either way, so the view never jumps.
  DataPanel->setFixedHeight(std::max(20, 2 * DataPanel->fontMetrics().lineSpacing() + 2));
  DataPanel->setAlignment(Qt::AlignCenter);
  PaintBlack(DataPanel);
  DataPanel->setMinimumWidth(DataPanel->fontMetrics().horizontalAdvance(QString::fromLatin1(kWidestStatusLine)) + 8);
  left->addWidget(DataPanel);

  Splitter1 = new QSplitter(Qt::Vertical, panel2);
  Splitter1->setObjectName(QStringLiteral("Splitter1"));
  Splitter1->setHandleWidth(6);
  Splitter1->setChildrenCollapsible(false);
  {
    // Black between the view and the pages; the pages keep their own text
    // colours.
    QPalette pal = Splitter1->palette();
    pal.setColor(QPalette::Window, Qt::black);
    Splitter1->setPalette(pal);
    Splitter1->setAutoFillBackground(true);
  }
  View = new CanvasView(*document_, Splitter1);
  Splitter1->addWidget(View);

  // Below the splitter: the playback strip over the "Layers" page.
  auto* lower = new QWidget(Splitter1);
  auto* lower_layout = Packed(new QVBoxLayout(lower));
  Panel6 = new PlaybackBar(*document_, *View, lower);
  lower_layout->addWidget(Panel6);
  PageControl1 = new QTabWidget(lower);
  PageControl1->setObjectName(QStringLiteral("PageControl1"));
  Layers = new LayerList(*document_, PageControl1);
  PageControl1->addTab(Layers, QStringLiteral("Layers"));
  lower_layout->addWidget(PageControl1, 1);
  Splitter1->addWidget(lower);
  Splitter1->setSizes({161, 300});
  Splitter1->setStretchFactor(0, 1);
  left->addWidget(Splitter1, 1);
  middle->addWidget(panel2, 1);

  VideoPanel = new QWidget(central);
  VideoPanel->setObjectName(QStringLiteral("VideoPanel"));
  auto* right = new QVBoxLayout(VideoPanel);
  right->setContentsMargins(0, 0, 0, 0);
  pc1 = new QTabWidget(VideoPanel);
  pc1->setObjectName(QStringLiteral("pc1"));
  pc1->setTabPosition(QTabWidget::West);
  ExplorerSheet = new ExplorerPage(*document_, pc1);
  pc1->addTab(ExplorerSheet, QStringLiteral("Explorer"));
  AnimationSheet = new AnimationProperties(*document_, pc1);
  pc1->addTab(AnimationSheet, QStringLiteral("Animation"));
  LayerSheet = new LayerProperties(*document_, pc1);
  pc1->addTab(LayerSheet, QStringLiteral("Layer"));
  VideoSheet = new VideoLayerPage(*document_, pc1);
  pc1->addTab(VideoSheet, QStringLiteral("Video Layer"));
  // Hidden until the splash window is gone.
  pc1->setVisible(false);
  connect(pc1, &QTabWidget::currentChanged, this, [this] { UpdateControlStates(); });
  right->addWidget(pc1);
  middle->addWidget(VideoPanel);
  setCentralWidget(central);

  statusBar()->setSizeGripEnabled(false);
  StatusPanel0 = new QLabel(statusBar());
  StatusPanel0->setObjectName(QStringLiteral("StatusPanel0"));
  StatusPanel0->setFixedWidth(300);
  StatusPanel1 = new QLabel(statusBar());
  StatusPanel1->setObjectName(QStringLiteral("StatusPanel1"));
  // 50 pixels cut off most project names in this platform's fonts: the
  // panel takes the rest of the bar, and its tip holds the whole name.
  StatusPanel1->setMinimumWidth(50);
  // A line of text with a pixel above and below, whatever text they show.
  for (QLabel* panel : {StatusPanel0, StatusPanel1}) panel->setFixedHeight(panel->fontMetrics().height() + 2);
  statusBar()->addWidget(StatusPanel0);
  statusBar()->addWidget(StatusPanel1, 1);

  connect(Splitter1, &QSplitter::splitterMoved, this, [this] { Splitter1Moved(); });
  connect(View, &CanvasView::layerMenuRequested, Layers, &LayerList::PopupLayerMenu);
}

void MainWindow::BuildMenus() {
  QUndoStack& undo = document_->UndoStack();
  NewProject1 = NamedAction(this, QStringLiteral("New Project"), "NewProject1");
  NewProject1->setShortcut(QKeySequence::New);
  OpenProject1 = NamedAction(this, QStringLiteral("Open Project"), "OpenProject1");
  OpenProject1->setShortcut(QKeySequence::Open);
  SaveProject1 = NamedAction(this, QStringLiteral("Save Project"), "SaveProject1");
  SaveProject1->setShortcut(QKeySequence::Save);
  SaveProjectAs1 = NamedAction(this, QStringLiteral("Save Project As..."), "SaveProjectAs1");
  SaveProjectAs1->setShortcut(QKeySequence::SaveAs);
  CreateGif1 = NamedAction(this, QStringLiteral("Save as Animated Gif..."), "CreateGif1", false);
  CreateBitmapSequence1 =
      NamedAction(this, QStringLiteral("Save as Bitmap Sequence..."), "CreateBitmapSequence1", false);
  SaveSingleFrame1 = NamedAction(this, QStringLiteral("Save Single Frame as..."), "SaveSingleFrame1", false);
  SaveAsAvi1 = NamedAction(this, QStringLiteral("Save As AVI Video..."), "SaveAsAvi1", false);
  SaveAsVideo1 = NamedAction(this, QStringLiteral("Save as Video or Web Animation..."), "SaveAsVideo1", false);
  connect(SaveAsVideo1, &QAction::triggered, this, &MainWindow::SaveAsVideo1Click);
  connect(SaveSingleFrame1, &QAction::triggered, this, &MainWindow::SaveSingleFrame1Click);
  connect(SaveAsAvi1, &QAction::triggered, this, &MainWindow::SaveAsAvi1Click);
  connect(CreateBitmapSequence1, &QAction::triggered, this, &MainWindow::CreateBitmapSequence1Click);
  connect(CreateGif1, &QAction::triggered, this, &MainWindow::CreateGif1Click);
  Help1 = NamedAction(this, QStringLiteral("Help"), "Help1");
  Help1->setShortcut(QKeySequence::HelpContents);
  connect(Help1, &QAction::triggered, this, &MainWindow::Help1Click);
  AboutMenuItem = NamedAction(this, QStringLiteral("About Dovrenkal..."), "AboutMenuItem");
  connect(AboutMenuItem, &QAction::triggered, this, &MainWindow::AboutMenuItemClick);
  Debug1 = NamedAction(this, QStringLiteral("Debug"), "Debug1");
  Debug1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F10));
  Debug1->setShortcutContext(Qt::WindowShortcut);
  Debug1->setVisible(false);
  connect(Debug1, &QAction::triggered, this, &MainWindow::Debug1Click);
  Close1 = NamedAction(this, QStringLiteral("Close"), "Close1");
  connect(Close1, &QAction::triggered, this, &QWidget::close);
  Quit1 = NamedAction(this, QStringLiteral("Quit"), "Quit1");
  // Ctrl+Q on every platform: some have no standard key for quitting.
  Quit1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  connect(Quit1, &QAction::triggered, this, &QWidget::close);
  Undo1 = undo.createUndoAction(this, QStringLiteral("Undo"));
  Undo1->setObjectName(QStringLiteral("Undo1"));
  Undo1->setShortcut(QKeySequence::Undo);
  Redo1 = undo.createRedoAction(this, QStringLiteral("Redo"));
  Redo1->setObjectName(QStringLiteral("Redo1"));
  Redo1->setShortcut(QKeySequence::Redo);
  AddLayer1 = NamedAction(this, QStringLiteral("Add Layer..."), "AddLayer1");
  connect(AddLayer1, &QAction::triggered, this, &MainWindow::AddLayerClick);
  connect(NewProject1, &QAction::triggered, this, &MainWindow::NewProject1Click);
  connect(OpenProject1, &QAction::triggered, this, &MainWindow::OpenProject1Click);
  connect(SaveProject1, &QAction::triggered, this, &MainWindow::SaveProject1Click);
  connect(SaveProjectAs1, &QAction::triggered, this, &MainWindow::SaveProjectAs1Click);
  // The shortcuts work without opening a menu, also while the menu bar
  // cannot show them (Debug is never in the menu bar).
  addActions({Debug1, Undo1, Redo1, Quit1, Help1, NewProject1, OpenProject1, SaveProject1, SaveProjectAs1});

  // The Project button's menu.
  ProjectPopup = new QMenu(this);
  ProjectPopup->setObjectName(QStringLiteral("ProjectPopup"));
  ProjectPopup->addActions({NewProject1, OpenProject1, SaveProject1, SaveProjectAs1});
  ProjectPopup->addSeparator();
  ProjectPopup->addActions({CreateGif1, CreateBitmapSequence1, SaveSingleFrame1, SaveAsAvi1, SaveAsVideo1});
  ProjectPopup->addSeparator();
  ProjectPopup->addActions({Help1, Close1, AboutMenuItem, Debug1});
  connect(ProjectPopup, &QMenu::aboutToShow, this, &MainWindow::ProjectPopupPopup);
  connect(ProjectButton, &QToolButton::clicked, this, [this] {
    ProjectPopup->popup(ProjectButton->mapToGlobal(QPoint(0, ProjectButton->height() + 1)));
  });

  // The menu bar.
  QMenu* file = MainMenu->addMenu(QStringLiteral("&File"));
  file->setObjectName(QStringLiteral("FileMenu"));
  file->addActions({NewProject1, OpenProject1, SaveProject1, SaveProjectAs1});
  connect(file, &QMenu::aboutToShow, this, [this] { UpdateControlStates(); });
  file->addSeparator();
  RecentProjectsMenu = file->addMenu(QStringLiteral("Recent Projects"));
  RecentProjectsMenu->setObjectName(QStringLiteral("RecentProjectsMenu"));
  RecentProjectsMenu->setEnabled(false);
  connect(file, &QMenu::aboutToShow, this, &MainWindow::ProjectPopupPopup);
  file->addSeparator();
  file->addActions({CreateGif1, CreateBitmapSequence1, SaveSingleFrame1, SaveAsAvi1, SaveAsVideo1});
  file->addSeparator();
  file->addAction(Quit1);
  QMenu* edit = MainMenu->addMenu(QStringLiteral("&Edit"));
  edit->setObjectName(QStringLiteral("EditMenu"));
  edit->addActions({Undo1, Redo1});
  QMenu* layer = MainMenu->addMenu(QStringLiteral("&Layer"));
  layer->setObjectName(QStringLiteral("LayerMenu"));
  layer->addAction(AddLayer1);
  layer->addSeparator();
  layer->addActions(Layers->LayerPopup->actions());
  connect(layer, &QMenu::aboutToShow, this, [this] { UpdateControlStates(); });
  QMenu* help = MainMenu->addMenu(QStringLiteral("&Help"));
  help->setObjectName(QStringLiteral("HelpMenu"));
  help->addActions({Help1, AboutMenuItem});
  // Every menu title shows; the bar never folds them into its overflow button.
  MainMenu->setMinimumWidth(MainMenu->sizeHint().width());
}

void MainWindow::ConnectDocument() {
  Document& doc = *document_;
  connect(&doc, &Document::statusMessage, this, &MainWindow::ShowStatusMessage);
  connect(&doc, &Document::modifiedChanged, this, [this] {
    ShowModified();
    ShowTitle();
  });
  connect(&doc, &Document::fileNameChanged, this, [this] {
    ShowProjectName();
    ShowTitle();
  });
  // After every edit, undo and redo the status areas show the truth: the
  // status line the frames there are, panel 0 that the project changed.
  connect(&doc.UndoStack(), &QUndoStack::indexChanged, this, [this] {
    UpdateStatusLine();
    ShowModified();
  });
  for (auto signal : {&Document::layersChanged, &Document::framesChanged,
                      &Document::projectReplaced, &Document::animationChanged}) {
    connect(&doc, signal, this, [this] {
      UpdateStatusLine();
      UpdateControlStates();
    });
  }
  // Making the frames reports its own status texts; an edit that made them
  // still leaves "Modified" in panel 0.
  connect(&doc, &Document::framesChanged, this, &MainWindow::ShowModified);
  connect(Panel6, &PlaybackBar::statusChanged, this, &MainWindow::UpdateStatusLine);
  connect(Panel6, &PlaybackBar::playingChanged, this, [this] {
    UpdateStatusLine();
    UpdateControlStates();
  });
  connect(AnimationSheet->cbrtPlayback, &QCheckBox::clicked, Panel6, &PlaybackBar::ApplyPlaybackMode);
}

void MainWindow::FitToContent() {
  // The right column is as wide as the described 328 pixels unless a page
  // needs more with this platform's fonts.
  VideoPanel->setFixedWidth(std::max(328, pc1->minimumSizeHint().width()));
  // The pages are hidden until the splash is gone; the window makes room
  // for them from the start.
  VideoPanel->setMinimumHeight(pc1->minimumSizeHint().height());
  // The status bar is 19 pixels high unless its panels need more.
  statusBar()->setMinimumHeight(std::max(19, statusBar()->sizeHint().height()));
  const QSize needed = minimumSizeHint();
  setMinimumSize(needed.expandedTo(kMinimumSize));
  resize(needed.expandedTo(kDefaultSize));
}

void MainWindow::FormCreate() {
  Sizing = false;
  Debug1->setVisible(true);
  if (options_.ShowSplash) {
    Splash = new SplashScreen;
    Splash->show();
    kt58::ProcessPendingMessages();
    Splash->repaint();
  }
  SplashProgress(QStringLiteral("Initialize"), 20);
  DisableControlEvents();
  struct Enable {
    MainWindow* form;
    ~Enable() { form->EnableControlEvents(); }
  } enable{this};

  SplitterToggle = false;
  kt58::app::PrepareUserFolders();
  move(0, 0);

  SplashProgress(QStringLiteral("Initialize Animation Engine"), 40);
  SplashProgress(QStringLiteral("Loading Settings"), 60);
  ApplySettings();
  UpdateStatusLine();
  SplashProgress(QStringLiteral("Finalizing Settings"), 70);
  ShowModified();
  ShowTitle();
  UpdateControlStates();
  // Dropped project files are caught on their way to any widget of the
  // window (the construction view takes other files as layers).
  setAcceptDrops(true);
  qApp->installEventFilter(this);
}

void MainWindow::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (shown_once_) return;
  shown_once_ = true;
  // Queued so that the window is on screen before the rest of start-up.
  QTimer::singleShot(0, this, [this] { FormShow(); });
}

void MainWindow::FormShow() {
  // Qt lets no exception out of an event handler, so the pause raises
  // nothing to catch.
  SplashProgress(QStringLiteral("Preparing Dir Info"), 80);
  QElapsedTimer pause;
  pause.start();
  while (Splash && pause.elapsed() < options_.SplashPauseMs) {
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(10);
  }
  SplashProgress(QStringLiteral("Done"), 100);
  if (Splash) {
    delete Splash;
    Splash = nullptr;
  }
  pc1->setVisible(pc1->count() > 0);
  pc1->setCurrentWidget(ExplorerSheet);
  ExplorerSheet->OpenFolder(kt58::app::FromPath(settings_.LastThumbDir));
  kt58::ProcessPendingMessages();

  QScreen* scr = screen() ? screen() : QGuiApplication::primaryScreen();
  if (scr) {
    const QString size_message = DisplaySizeMessage(scr->size());
    if (!size_message.isEmpty()) {
      kt58::Ui().ShowMessage(size_message.toStdString());
      close();
      return;
    }
    const QString depth_message = ColorDepthMessage(scr->depth());
    if (!depth_message.isEmpty()) kt58::Ui().ShowMessage(depth_message.toStdString());
  }
  if (!options_.ProjectToOpen.empty()) {
    // The project named on the command line replaces the start-up dialog.
    OpenProject(options_.ProjectToOpen);
  } else if (settings_.StartDialogOn) {
    // After the window's first paint, which the queue lets happen first.
    QTimer::singleShot(0, this, [this] { ShowStartupDialog(); });
    return;
  }
  StartupComplete = true;
  LayoutChanged();
}

QString MainWindow::DisplaySizeMessage(QSize screen) {
  if (screen.width() < 800 || screen.height() < 600)
    return QStringLiteral(
        "This application requires your display settings\rto be set to a minimum of 800 x 600 resolution.");
  return {};
}

QString MainWindow::ColorDepthMessage(int bits_per_pixel) {
  if (bits_per_pixel <= 8)
    return QStringLiteral(
        "Your windows display settings are set to a less than optimal\rcolor mode for this application.  The "
        "minimum recommended color\rmode is : 15/16 Bit High Color,\rhowever 24 Bit TrueColor should be used if "
        "possible.");
  return {};
}

void MainWindow::SplashProgress(const QString&, int percent) {
  if (!Splash) return;
  Splash->Progress->setValue(percent);
  Splash->repaint();
}

void MainWindow::closeEvent(QCloseEvent* e) {
  kt58::TAnimation& a = document_->Animation();
  if (a.Playing) Panel6->StopPlayback();
  if (!QuerySaveProject()) {
    e->ignore();
    return;
  }
  SaveSettings();
  DisableControlEvents();
  View->StopUpdateTimer();
  e->accept();
}

void MainWindow::resizeEvent(QResizeEvent* e) {
  QMainWindow::resizeEvent(e);
  FormResize();
}

void MainWindow::FormResize() {
  if (!Sizing && StartupComplete) LayoutChanged();
}

void MainWindow::Splitter1Moved() {
  SplitterToggle = !SplitterToggle;
  if (!SplitterToggle && !kt58::Ui().Terminating()) LayoutChanged();
}

void MainWindow::LayoutChanged() {
  if (document_->Animation().Playing) {
    Panel6->ResizePending = true;
    return;
  }
  View->LayoutChanged();
  if (!kt58::Ui().Terminating()) kt58::ProcessPendingMessages();
}

void MainWindow::ShowModified() {
  StatusPanel0->setText(document_->IsModified() ? QStringLiteral("Modified") : QString());
}

void MainWindow::ShowTitle() {
  // The project's name with the modified marker; Qt adds the application's
  // name after it. The title is set itself rather than left to the file
  // path, which does not reach a window that is not created yet.
  const QString name = document_->FileName();
  setWindowFilePath(name);
  setWindowTitle((name.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(name).fileName()) + QStringLiteral("[*]"));
  setWindowModified(document_->IsModified());
}

void MainWindow::ShowStatusMessage(const QString& text) {
  StatusPanel0->setText(text);
  statusBar()->repaint();
}

void MainWindow::ShowProjectName() {
  const QString name = QString::fromStdString(std::filesystem::path(document_->Animation().FileName).filename().string());
  StatusPanel1->setText(name);
  StatusPanel1->setToolTip(name);
}

void MainWindow::UpdateStatusLine() {
  const kt58::TAnimation& a = document_->Animation();
  const kt58::FrameSize size = a.GetFrameSize();
  std::string text;
  if (a.Frames.size() > 1)
    text = kt58::Format("Frame : %s of %s,  ", kt58::ZeroPad(a.CurrentFrameIndex, 3).c_str(),
                        kt58::ZeroPad(static_cast<int>(a.Frames.size()), 3).c_str());
  text += kt58::Format("Size : [%d x %d]", size.Width, size.Height);
  if (a.FixedFrameSize) text += " Fixed";
  std::string rates;
  if (a.Playing) rates = kt58::Format("FPS : %.2f  ", Panel6->Fps);
  rates += kt58::Format("Max : %.2f", Panel6->MaxFps);
  // The rates go on a second line while playing (with them the line is
  // wider than the view's column, and it keeps still as playing starts and
  // stops) and whenever the one line would not fit, as a high Max makes it.
  const int column = DataPanel->contentsRect().width();
  const auto width = [&](const std::string& part) {
    return DataPanel->fontMetrics().horizontalAdvance(QString::fromStdString(part));
  };
  const bool split = a.Playing || width(text + "  " + rates) > column;
  const QString line = QString::fromStdString(text + (split ? "\n" : "  ") + rates);
  // A line still wider than the column starts at the left edge and loses
  // its end, not both ends.
  const bool fits = std::max(width(text), width(rates)) <= column;
  DataPanel->setAlignment((fits ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter);
  DataPanel->setText(line);
}

void MainWindow::UpdateControlStates() {
  const kt58::TAnimation& a = document_->Animation();
  const bool playing = a.Playing;
  const int layers = a.LayerCount();
  ProjectButton->setEnabled(!playing);
  for (QAction* action : {NewProject1, OpenProject1, SaveProject1, SaveProjectAs1}) action->setEnabled(!playing);
  RecentProjectsMenu->setEnabled(!playing && !settings_.MruList.empty());
  AddLayer1->setEnabled(!playing);
  for (QAction* exporter : {CreateGif1, CreateBitmapSequence1, SaveSingleFrame1, SaveAsAvi1, SaveAsVideo1})
    exporter->setEnabled(!playing && a.Sequenced);
  Layers->UpdateControlStates();
  Panel6->UpdateControlStates();
  AnimationSheet->UpdateControlStates();
  pc1->setTabVisible(pc1->indexOf(AnimationSheet), !playing);
  for (QWidget* page : {static_cast<QWidget*>(LayerSheet), static_cast<QWidget*>(VideoSheet)})
    pc1->setTabVisible(pc1->indexOf(page), layers >= 1 && !playing);
}

void MainWindow::LoadAnimationControls() {
  AnimationSheet->LoadAnimationControls();
  Panel6->LoadAnimationControls();
  View->ShowBackgroundColor();
  UpdateStatusLine();
}

void MainWindow::DisableControlEvents() {
  AnimationSheet->Events().Disable();
  LayerSheet->Events().Disable();
  Panel6->Events().Disable();
}

void MainWindow::EnableControlEvents() {
  AnimationSheet->Events().Enable();
  LayerSheet->Events().Enable();
  Panel6->Events().Enable();
}

QString MainWindow::LayerFileFilter() {
  return QStringLiteral(
      "Pictures and videos (*.bmp *.BMP *.jpg *.JPG *.gif *.GIF *.avi *.AVI);;"
      "Bitmaps (*.bmp *.BMP);;JPEG pictures (*.jpg *.JPG);;GIF pictures (*.gif *.GIF);;AVI videos (*.avi *.AVI)");
}

void MainWindow::AddLayerClick() {
  const QStringList files = QFileDialog::getOpenFileNames(
      this, QStringLiteral("Add Layer"), QString::fromStdString(settings_.LastThumbDir.string()), LayerFileFilter());
  for (const QString& file : files) {
    const std::filesystem::path path = file.toStdString();
    settings_.LastThumbDir = path.parent_path();
    document_->AddLayerFromFile(path);
  }
}

void MainWindow::Help1Click() { kt58::app::OpenUserGuide(this); }

void MainWindow::AboutMenuItemClick() {
  AboutDialog about(this);
  about.exec();
}

void MainWindow::Debug1Click() { kt58::Ui().ShowMessage(std::to_string(kt58::LivePictureCount())); }
