// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/gif_export_dialog.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMovie>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <exception>

#include "gui/dialogs/export_form_parts.h"
#include "gui/dialogs/export_part_box.h"
#include "gui/dialogs/project_dialogs.h"
#include "gui/dialogs/save_dialog.h"
#include "gui/widgets/color_combo_box.h"
#include "gui/document/document.h"
#include "gui/widgets/picture_image.h"
#include "gui/widgets/user_feedback.h"
#include "model/project.h"
#include "platform/program_folder.h"

namespace fs = std::filesystem;

namespace {

// What the user chose last in this run: the next window starts with it.
struct GifChoices {
  int palette = -1;  // index into the palette items, -1: none remembered
  int colors = -1;
  int dither = -1;
  // The command line's optimisations: the lossless ones.
  bool optimize_map = false, merge = true, crop = true, remove_passive = true, sort = false;
};
GifChoices& LastChoices() {
  static GifChoices choices;
  return choices;
}

// Raised by the frame observer to leave a build the user cancelled.
struct BuildCancelled {};

// Browsers show frames of less than this as 100 ms.
constexpr int kShortestHonouredDelayMs = 20;

QAction* RadioItem(QMenu* menu, QActionGroup* group, const QString& text, const char* name) {
  QAction* a = menu->addAction(text);
  a->setObjectName(QString::fromLatin1(name));
  a->setCheckable(true);
  group->addAction(a);
  return a;
}

}  // namespace

GifExportDialog::GifExportDialog(Document& document, QWidget* parent)
    : QDialog(parent), document_(document), save_folder_(kt58::ProgramFolder()) {
  setObjectName(QStringLiteral("BmpsToGifForm"));
  setWindowTitle(tr("Convert to GIF..."));
  setMinimumSize(415, 270);
  buildMenus();
  buildLayout();
  restoreChoices();
  // Large enough to show the frame whole, up to most of the screen (the
  // preview scales a larger one down).
  kt58::app::FitAndCentre(this);
  if (const QScreen* screen = this->screen()) {
    const QRect available = screen->availableGeometry();
    const kt58::FrameSize frame = document_.project().GetFrameSize();
    const QSize room = size() - previewFrame_->size();
    const QSize wanted = QSize(frame.Width, frame.Height)
                             .boundedTo(available.size() * 4 / 5 - room)
                             .expandedTo(previewFrame_->minimumSize());
    resize((room + wanted + QSize(16, 16)).expandedTo(size()).boundedTo(available.size()));
    move(available.center() - rect().center());
  }
  // Every change of a choice builds again.
  for (QCheckBox* box : {transparentCheck_, optimizeColorMapCheck_, mergeCheck_, cropCheck_, removePassiveCheck_,
                         sortColorsCheck_})
    connect(box, &QCheckBox::toggled, this, &GifExportDialog::requestBuild);
  for (QSpinBox* spin : {frameDelaySpin_, lossySpin_})
    connect(spin, &QSpinBox::valueChanged, this, &GifExportDialog::requestBuild);
  connect(partBox_, &ExportPartBox::changed, this, &GifExportDialog::requestBuild);
}

GifExportDialog::~GifExportDialog() { stopPreview(); }

void GifExportDialog::ForgetChoices() { LastChoices() = GifChoices{}; }

