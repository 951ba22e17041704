// SPDX-License-Identifier: GPL-3.0-or-later
// "Convert to GIF...": builds an animated GIF from the generated frames with
// the chosen palette, dithering, delay and optimisations, shows its size and
// plays it, and saves it. It builds when it opens and again whenever a
// choice changes, and starts from the command line's choices.
#pragma once

#include <QDialog>
#include <filesystem>
#include <memory>
#include <optional>

#include "export/gif/color_reduction.h"
#include "export/gif_export.h"

class Document;
class ExportPartBox;
class QAction;
class QActionGroup;
class QCheckBox;
class QFrame;
class QLabel;
class QMenu;
class QMenuBar;
class QMovie;
class QProgressBar;
class QPushButton;
class QSpinBox;

class GifExportDialog final : public QDialog {
  Q_OBJECT
 public:
  // The palettes and ditherers the menus offer. The export knows them only
  // by code, and these two functions are the one place that says which.
  enum class PaletteChoice {
    Global, Netscape216, Monochrome, GrayScale256, WindowsGray4, Windows20, Optimized, OptimizedWindows256
  };
  enum class DitherChoice { Nearest, FloydSteinberg, Stucki, Sierra, Burkes };
  static kt58::ColorReduction colorReductionCode(PaletteChoice choice);
  static kt58::DitherMode ditherCode(DitherChoice choice);

  explicit GifExportDialog(Document& document, QWidget* parent = nullptr);
  // The next window starts from the defaults, as in a new run, instead of
  // the choices of the last one.
  static void ForgetChoices();
  ~GifExportDialog() override;

  std::filesystem::path saveFolder() const { return save_folder_; }
  void setSaveFolder(const std::filesystem::path& folder) { save_folder_ = folder; }

  // The menus and boxes as the codes of one build; also keeps the ditherer,
  // which stays in force while no dither entry is checked.
  kt58::GifExportOptions readOptions();
  // "Re-Generate": two passes, the size, the preview. A build started while
  // another runs takes over: the older one stops and leaves the window to it.
  void generate();
  // A build soon (changes in a row make one), while the window is shown.
  void requestBuild();
  // "Save Gif".
  void saveGif();
  // The name the save dialog proposes: the project's name with ".gif".
  QString proposedFileName() const;
  // The built GIF the preview plays and Save copies, a hidden file of this
  // process in the program's Output folder; null before a build. It goes
  // when the window closes or builds again.
  const kt58::BuiltGif* Built() const { return built_.get(); }
  // The dither code of the last build started here (none before the first):
  // the desktop's single-frame GIFs use it.
  std::optional<int> BuiltDither() const { return built_dither_; }
  bool Building() const { return builds_running_ > 0; }

  QMenuBar* menuBar_;
  QAction *saveGifAction_, *exitAction_;
  QMenu *paletteMenu_, *ditheringMenu_, *optimizedColorsMenu_;
  QAction* globalAction_;
  QAction *netscape216Action_, *monochromeAction_, *grayScale256Action_, *windowsGray4Action_,
      *windows20Action_, *optimizedAction_, *optimizedWindows256Action_;
  QAction *floydSteinbergAction_, *stuckiAction_, *sierraAction_, *burkesAction_,
      *nearestColorAction_;
  QFrame* previewFrame_;
  QLabel* previewImage_;
  QLabel* frameDelayLabel_;
  QSpinBox* frameDelaySpin_;
  // Under the delay while it is below what browsers honour.
  QLabel* delayWarningLabel_;
  QPushButton* generateButton_;
  ExportPartBox* partBox_;
  // 0 writes exact colours with the run-length encoder; above it, LZW
  // trades colour for size up to that level.
  QLabel* lossyLabel_;
  QSpinBox* lossySpin_;
  // The project's background colour written as the transparent colour.
  QCheckBox* transparentCheck_;
  QLabel* optimizationsLabel_;
  QCheckBox *optimizeColorMapCheck_, *mergeCheck_, *cropCheck_, *removePassiveCheck_, *sortColorsCheck_;
  QLabel *fileSizeLabel_, *optimizingLabel_;
  QProgressBar* progressBar_;
  // Stops a build between two frames.
  QPushButton* cancelButton_;

 protected:
  void reject() override;
  void showEvent(QShowEvent* event) override;

 private:
  void buildMenus();
  void buildLayout();
  // One build pass; null when cancelled, taken over by a newer build, or
  // failed (the failure is shown).
  std::unique_ptr<kt58::BuiltGif> buildPass(int generation);
  void closeIfAsked();
  // The frame or the built GIF's size that fits the preview area.
  QSize previewSize(QSize picture) const;
  void showFrame(const kt58::Picture& frame);
  void stopPreview();
  void rememberChoices() const;
  void restoreChoices();

  Document& document_;
  std::filesystem::path save_folder_;
  DitherChoice dither_ = DitherChoice::Nearest;
  int reduction_bits_ = 8;
  QActionGroup *palette_group_, *colors_group_, *dither_group_;
  std::unique_ptr<kt58::BuiltGif> built_;
  std::optional<int> built_dither_;
  QMovie* movie_ = nullptr;
  // Builds on the stack: a newer one runs inside an older one's events.
  int builds_running_ = 0;
  // The newest build's number; an older build that sees another stops.
  int generation_ = 0;
  bool build_requested_ = false;
  // Closed during a build: closes once no build runs.
  bool close_asked_ = false;
  bool cancel_requested_ = false;
};
