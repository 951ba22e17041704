#include "app/main_form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QScreen>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "controls/kesh_combo_box.h"
#include "controls/kesh_track_bar.h"
#include "controls/packed_layout.h"
#include "controls/shell_open.h"
#include "editor/paint_box.h"
#include "engine/picture.h"
#include "engine/ui_services.h"
#include "platform/program_folder.h"
#include "platform/text_helpers.h"

TMainForm* MainForm = nullptr;

namespace {

QWidget* BlackPanel(QWidget* parent) {
  auto* w = new QWidget(parent);
  w->setAutoFillBackground(true);
  QPalette pal = w->palette();
  pal.setColor(QPalette::Window, Qt::black);
  pal.setColor(QPalette::WindowText, Qt::white);
  w->setPalette(pal);
  return w;
}

}  // namespace

// ---- splash and about ---------------------------------------------------------

TSplashForm::TSplashForm() : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint) {
  setFixedSize(318, 154);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::black);
  pal.setColor(QPalette::WindowText, Qt::white);
  setPalette(pal);
  auto* layout = new QVBoxLayout(this);
  auto* title = new QLabel(QStringLiteral("kt58 Animator"), this);
  QFont big = title->font();
  big.setPixelSize(28);
  big.setBold(true);
  title->setFont(big);
  title->setAlignment(Qt::AlignCenter);
  layout->addWidget(title, 1);
  Progress = new QProgressBar(this);
  Progress->setRange(0, 100);
  Progress->setTextVisible(false);
  Progress->setFixedHeight(12);
  QPalette bar = Progress->palette();
  bar.setColor(QPalette::Base, QColor(255, 0, 0));
  bar.setColor(QPalette::Window, QColor(255, 0, 0));
  Progress->setPalette(bar);
  Progress->setAutoFillBackground(true);
  layout->addWidget(Progress);
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->geometry().center() - QPoint(width() / 2, height() / 2));
}

QString TAboutForm::WebAddress() { return QStringLiteral("https://github.com/kt58/kt58-animator"); }

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("About kt58 Animator"));
  setFixedSize(400, 300);
  auto* layout = new QVBoxLayout(this);
  auto* title = new QLabel(QStringLiteral("kt58 Animator"), this);
  QFont big = title->font();
  big.setPixelSize(24);
  big.setBold(true);
  title->setFont(big);
  title->setAlignment(Qt::AlignCenter);
  layout->addWidget(title);
  auto* version = new QLabel(QStringLiteral("Version 1.00"), this);
  version->setAlignment(Qt::AlignCenter);
  layout->addWidget(version);
  auto* credits = new QLabel(
      QStringLiteral("A composer of layered animations.\n\n"
                     "Built with Qt, FFmpeg, giflib, libjpeg-turbo and libpng.\n"
                     "Written by the kt58 developers."),
      this);
  credits->setAlignment(Qt::AlignCenter);
  credits->setWordWrap(true);
  layout->addWidget(credits, 1);
  LinkLabel = new QLabel(QStringLiteral("<a href=\"%1\">%1</a>").arg(WebAddress()), this);
  LinkLabel->setAlignment(Qt::AlignCenter);
  LinkLabel->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
  LinkLabel->setOpenExternalLinks(false);
  connect(LinkLabel, &QLabel::linkActivated, this, [this](const QString& link) { kt58::controls::ShellOpen(this, link); });
  layout->addWidget(LinkLabel);
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->geometry().center() - QPoint(width() / 2, height() / 2));
}

// ---- main window --------------------------------------------------------------

TMainForm::TMainForm(TMainFormOptions options, QWidget* parent) : QMainWindow(parent), options_(options) {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(13);
  setFont(font);
  setWindowTitle(QStringLiteral("kt58 Animator - Free software from the kt58 developers"));
  BuildLayout();
  FormCreate();
}

TMainForm::~TMainForm() {
  UpdateTimer->stop();
  delete Splash;
  if (Animation) Animation->DisplayCanvas = nullptr;
  Animation.reset();
  if (MainForm == this) MainForm = nullptr;
}