void GifExportDialog::buildMenus() {
  menuBar_ = new QMenuBar(this);
  menuBar_->setObjectName(QStringLiteral("MainMenu"));
  QMenu* file = menuBar_->addMenu(tr("&File"));
  saveGifAction_ = file->addAction(tr("Save Gif"));
  saveGifAction_->setObjectName(QStringLiteral("SaveGif1"));
  exitAction_ = file->addAction(tr("E&xit"));
  exitAction_->setObjectName(QStringLiteral("Exit1"));
  exitAction_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_X));
  connect(saveGifAction_, &QAction::triggered, this, &GifExportDialog::saveGif);
  connect(exitAction_, &QAction::triggered, this, &GifExportDialog::reject);

  paletteMenu_ = menuBar_->addMenu(tr("&Palette"));
  paletteMenu_->setObjectName(QStringLiteral("MenuPalette"));
  palette_group_ = new QActionGroup(this);
  globalAction_ = RadioItem(paletteMenu_, palette_group_, tr("&Whole animation (one palette)"), "MenuPaletteGlobal");
  netscape216Action_ = RadioItem(paletteMenu_, palette_group_, tr("N&etscape (216 colors)"),
                                     "MenuPaletteNetscape216");
  monochromeAction_ = RadioItem(paletteMenu_, palette_group_, tr("&Monochrome (black/white)"),
                                    "MenuPaletteMonochrome");
  grayScale256Action_ = RadioItem(paletteMenu_, palette_group_, tr("&Grayscale (256 shades)"),
                                      "MenuPaletteGrayScale256");
  windowsGray4Action_ = RadioItem(paletteMenu_, palette_group_, tr("W&in&dows grayscale (4 colors)"),
                                      "MenuPaletteWindowsGray4");
  windows20Action_ = RadioItem(paletteMenu_, palette_group_, tr("&Windows system (20 colors)"),
                                   "MenuPaletteWindows20");
  optimizedColorsMenu_ = paletteMenu_->addMenu(tr("&Optimized..."));
  optimizedColorsMenu_->setObjectName(QStringLiteral("MenuPaletteOptimizedColors"));
  optimizedAction_ = optimizedColorsMenu_->menuAction();
  optimizedAction_->setObjectName(QStringLiteral("MenuPaletteOptimized"));
  optimizedAction_->setCheckable(true);
  palette_group_->addAction(optimizedAction_);
  optimizedWindows256Action_ = RadioItem(
      paletteMenu_, palette_group_, tr("&Optimized Windows (256 colors)"), "MenuPaletteOptimizedWindows256");
  colors_group_ = new QActionGroup(this);
  for (int bits = 3; bits <= 8; ++bits) {
    QAction* count = RadioItem(optimizedColorsMenu_, colors_group_, tr("%1 colors").arg(1 << bits),
                               QStringLiteral("MenuPaletteOptimized%1").arg(1 << bits).toLatin1().constData());
    count->setData(bits);
    count->setChecked(bits == 8);
    connect(count, &QAction::triggered, this, [this, bits] {
      reduction_bits_ = bits;
      optimizedAction_->setChecked(true);
    });
  }
  // Opening the colour counts counts as choosing the optimised palette.
  connect(optimizedColorsMenu_, &QMenu::aboutToShow, this, [this] { optimizedAction_->setChecked(true); });

  ditheringMenu_ = menuBar_->addMenu(tr("&Dithering"));
  ditheringMenu_->setObjectName(QStringLiteral("MenuDithering"));
  dither_group_ = new QActionGroup(this);
  floydSteinbergAction_ =
      RadioItem(ditheringMenu_, dither_group_, tr("&Error Diffusion"), "MenuDitheringFloydSteinberg");
  stuckiAction_ = RadioItem(ditheringMenu_, dither_group_, tr("&Stucki"), "MenuDitheringStucki");
  sierraAction_ = RadioItem(ditheringMenu_, dither_group_, tr("S&ierra"), "MenuDitheringSierra");
  burkesAction_ = RadioItem(ditheringMenu_, dither_group_, tr("&Burkes"), "MenuDitheringBurkes");
  nearestColorAction_ =
      RadioItem(ditheringMenu_, dither_group_, tr("&Nearest color"), "MenuDitheringNearest");
  globalAction_->setChecked(true);
  nearestColorAction_->setChecked(true);
  // Every choice builds again.
  for (QActionGroup* group : {palette_group_, colors_group_, dither_group_})
    connect(group, &QActionGroup::triggered, this, &GifExportDialog::requestBuild);
}

