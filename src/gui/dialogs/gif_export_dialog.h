// SPDX-License-Identifier: GPL-3.0-or-later
// "Convert to GIF...": builds an animated GIF from the generated frames with
// the chosen palette, dithering, delay and optimisations, shows its size and
// plays it, and saves it.
#pragma once

#include <QDialog>
#include <filesystem>
#include <memory>
#include <optional>

#include "export/gif_export.h"

class Document;
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
  explicit GifExportDialog(Document& document, QWidget* parent = nullptr);
  ~GifExportDialog() override;

  std::filesystem::path SaveFolder() const { return save_folder_; }
  void SetSaveFolder(const std::filesystem::path& folder) { save_folder_ = folder; }

  // The menus and boxes as the codes of one build; also stores the palette
  // and dither codes as the window's own.
  kt58::GifExportOptions ReadOptions();
  // "Re-Generate": two passes, the size, the preview.
  void Generate1Click();
  // "Save Gif".
  void SaveGif1Click();
  // The name the save dialog proposes: the project's name with ".Gif".
  QString ProposedFileName() const;
  // The built GIF the preview plays and Save copies, a hidden file of this
  // process in the program's Output folder; null before a build. It goes
  // when the window closes or builds again.
  const kt58::BuiltGif* Built() const { return built_.get(); }
  // The dither code of the last build started here (none before the first):
  // the desktop's single-frame GIFs use it.
  std::optional<int> BuiltDither() const { return built_dither_; }
  bool Building() const { return building_; }

  QMenuBar* MainMenu;
  QAction *SaveGif1, *Exit1;
  QMenu *MenuPalette, *MenuDithering, *MenuPaletteOptimizedColors;
  QAction *MenuPaletteNetscape216, *MenuPaletteMonochrome, *MenuPaletteGrayScale256, *MenuPaletteWindowsGray4,
      *MenuPaletteWindows20, *MenuPaletteOptimized, *MenuPaletteOptimizedWindows256;
  QAction *MenuDitheringFloydSteinberg, *MenuDitheringStucki, *MenuDitheringSierra, *MenuDitheringBurkes,
      *MenuDitheringNearest;
  QFrame* GifPanel;
  QLabel* gfImage;
  QLabel* Label1;
  QSpinBox* spFrameDelay;
  // Under the delay while it is below what browsers honour.
  QLabel* DelayWarningLabel;
  QPushButton* GenerateButton;
  QLabel* Label2;
  QCheckBox *cbOptimizeColorMap, *cbMerge, *cbCrop, *cbRemovePassive, *cbSortColors;
  QLabel *FileSizeLabel, *OptimizingLabel;
  QProgressBar* Progress;
  // Stops a build between two frames.
  QPushButton* CancelButton;

 protected:
  void reject() override;

 private:
  void BuildMenus();
  void BuildLayout();
  // One build pass; null when cancelled or failed (the failure is shown).
  std::unique_ptr<kt58::BuiltGif> BuildPass();
  void ShowFrame(const kt58::Picture& frame);
  void StopPreview();
  void RememberChoices() const;
  void RestoreChoices();

  Document& document_;
  std::filesystem::path save_folder_;
  uint8_t color_reduction_ = 8;
  uint8_t dither_ = 0;
  int reduction_bits_ = 8;
  QActionGroup *palette_group_, *colors_group_, *dither_group_;
  std::unique_ptr<kt58::BuiltGif> built_;
  std::optional<int> built_dither_;
  QMovie* movie_ = nullptr;
  bool building_ = false;
  bool cancel_requested_ = false;
};