void TMainForm::BuildLayout() {
  resize(626, 560);
  setMinimumSize(585, 560);
  auto* central = new QWidget(this);
  auto* outer = Packed(new QVBoxLayout(central));

  Panel3 = new QWidget(central);
  Panel3->setFixedHeight(25);
  auto* top = new QHBoxLayout(Panel3);
  top->setContentsMargins(1, 1, 1, 1);
  ProjectButton = new QToolButton(Panel3);
  ProjectButton->setText(QStringLiteral("Project"));
  ProjectButton->setFixedSize(126, 23);
  ProjectButton->setAutoRaise(true);
  top->addWidget(ProjectButton);
  auto* banner = new QLabel(QStringLiteral("kt58 Animator"), Panel3);
  banner->setObjectName(QStringLiteral("Image1"));
  banner->setAlignment(Qt::AlignCenter);
  top->addWidget(banner, 1);
  outer->addWidget(Panel3);

  auto* middle = Packed(new QHBoxLayout);
  outer->addLayout(middle, 1);

  auto* panel2 = new QWidget(central);
  auto* left = Packed(new QVBoxLayout(panel2));
  DataPanel = new QLabel(QStringLiteral("Frame Size :"), panel2);
  DataPanel->setFixedHeight(20);
  DataPanel->setAlignment(Qt::AlignCenter);
  DataPanel->setAutoFillBackground(true);
  {
    QPalette pal = DataPanel->palette();
    pal.setColor(QPalette::Window, Qt::black);
    pal.setColor(QPalette::WindowText, Qt::white);
    DataPanel->setPalette(pal);
  }
  left->addWidget(DataPanel);

  Splitter1 = new QSplitter(Qt::Vertical, panel2);
  Splitter1->setHandleWidth(6);
  Splitter1->setChildrenCollapsible(false);
  {
    QPalette pal = Splitter1->palette();
    pal.setColor(QPalette::Window, Qt::black);
    Splitter1->setPalette(pal);
    Splitter1->setAutoFillBackground(true);
  }
  ConstrPanel = BlackPanel(Splitter1);
  auto* constr_layout = new QVBoxLayout(ConstrPanel);
  constr_layout->setContentsMargins(0, 0, 0, 0);
  pbConstr = new TPaintBox(ConstrPanel);
  constr_layout->addWidget(pbConstr);
  Splitter1->addWidget(ConstrPanel);

  // Below the splitter: the playback strip over the "Layers" page.
  auto* lower = new QWidget(Splitter1);
  auto* lower_layout = Packed(new QVBoxLayout(lower));
  Panel6 = new QWidget(lower);
  Panel6->setFixedHeight(22);
  auto* strip = new QHBoxLayout(Panel6);
  strip->setContentsMargins(95, 0, 0, 0);
  tbPlaySpeed = new TKeshTrackBar(Panel6);
  tbPlaySpeed->setRange(0, 100);
  tbPlaySpeed->setTickPosition(QSlider::NoTicks);
  tbPlaySpeed->setToolTip(QStringLiteral("Playback speed"));
  strip->addWidget(tbPlaySpeed, 1);
  lower_layout->addWidget(Panel6);
  PageControl1 = new QTabWidget(lower);
  BuildLayerPage();
  lower_layout->addWidget(PageControl1, 1);
  Splitter1->addWidget(lower);
  Splitter1->setSizes({161, 300});
  Splitter1->setStretchFactor(0, 1);
  left->addWidget(Splitter1, 1);
  middle->addWidget(panel2, 1);

  VideoPanel = new QWidget(central);
  VideoPanel->setFixedWidth(328);
  auto* right = new QVBoxLayout(VideoPanel);
  right->setContentsMargins(0, 0, 0, 0);
  pc1 = new QTabWidget(VideoPanel);
  pc1->setTabPosition(QTabWidget::West);
  pc1->setVisible(false);
  BuildAnimationPage();
  BuildLayerPages();
  connect(pc1, &QTabWidget::currentChanged, this, [this] { UpdateControlStates(); });
  right->addWidget(pc1);
  middle->addWidget(VideoPanel);
  setCentralWidget(central);

  statusBar()->setFixedHeight(19);
  statusBar()->setSizeGripEnabled(false);
  StatusPanel0 = new QLabel(statusBar());
  StatusPanel0->setFixedWidth(300);
  StatusPanel1 = new QLabel(statusBar());
  StatusPanel1->setFixedWidth(50);
  statusBar()->addWidget(StatusPanel0);
  statusBar()->addWidget(StatusPanel1);

  ProjectPopup = new QMenu(this);
  Help1 = ProjectPopup->addAction(QStringLiteral("Help"), this, [this] { Help1Click(); });
  AboutMenuItem = ProjectPopup->addAction(QStringLiteral("About Dovrenkal..."), this, [this] { AboutMenuItemClick(); });
  Debug1 = ProjectPopup->addAction(QStringLiteral("Debug"), this, [this] { Debug1Click(); });
  Debug1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F10));
  Debug1->setShortcutContext(Qt::WindowShortcut);
  Debug1->setVisible(false);
  addAction(Debug1);  // the shortcut works without opening the menu
  ProjectPopup->addSeparator();
  Close1 = ProjectPopup->addAction(QStringLiteral("Close"), this, [this] { close(); });
  connect(ProjectPopup, &QMenu::aboutToShow, this, [this] { UpdateControlStates(); });
  connect(ProjectButton, &QToolButton::clicked, this, [this] {
    ProjectPopup->popup(ProjectButton->mapToGlobal(QPoint(0, ProjectButton->height() + 1)));
  });

  UpdateTimer = new QTimer(this);
  UpdateTimer->setInterval(50);
  connect(UpdateTimer, &QTimer::timeout, this, [this] { RepaintConstruction(); });
  connect(Splitter1, &QSplitter::splitterMoved, this, [this] { Splitter1Moved(); });
  ConnectConstructionView();
  ConnectLayerList();
  ConnectAnimationPage();
  ConnectLayerPages();
}