void GifExportDialog::buildLayout() {
  auto* outer = new QHBoxLayout(this);
  outer->setMenuBar(menuBar_);

  previewFrame_ = new QFrame(this);
  previewFrame_->setObjectName(QStringLiteral("GifPanel"));
  previewFrame_->setFrameShape(QFrame::StyledPanel);
  previewFrame_->setAutoFillBackground(true);
  QPalette background = previewFrame_->palette();
  background.setColor(QPalette::Window, kt58::controls::ToQColor(document_.project().BackgroundColor));
  previewFrame_->setPalette(background);
  previewFrame_->setMinimumSize(160, 120);
  auto* panel_layout = new QVBoxLayout(previewFrame_);
  previewImage_ = new QLabel(previewFrame_);
  previewImage_->setObjectName(QStringLiteral("gfImage"));
  previewImage_->setAlignment(Qt::AlignCenter);
  panel_layout->addWidget(previewImage_);
  outer->addWidget(previewFrame_, 1);

  auto* side = new QVBoxLayout;
  frameDelayLabel_ = new QLabel(tr("Frame delay (milliseconds)"), this);
  frameDelayLabel_->setObjectName(QStringLiteral("Label1"));
  frameDelaySpin_ = new QSpinBox(this);
  frameDelaySpin_->setObjectName(QStringLiteral("spFrameDelay"));
  frameDelaySpin_->setRange(10, 1000);
  frameDelaySpin_->setValue(100);
  delayWarningLabel_ = new QLabel(tr("Browsers play under 20 ms as 100 ms"), this);
  delayWarningLabel_->setObjectName(QStringLiteral("DelayWarningLabel"));
  delayWarningLabel_->setVisible(false);
  connect(frameDelaySpin_, &QSpinBox::valueChanged, this,
          [this](int ms) { delayWarningLabel_->setVisible(ms < kShortestHonouredDelayMs); });
  generateButton_ = new QPushButton(tr("Re-Generate"), this);
  generateButton_->setObjectName(QStringLiteral("GenerateButton"));
  generateButton_->setAutoDefault(false);
  connect(generateButton_, &QPushButton::clicked, this, &GifExportDialog::generate);
  const kt58::FrameSize frame = document_.project().GetFrameSize();
  partBox_ = new ExportPartBox(document_.sequence().Count(), frame.Width, frame.Height, true, this);
  lossyLabel_ = new QLabel(tr("Lossy compression (0 - 100)"), this);
  lossyLabel_->setObjectName(QStringLiteral("LossyLabel"));
  lossySpin_ = new QSpinBox(this);
  lossySpin_->setObjectName(QStringLiteral("spLossy"));
  lossySpin_->setRange(0, kt58::kMaxLossy);
  lossySpin_->setSpecialValueText(tr("Off"));
  lossyLabel_->setBuddy(lossySpin_);
  transparentCheck_ = new QCheckBox(tr("Transparent background"), this);
  transparentCheck_->setObjectName(QStringLiteral("cbTransparent"));
  optimizationsLabel_ = kt58::app::BoldLabel(tr("Optimizations"), this);
  optimizationsLabel_->setObjectName(QStringLiteral("Label2"));
  auto box = [this](const QString& text, const char* name) {
    auto* b = new QCheckBox(text, this);
    b->setObjectName(QString::fromLatin1(name));
    return b;
  };
  optimizeColorMapCheck_ = box(tr("Optimize to single color map"), "cbOptimizeColorMap");
  mergeCheck_ = box(tr("Merge similar frames"), "cbMerge");
  cropCheck_ = box(tr("Crop unused transparent areas"), "cbCrop");
  removePassiveCheck_ = box(tr("Remove passive extensions"), "cbRemovePassive");
  sortColorsCheck_ = box(tr("Sort color maps"), "cbSortColors");
  fileSizeLabel_ = new QLabel(tr("File Size : "), this);
  fileSizeLabel_->setObjectName(QStringLiteral("FileSizeLabel"));
  fileSizeLabel_->setVisible(false);
  optimizingLabel_ = new QLabel(tr("Progress :"), this);
  optimizingLabel_->setObjectName(QStringLiteral("OptimizingLabel"));
  optimizingLabel_->setVisible(false);
  progressBar_ = new QProgressBar(this);
  progressBar_->setObjectName(QStringLiteral("Progress"));
  progressBar_->setRange(0, 100);
  progressBar_->setValue(0);
  cancelButton_ = new QPushButton(tr("Cancel"), this);
  cancelButton_->setObjectName(QStringLiteral("CancelButton"));
  cancelButton_->setAutoDefault(false);
  cancelButton_->setVisible(false);
  connect(cancelButton_, &QPushButton::clicked, this, [this] { cancel_requested_ = true; });

  // The lines that come and go keep their room, so that the window is
  // sized for them from the start and nothing moves when they appear.
  for (QWidget* w : std::initializer_list<QWidget*>{delayWarningLabel_, fileSizeLabel_, optimizingLabel_, cancelButton_}) {
    QSizePolicy keep = w->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    w->setSizePolicy(keep);
  }
  for (QWidget* w : std::initializer_list<QWidget*>{frameDelayLabel_, frameDelaySpin_, delayWarningLabel_, partBox_, lossyLabel_, lossySpin_,
                                                    transparentCheck_, generateButton_, optimizationsLabel_,
                                                    optimizeColorMapCheck_, mergeCheck_, cropCheck_, removePassiveCheck_,
                                                    sortColorsCheck_, fileSizeLabel_, optimizingLabel_, progressBar_,
                                                    cancelButton_})
    side->addWidget(w);
  side->addStretch(1);
  outer->addLayout(side);
}

