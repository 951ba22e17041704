// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/gif_export_dialog.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMovie>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>
#include <exception>

#include "gui/dialogs/export_form_parts.h"
#include "gui/dialogs/project_dialogs.h"
#include "gui/dialogs/save_dialog.h"
#include "gui/widgets/color_combo_box.h"
#include "gui/document/document.h"
#include "gui/widgets/picture_image.h"
#include "engine/ui_services.h"
#include "model/animation.h"
#include "platform/program_folder.h"

namespace fs = std::filesystem;

namespace {

// What the user chose last in this run: the next window starts with it.
struct GifChoices {
  int palette = -1;  // index into the palette items, -1: none remembered
  int colors = -1;
  int dither = -1;
  bool optimize_map = false, merge = false, crop = false, remove_passive = false, sort = false;
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
  setWindowTitle(QStringLiteral("Convert to GIF..."));
  setMinimumSize(415, 270);
  BuildMenus();
  BuildLayout();
  RestoreChoices();
  kt58::app::FitAndCentre(this);
}

GifExportDialog::~GifExportDialog() { StopPreview(); }

void GifExportDialog::BuildMenus() {
  MainMenu = new QMenuBar(this);
  MainMenu->setObjectName(QStringLiteral("MainMenu"));
  QMenu* file = MainMenu->addMenu(QStringLiteral("&File"));
  SaveGif1 = file->addAction(QStringLiteral("Save Gif"));
  SaveGif1->setObjectName(QStringLiteral("SaveGif1"));
  Exit1 = file->addAction(QStringLiteral("E&xit"));
  Exit1->setObjectName(QStringLiteral("Exit1"));
  Exit1->setShortcut(QKeySequence(Qt::ALT | Qt::Key_X));
  connect(SaveGif1, &QAction::triggered, this, &GifExportDialog::SaveGif1Click);
  connect(Exit1, &QAction::triggered, this, &GifExportDialog::reject);

  MenuPalette = MainMenu->addMenu(QStringLiteral("&Palette"));
  MenuPalette->setObjectName(QStringLiteral("MenuPalette"));
  palette_group_ = new QActionGroup(this);
  MenuPaletteNetscape216 = RadioItem(MenuPalette, palette_group_, QStringLiteral("N&etscape (216 colors)"),
                                     "MenuPaletteNetscape216");
  MenuPaletteMonochrome = RadioItem(MenuPalette, palette_group_, QStringLiteral("&Monochrome (black/white)"),
                                    "MenuPaletteMonochrome");
  MenuPaletteGrayScale256 = RadioItem(MenuPalette, palette_group_, QStringLiteral("&Grayscale (256 shades)"),
                                      "MenuPaletteGrayScale256");
  MenuPaletteWindowsGray4 = RadioItem(MenuPalette, palette_group_, QStringLiteral("W&in&dows grayscale (4 colors)"),
                                      "MenuPaletteWindowsGray4");
  MenuPaletteWindows20 = RadioItem(MenuPalette, palette_group_, QStringLiteral("&Windows system (20 colors)"),
                                   "MenuPaletteWindows20");
  MenuPaletteOptimizedColors = MenuPalette->addMenu(QStringLiteral("&Optimized..."));
  MenuPaletteOptimizedColors->setObjectName(QStringLiteral("MenuPaletteOptimizedColors"));
  MenuPaletteOptimized = MenuPaletteOptimizedColors->menuAction();
  MenuPaletteOptimized->setObjectName(QStringLiteral("MenuPaletteOptimized"));
  MenuPaletteOptimized->setCheckable(true);
  palette_group_->addAction(MenuPaletteOptimized);
  MenuPaletteOptimizedWindows256 = RadioItem(
      MenuPalette, palette_group_, QStringLiteral("&Optimized Windows (256 colors)"), "MenuPaletteOptimizedWindows256");
  colors_group_ = new QActionGroup(this);
  for (int bits = 3; bits <= 8; ++bits) {
    QAction* count = RadioItem(MenuPaletteOptimizedColors, colors_group_, QStringLiteral("%1 colors").arg(1 << bits),
                               QStringLiteral("MenuPaletteOptimized%1").arg(1 << bits).toLatin1().constData());
    count->setData(bits);
    count->setChecked(bits == 8);
    connect(count, &QAction::triggered, this, [this, bits] {
      reduction_bits_ = bits;
      MenuPaletteOptimized->setChecked(true);
    });
  }
  // Opening the colour counts counts as choosing the optimised palette.
  connect(MenuPaletteOptimizedColors, &QMenu::aboutToShow, this, [this] { MenuPaletteOptimized->setChecked(true); });

  MenuDithering = MainMenu->addMenu(QStringLiteral("&Dithering"));
  MenuDithering->setObjectName(QStringLiteral("MenuDithering"));
  dither_group_ = new QActionGroup(this);
  MenuDitheringFloydSteinberg =
      RadioItem(MenuDithering, dither_group_, QStringLiteral("&Error Diffusion"), "MenuDitheringFloydSteinberg");
  MenuDitheringStucki = RadioItem(MenuDithering, dither_group_, QStringLiteral("&Stucki"), "MenuDitheringStucki");
  MenuDitheringSierra = RadioItem(MenuDithering, dither_group_, QStringLiteral("S&ierra"), "MenuDitheringSierra");
  MenuDitheringBurkes = RadioItem(MenuDithering, dither_group_, QStringLiteral("&Burkes"), "MenuDitheringBurkes");
  MenuDitheringNearest =
      RadioItem(MenuDithering, dither_group_, QStringLiteral("&Nearest color"), "MenuDitheringNearest");
  MenuPaletteOptimized->setChecked(true);
  MenuDitheringNearest->setChecked(true);
}

void GifExportDialog::BuildLayout() {
  auto* outer = new QHBoxLayout(this);
  outer->setMenuBar(MainMenu);

  GifPanel = new QFrame(this);
  GifPanel->setObjectName(QStringLiteral("GifPanel"));
  GifPanel->setFrameShape(QFrame::StyledPanel);
  GifPanel->setAutoFillBackground(true);
  QPalette background = GifPanel->palette();
  background.setColor(QPalette::Window, kt58::controls::ToQColor(document_.Animation().BackgroundColor));
  GifPanel->setPalette(background);
  GifPanel->setMinimumSize(160, 120);
  auto* panel_layout = new QVBoxLayout(GifPanel);
  gfImage = new QLabel(GifPanel);
  gfImage->setObjectName(QStringLiteral("gfImage"));
  gfImage->setAlignment(Qt::AlignCenter);
  panel_layout->addWidget(gfImage);
  outer->addWidget(GifPanel, 1);

  auto* side = new QVBoxLayout;
  Label1 = new QLabel(QStringLiteral("Frame delay (milliseconds)"), this);
  spFrameDelay = new QSpinBox(this);
  spFrameDelay->setObjectName(QStringLiteral("spFrameDelay"));
  spFrameDelay->setRange(10, 1000);
  spFrameDelay->setValue(100);
  DelayWarningLabel = new QLabel(QStringLiteral("Browsers play under 20 ms as 100 ms"), this);
  DelayWarningLabel->setObjectName(QStringLiteral("DelayWarningLabel"));
  DelayWarningLabel->setVisible(false);
  connect(spFrameDelay, &QSpinBox::valueChanged, this,
          [this](int ms) { DelayWarningLabel->setVisible(ms < kShortestHonouredDelayMs); });
  GenerateButton = new QPushButton(QStringLiteral("Re-Generate"), this);
  GenerateButton->setObjectName(QStringLiteral("GenerateButton"));
  GenerateButton->setAutoDefault(false);
  connect(GenerateButton, &QPushButton::clicked, this, &GifExportDialog::Generate1Click);
  Label2 = kt58::app::BoldLabel(QStringLiteral("Optimizations"), this);
  auto box = [this](const QString& text, const char* name) {
    auto* b = new QCheckBox(text, this);
    b->setObjectName(QString::fromLatin1(name));
    return b;
  };
  cbOptimizeColorMap = box(QStringLiteral("Optimize to single color map"), "cbOptimizeColorMap");
  cbMerge = box(QStringLiteral("Merge similar frames"), "cbMerge");
  cbCrop = box(QStringLiteral("Crop unused transparent areas"), "cbCrop");
  cbRemovePassive = box(QStringLiteral("Remove passive extensions"), "cbRemovePassive");
  cbSortColors = box(QStringLiteral("Sort color maps"), "cbSortColors");
  FileSizeLabel = new QLabel(QStringLiteral("File Size : "), this);
  FileSizeLabel->setObjectName(QStringLiteral("FileSizeLabel"));
  FileSizeLabel->setVisible(false);
  OptimizingLabel = new QLabel(QStringLiteral("Progress :"), this);
  OptimizingLabel->setObjectName(QStringLiteral("OptimizingLabel"));
  OptimizingLabel->setVisible(false);
  Progress = new QProgressBar(this);
  Progress->setObjectName(QStringLiteral("Progress"));
  Progress->setRange(0, 100);
  Progress->setValue(0);
  CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
  CancelButton->setObjectName(QStringLiteral("CancelButton"));
  CancelButton->setAutoDefault(false);
  CancelButton->setVisible(false);
  connect(CancelButton, &QPushButton::clicked, this, [this] { cancel_requested_ = true; });

  // The lines that come and go keep their room, so that the window is
  // sized for them from the start and nothing moves when they appear.
  for (QWidget* w : std::initializer_list<QWidget*>{DelayWarningLabel, FileSizeLabel, OptimizingLabel, CancelButton}) {
    QSizePolicy keep = w->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    w->setSizePolicy(keep);
  }
  for (QWidget* w : std::initializer_list<QWidget*>{Label1, spFrameDelay, DelayWarningLabel, GenerateButton, Label2,
                                                    cbOptimizeColorMap, cbMerge, cbCrop, cbRemovePassive,
                                                    cbSortColors, FileSizeLabel, OptimizingLabel, Progress,
                                                    CancelButton})
    side->addWidget(w);
  side->addStretch(1);
  outer->addLayout(side);
}

kt58::GifExportOptions GifExportDialog::ReadOptions() {
  // The first checked item of the table order wins; none checked is 8.
  const std::pair<QAction*, uint8_t> palettes[] = {
      {MenuPaletteNetscape216, 6}, {MenuPaletteMonochrome, 4},     {MenuPaletteGrayScale256, 5},
      {MenuPaletteWindowsGray4, 3}, {MenuPaletteWindows20, 1},     {MenuPaletteOptimized, 7},
      {MenuPaletteOptimizedWindows256, 8}};
  color_reduction_ = 8;
  for (const auto& [item, code] : palettes)
    if (item->isChecked()) {
      color_reduction_ = code;
      break;
    }
  const std::pair<QAction*, uint8_t> dithers[] = {{MenuDitheringFloydSteinberg, 1},
                                                  {MenuDitheringStucki, 2},
                                                  {MenuDitheringSierra, 3},
                                                  {MenuDitheringBurkes, 6},
                                                  {MenuDitheringNearest, 0}};
  // With none checked the code stays as it was.
  for (const auto& [item, code] : dithers)
    if (item->isChecked()) {
      dither_ = code;
      break;
    }
  kt58::GifExportOptions o;
  o.FrameDelayMs = spFrameDelay->value();
  o.ColorReduction = color_reduction_;
  o.ReductionBits = reduction_bits_;
  o.DitherMode = dither_;
  o.OptimizeColorMap = cbOptimizeColorMap->isChecked();
  o.Merge = cbMerge->isChecked();
  o.Crop = cbCrop->isChecked();
  o.RemovePassive = cbRemovePassive->isChecked();
  o.SortColors = cbSortColors->isChecked();
  return o;
}

void GifExportDialog::ShowFrame(const kt58::Picture& frame) {
  const QImage shown = PictureImage(frame);
  if (shown.isNull()) return;
  gfImage->setPixmap(QPixmap::fromImage(shown));
  gfImage->repaint();
}

void GifExportDialog::StopPreview() {
  gfImage->setMovie(nullptr);
  gfImage->clear();
  delete movie_;
  movie_ = nullptr;
}

std::unique_ptr<kt58::BuiltGif> GifExportDialog::BuildPass() {
  const kt58::BusyCursor busy;
  GifPanel->setUpdatesEnabled(false);
  const kt58::GifExportOptions options = ReadOptions();
  built_dither_ = options.DitherMode;
  StopPreview();
  kt58::TAnimation& a = document_.Animation();
  Progress->setMaximum(std::max(1, static_cast<int>(a.Frames.size())));
  std::unique_ptr<kt58::BuiltGif> image;
  try {
    image = kt58::BuildAnimatedGif(a, options, [this](int index, int, const kt58::Picture& frame) {
      ShowFrame(frame);
      Progress->setValue(index);
      repaint();
      // Only the Cancel button is live during a build (the rest is
      // disabled), so the user can stop a long one.
      QCoreApplication::processEvents();
      if (cancel_requested_) throw BuildCancelled{};
    });
  } catch (const BuildCancelled&) {
    image.reset();
  } catch (const std::exception& e) {
    image.reset();
    kt58::Ui().ShowMessage(e.what());
  }
  Progress->setValue(0);
  GifPanel->setUpdatesEnabled(true);
  repaint();
  return image;
}

void GifExportDialog::Generate1Click() {
  if (building_) return;
  building_ = true;
  cancel_requested_ = false;
  StopPreview();
  built_.reset();
  MainMenu->setEnabled(false);
  GenerateButton->setEnabled(false);
  CancelButton->setVisible(true);
  OptimizingLabel->setVisible(true);
  OptimizingLabel->setText(QStringLiteral("Pass 1"));
  std::unique_ptr<kt58::BuiltGif> image = BuildPass();
  if (image && !cancel_requested_) {
    if (!kt58::Ui().Terminating()) kt58::ProcessPendingMessages();
    OptimizingLabel->setText(QStringLiteral("Pass 2"));
    image.reset();  // one built file at a time
    if (!cancel_requested_) image = BuildPass();
  }
  if (image && !cancel_requested_) {
    OptimizingLabel->setText(QStringLiteral("Reading..."));
    FileSizeLabel->setText(QString::fromStdString(kt58::GifFileSizeText(image->FileSize())));
    FileSizeLabel->setVisible(true);
    built_ = std::move(image);
    // The preview decodes the file that will be saved.
    movie_ = new QMovie(kt58::app::FromPath(built_->Path()), QByteArray("gif"), this);
    gfImage->setMovie(movie_);
    movie_->start();
    OptimizingLabel->setText(QStringLiteral("Playing..."));
  }
  if (!built_) OptimizingLabel->setText(cancel_requested_ ? QStringLiteral("Cancelled") : QStringLiteral("Progress :"));
  CancelButton->setVisible(false);
  GenerateButton->setEnabled(true);
  MainMenu->setEnabled(true);
  building_ = false;
  RememberChoices();
}

QString GifExportDialog::ProposedFileName() const {
  const fs::path project = document_.Animation().FileName;
  return kt58::app::FromPath(project.filename().replace_extension()) + QStringLiteral(".Gif");
}

void GifExportDialog::SaveGif1Click() {
  const fs::path path = kt58::app::AskSaveFileName(this, QString(), save_folder_, QStringLiteral("Gif"),
                                                   {QStringLiteral("Animated Gif file (*.gif)")}, ProposedFileName());
  if (path.empty()) return;
  save_folder_ = path.parent_path();
  if (!built_) return;
  try {
    built_->SaveAs(path);
  } catch (const std::exception& e) {
    kt58::Ui().ShowMessage(e.what());
  }
}

void GifExportDialog::reject() {
  // Closing during a build stops it first; the window closes afterwards.
  if (building_) {
    cancel_requested_ = true;
    return;
  }
  RememberChoices();
  StopPreview();
  built_.reset();
  QDialog::reject();
}

void GifExportDialog::RememberChoices() const {
  GifChoices& c = LastChoices();
  c.palette = palette_group_->actions().indexOf(palette_group_->checkedAction());
  c.colors = colors_group_->actions().indexOf(colors_group_->checkedAction());
  c.dither = dither_group_->actions().indexOf(dither_group_->checkedAction());
  c.optimize_map = cbOptimizeColorMap->isChecked();
  c.merge = cbMerge->isChecked();
  c.crop = cbCrop->isChecked();
  c.remove_passive = cbRemovePassive->isChecked();
  c.sort = cbSortColors->isChecked();
}

void GifExportDialog::RestoreChoices() {
  const GifChoices& c = LastChoices();
  auto check = [](QActionGroup* group, int index) {
    if (index >= 0 && index < group->actions().size()) group->actions().at(index)->setChecked(true);
  };
  check(palette_group_, c.palette);
  check(colors_group_, c.colors);
  if (QAction* colors = colors_group_->checkedAction()) reduction_bits_ = colors->data().toInt();
  check(dither_group_, c.dither);
  cbOptimizeColorMap->setChecked(c.optimize_map);
  cbMerge->setChecked(c.merge);
  cbCrop->setChecked(c.crop);
  cbRemovePassive->setChecked(c.remove_passive);
  cbSortColors->setChecked(c.sort);
}