void TMainForm::FormCreate() {
  MainForm = this;
  Sizing = false;
  Debug1->setVisible(true);
  if (options_.ShowSplash) {
    Splash = new TSplashForm;
    Splash->show();
    kt58::ProcessPendingMessages();
    Splash->repaint();
  }
  SplashProgress(QStringLiteral("Initialize"), 20);
  ControlEventsDisabled = 0;
  ControlEventsPause paused(*this);

  SetModified(false);
  ResizePending = SplitterToggle = FocusRectShown = ConstructionDirty = ClearBackgroundPending = PaintInProgress =
      Nudging = false;
  const std::filesystem::path home = kt58::ProgramFolder();
  LastThumbDir = home;
  LastProjectDir = home;
  LastProjSaveDir = home / "Projects";
  std::filesystem::create_directories(LastProjSaveDir);
  LastGifDir = home / "Output";
  std::filesystem::create_directories(LastGifDir);
  LastBmpDir = LastGifDir;
  move(0, 0);

  SplashProgress(QStringLiteral("Initialize Animation Engine"), 40);
  Animation = std::make_unique<kt58::TAnimation>();
  Animation->OnStatus = [this](const std::string& text) { ShowStatusMessage(text); };
  Animation->FrameCount = spFrameCount->value();
  tbPlaySpeed->SetPosition(100 - tbPlaySpeed->Position());
  Animation->DisplayCanvas = pbConstr;
  SplashProgress(QStringLiteral("Loading Settings"), 60);
  // No start-up dialog exists yet, so start-up completes with the first
  // showing.
  StartDialogOn = false;
  UpdateStatusLine();
  cbBlendType->setCurrentIndex(0);
  cbFadeMode->setCurrentIndex(0);
  cbPixRotateDir->setCurrentIndex(0);
  SplashProgress(QStringLiteral("Finalizing Settings"), 70);
  UpdateControlStates();
}

void TMainForm::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (shown_once_) return;
  shown_once_ = true;
  // Queued so that the window is on screen before the rest of start-up.
  QTimer::singleShot(0, this, [this] { FormShow(); });
}

void TMainForm::FormShow() {
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
  if (!StartDialogOn) {
    StartupComplete = true;
    LayoutChanged();
  }
}

QString TMainForm::DisplaySizeMessage(QSize screen) {
  if (screen.width() < 800 || screen.height() < 600)
    return QStringLiteral(
        "This application requires your display settings\rto be set to a minimum of 800 x 600 resolution.");
  return {};
}

QString TMainForm::ColorDepthMessage(int bits_per_pixel) {
  if (bits_per_pixel <= 8)
    return QStringLiteral(
        "Your windows display settings are set to a less than optimal\rcolor mode for this application.  The "
        "minimum recommended color\rmode is : 15/16 Bit High Color,\rhowever 24 Bit TrueColor should be used if "
        "possible.");
  return {};
}

void TMainForm::SplashProgress(const QString&, int percent) {
  if (!Splash) return;
  Splash->Progress->setValue(percent);
  Splash->repaint();
}

void TMainForm::closeEvent(QCloseEvent* e) {
  if (Animation && Animation->Playing) Animation->Playing = false;
  DisableControlEvents();
  UpdateTimer->stop();
  e->accept();
}

void TMainForm::resizeEvent(QResizeEvent* e) {
  QMainWindow::resizeEvent(e);
  FormResize();
}

void TMainForm::FormResize() {
  if (!Sizing && StartupComplete) LayoutChanged();
}

void TMainForm::Splitter1Moved() {
  SplitterToggle = !SplitterToggle;
  if (!SplitterToggle && !kt58::Ui().Terminating()) LayoutChanged();
}

void TMainForm::SetModified(bool flag) {
  Modified = flag;
  StatusPanel0->setText(flag ? QStringLiteral("Modified") : QString());
}