kt58::ColorReduction GifExportDialog::colorReductionCode(PaletteChoice choice) {
  switch (choice) {
    case PaletteChoice::Global: return kt58::rmGlobal;
    case PaletteChoice::Netscape216: return kt58::rmNetscape;
    case PaletteChoice::Monochrome: return kt58::rmMonochrome;
    case PaletteChoice::GrayScale256: return kt58::rmGrayScale;
    case PaletteChoice::WindowsGray4: return kt58::rmWindowsGray;
    case PaletteChoice::Windows20: return kt58::rmWindows20;
    case PaletteChoice::Optimized: return kt58::rmQuantize;
    case PaletteChoice::OptimizedWindows256: return kt58::rmQuantizeWindows;
  }
  return kt58::rmQuantizeWindows;
}

kt58::DitherMode GifExportDialog::ditherCode(DitherChoice choice) {
  switch (choice) {
    case DitherChoice::Nearest: return kt58::dmNearest;
    case DitherChoice::FloydSteinberg: return kt58::dmFloydSteinberg;
    case DitherChoice::Stucki: return kt58::dmStucki;
    case DitherChoice::Sierra: return kt58::dmSierra;
    case DitherChoice::Burkes: return kt58::dmBurkes;
  }
  return kt58::dmNearest;
}

kt58::GifExportOptions GifExportDialog::readOptions() {
  // The first checked item of the table order wins; none checked is the
  // optimised Windows palette.
  const std::pair<QAction*, PaletteChoice> palettes[] = {
      {globalAction_, PaletteChoice::Global},
      {netscape216Action_, PaletteChoice::Netscape216},   {monochromeAction_, PaletteChoice::Monochrome},
      {grayScale256Action_, PaletteChoice::GrayScale256}, {windowsGray4Action_, PaletteChoice::WindowsGray4},
      {windows20Action_, PaletteChoice::Windows20},       {optimizedAction_, PaletteChoice::Optimized},
      {optimizedWindows256Action_, PaletteChoice::OptimizedWindows256}};
  PaletteChoice palette = PaletteChoice::OptimizedWindows256;
  for (const auto& [item, choice] : palettes)
    if (item->isChecked()) {
      palette = choice;
      break;
    }
  const std::pair<QAction*, DitherChoice> dithers[] = {{floydSteinbergAction_, DitherChoice::FloydSteinberg},
                                                       {stuckiAction_, DitherChoice::Stucki},
                                                       {sierraAction_, DitherChoice::Sierra},
                                                       {burkesAction_, DitherChoice::Burkes},
                                                       {nearestColorAction_, DitherChoice::Nearest}};
  for (const auto& [item, choice] : dithers)
    if (item->isChecked()) {
      dither_ = choice;
      break;
    }
  kt58::GifExportOptions o;
  o.FrameDelayMs = frameDelaySpin_->value();
  o.ColorReduction = colorReductionCode(palette);
  o.ReductionBits = reduction_bits_;
  o.DitherMode = ditherCode(dither_);
  o.OptimizeColorMap = optimizeColorMapCheck_->isChecked();
  o.Merge = mergeCheck_->isChecked();
  o.Crop = cropCheck_->isChecked();
  o.RemovePassive = removePassiveCheck_->isChecked();
  o.SortColors = sortColorsCheck_->isChecked();
  o.Frames = partBox_->range();
  o.Size = partBox_->size();
  o.Plays = partBox_->plays();
  // The dictionary encoder, as the command line writes: smaller files, and
  // the only one that can reuse a near match.
  o.Lossy = lossySpin_->value();
  o.Compression = kt58::gcLZW;
  o.Transparent = transparentCheck_->isChecked();
  return o;
}