void TMainForm::ShowStatusMessage(const std::string& text) {
  StatusPanel0->setText(QString::fromStdString(text));
  statusBar()->repaint();
}

void TMainForm::ShowProjectName() {
  StatusPanel1->setText(QString::fromStdString(std::filesystem::path(Animation->FileName).filename().string()));
}

void TMainForm::UpdateStatusLine() {
  const kt58::TFrameSize size = Animation->GetFrameSize();
  std::string text;
  if (Animation->Frames.size() > 1)
    text = kt58::Format("Frame : %s of %s,  ", kt58::ZeroPad(Animation->CurrentFrameIndex, 3).c_str(),
                        kt58::ZeroPad(static_cast<int>(Animation->Frames.size()), 3).c_str());
  text += kt58::Format("Size : [%d x %d]", size.Width, size.Height);
  if (Animation->FixedFrameSize) text += " Fixed";
  if (Animation->Playing) text += kt58::Format("  FPS : %.2f", Fps);
  text += kt58::Format("  Max : %.2f", MaxFps);
  DataPanel->setText(QString::fromStdString(text));
}

void TMainForm::UpdateControlStates() {
  const bool playing = Animation && Animation->Playing;
  const int layers = Animation ? Animation->LayerCount() : 0;
  ProjectButton->setEnabled(!playing);
  LayerCommandsButton->setEnabled(!playing);
  spFrameCount->setEnabled(!playing);
  PromoteLayerButton->setEnabled(!playing && layers > 1);
  DemoteLayerButton->setEnabled(!playing && layers > 1);
  CopyLayer1->setEnabled(layers > 0 && !playing);
  RemoveLayer1->setEnabled(layers > 0 && !playing);
  ResetAllLayers1->setEnabled(layers > 0 && !playing);
  PromoteLayer1->setEnabled(layers > 1 && !playing);
  DemoteLayer1->setEnabled(layers > 1 && !playing);
  pc1->setTabVisible(pc1->indexOf(AnimationSheet), !playing);
  pc1->setTabVisible(pc1->indexOf(LayerSheet), layers >= 1 && !playing);
}

void TMainForm::CenterFrame() {
  const kt58::TFrameSize size = Animation->GetFrameSize();
  DrawOrigin = QPoint(pbConstr->width() / 2 - size.Width / 2, pbConstr->height() / 2 - size.Height / 2);
  update();
  kt58::ProcessPendingMessages();
}

void TMainForm::LayoutChanged() {
  if (Animation->Playing) {
    ResizePending = true;
    return;
  }
  CenterFrame();
  RequestBackgroundClear();
  StartUpdateTimer();
  OutlineSelectedLayer();
  RequestRepaint();
  AttachPaint();
  if (!kt58::Ui().Terminating()) kt58::ProcessPendingMessages();
}

void TMainForm::AddControlHandler(std::function<QMetaObject::Connection()> connect) {
  control_handlers_.push_back(std::move(connect));
  if (ControlEventsDisabled < 1) handler_connections_.push_back(control_handlers_.back()());
}

void TMainForm::DisableControlEvents() {
  ++ControlEventsDisabled;
  for (const auto& c : handler_connections_) QObject::disconnect(c);
  handler_connections_.clear();
}

void TMainForm::EnableControlEvents() {
  --ControlEventsDisabled;
  if (ControlEventsDisabled >= 1) return;
  // The counter can reach below zero after an unmatched enable; handlers are
  // never connected twice.
  for (const auto& c : handler_connections_) QObject::disconnect(c);
  handler_connections_.clear();
  for (const auto& make : control_handlers_) handler_connections_.push_back(make());
}

void TMainForm::Help1Click() {
  // The help file's name is matched without regard to case, as on the
  // file systems the program came from.
  const QDir folder(QString::fromStdString(kt58::ProgramFolder().string()));
  const QStringList found = folder.entryList({QStringLiteral("kt58Animator.Chm")}, QDir::Files | QDir::CaseSensitive);
  QStringList any = found;
  if (any.isEmpty()) {
    for (const QString& name : folder.entryList(QDir::Files))
      if (name.compare(QStringLiteral("kt58Animator.Chm"), Qt::CaseInsensitive) == 0) any << name;
  }
  if (any.isEmpty()) {
    kt58::Ui().ShowMessage("Help file missing.");
    return;
  }
  QDesktopServices::openUrl(QUrl::fromLocalFile(folder.filePath(any.first())));
}

void TMainForm::AboutMenuItemClick() {
  TAboutForm about(this);
  about.exec();
}

void TMainForm::Debug1Click() { kt58::Ui().ShowMessage(std::to_string(kt58::LivePictureCount())); }