QSize GifExportDialog::previewSize(QSize picture) const {
  const QSize room = previewImage_->contentsRect().size();
  if (picture.width() <= room.width() && picture.height() <= room.height()) return picture;
  return picture.scaled(room, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

void GifExportDialog::showFrame(const kt58::Picture& frame) {
  const QImage shown = PictureImage(frame);
  if (shown.isNull()) return;
  const QSize fitted = previewSize(shown.size());
  previewImage_->setPixmap(QPixmap::fromImage(
      fitted == shown.size() ? shown : shown.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
  previewImage_->repaint();
}

void GifExportDialog::stopPreview() {
  previewImage_->setMovie(nullptr);
  previewImage_->clear();
  delete movie_;
  movie_ = nullptr;
}

std::unique_ptr<kt58::BuiltGif> GifExportDialog::buildPass(int generation) {
  const BusyCursor busy;
  previewFrame_->setUpdatesEnabled(false);
  const kt58::GifExportOptions options = readOptions();
  built_dither_ = options.DitherMode;
  stopPreview();
  progressBar_->setMaximum(std::max(1, partBox_->chosenCount()));
  progressBar_->setValue(0);
  std::unique_ptr<kt58::BuiltGif> image;
  try {
    image = kt58::BuildAnimatedGif(document_.project(), document_.sequence(), options,
                                   [this, generation](int index, int, const kt58::Picture& frame) {
                                     showFrame(frame);
                                     progressBar_->setValue(index + 1);
                                     repaint();
                                     // The window stays live during a build: Cancel, or a
                                     // changed choice, which starts a newer build.
                                     QCoreApplication::processEvents();
                                     if (cancel_requested_ || generation != generation_) throw BuildCancelled{};
                                   });
  } catch (const BuildCancelled&) {
    image.reset();
  } catch (const std::exception& e) {
    image.reset();
    showMessage(e.what());
  }
  previewFrame_->setUpdatesEnabled(true);
  repaint();
  return image;
}

void GifExportDialog::requestBuild() {
  if (build_requested_) return;
  build_requested_ = true;
  QTimer::singleShot(0, this, [this] {
    build_requested_ = false;
    if (isVisible()) generate();
  });
}

void GifExportDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  requestBuild();
}

void GifExportDialog::generate() {
  const int generation = ++generation_;
  ++builds_running_;
  cancel_requested_ = false;
  stopPreview();
  built_.reset();
  cancelButton_->setVisible(true);
  optimizingLabel_->setVisible(true);
  fileSizeLabel_->setVisible(false);
  optimizingLabel_->setText(tr("Pass 1"));
  const auto superseded = [&] { return generation != generation_; };
  std::unique_ptr<kt58::BuiltGif> image = buildPass(generation);
  if (image && !cancel_requested_ && !superseded()) {
    if (!appTerminating()) processPendingEvents();
    image.reset();  // one built file at a time
    if (!cancel_requested_ && !superseded()) {
      optimizingLabel_->setText(tr("Pass 2"));
      image = buildPass(generation);
    }
  }
  --builds_running_;
  // A newer build ran inside this one's events and owns the window now.
  if (superseded()) {
    closeIfAsked();
    return;
  }
  if (image && !cancel_requested_) {
    optimizingLabel_->setText(tr("Reading..."));
    fileSizeLabel_->setText(QString::fromStdString(kt58::GifFileSizeText(image->FileSize())));
    fileSizeLabel_->setVisible(true);
    built_ = std::move(image);
    // The preview decodes the file that will be saved, scaled to the area.
    movie_ = new QMovie(kt58::app::FromPath(built_->Path()), QByteArray("gif"), this);
    const QSize frame = QImageReader(kt58::app::FromPath(built_->Path()), QByteArray("gif")).size();
    if (!frame.isEmpty() && previewSize(frame) != frame) movie_->setScaledSize(previewSize(frame));
    previewImage_->setMovie(movie_);
    movie_->start();
    optimizingLabel_->setText(tr("Playing..."));
  }
  if (!built_) optimizingLabel_->setText(cancel_requested_ ? tr("Cancelled") : tr("Progress :"));
  progressBar_->setValue(0);
  cancelButton_->setVisible(false);
  rememberChoices();
  closeIfAsked();
}

void GifExportDialog::closeIfAsked() {
  if (!close_asked_ || Building()) return;
  close_asked_ = false;
  reject();
}

QString GifExportDialog::proposedFileName() const {
  const fs::path project = kt58::app::ToPath(document_.FileName());
  return kt58::app::FromPath(project.filename().replace_extension()) + QStringLiteral(".gif");
}

void GifExportDialog::saveGif() {
  const fs::path path = kt58::app::AskSaveFileName(this, QString(), save_folder_, QStringLiteral("Gif"),
                                                   {tr("Animated Gif file (*.gif)")}, proposedFileName());
  if (path.empty()) return;
  save_folder_ = path.parent_path();
  if (!built_) return;
  try {
    built_->SaveAs(path);
  } catch (const std::exception& e) {
    showMessage(e.what());
  }
}

void GifExportDialog::reject() {
  // Closing during a build stops it first; the window closes afterwards.
  if (Building()) {
    cancel_requested_ = true;
    close_asked_ = true;
    return;
  }
  rememberChoices();
  stopPreview();
  built_.reset();
  QDialog::reject();
}

void GifExportDialog::rememberChoices() const {
  GifChoices& c = LastChoices();
  c.palette = palette_group_->actions().indexOf(palette_group_->checkedAction());
  c.colors = colors_group_->actions().indexOf(colors_group_->checkedAction());
  c.dither = dither_group_->actions().indexOf(dither_group_->checkedAction());
  c.optimize_map = optimizeColorMapCheck_->isChecked();
  c.merge = mergeCheck_->isChecked();
  c.crop = cropCheck_->isChecked();
  c.remove_passive = removePassiveCheck_->isChecked();
  c.sort = sortColorsCheck_->isChecked();
}

void GifExportDialog::restoreChoices() {
  const GifChoices& c = LastChoices();
  auto check = [](QActionGroup* group, int index) {
    if (index >= 0 && index < group->actions().size()) group->actions().at(index)->setChecked(true);
  };
  check(palette_group_, c.palette);
  check(colors_group_, c.colors);
  if (QAction* colors = colors_group_->checkedAction()) reduction_bits_ = colors->data().toInt();
  check(dither_group_, c.dither);
  optimizeColorMapCheck_->setChecked(c.optimize_map);
  mergeCheck_->setChecked(c.merge);
  cropCheck_->setChecked(c.crop);
  removePassiveCheck_->setChecked(c.remove_passive);
  sortColorsCheck_->setChecked(c.sort);
}
