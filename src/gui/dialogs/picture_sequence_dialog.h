// SPDX-License-Identifier: GPL-3.0-or-later
// "Bitmap Sequencer": every generated frame as its own BMP file, named
// from a pattern whose run of '#' becomes a running number. The list shows
// the names before anything is written and each file's state while the
// files are written.
#pragma once

#include <QDialog>
#include <filesystem>

class Document;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QToolButton;
class QTreeWidget;

class PictureSequenceDialog final : public QDialog {
  Q_OBJECT
 public:
  // The save folder starts as the program folder; the list is filled from
  // the document's animation.
  explicit PictureSequenceDialog(Document& document, QWidget* parent = nullptr);

  std::filesystem::path SaveFolder() const { return save_folder_; }
  void SetSaveFolder(const std::filesystem::path& folder);

  // Rebuilds the list from the pattern and the start number.
  void FillList();
  // "Create Files".
  void CreateButtonClick();

  QGroupBox* gb1;
  QLabel *Label1, *Label2;
  QSpinBox* spStartAt;
  QLineEdit* FNameEdit;
  QTreeWidget* lvFiles;
  // Under the list while the pattern has no '#'.
  QLabel* NoNumberLabel;
  QPushButton* CreateButton;
  QLineEdit* deSave;
  QToolButton* deSaveBrowse;

 private:
  void BrowseFolder();

  Document& document_;
  std::filesystem::path save_folder_;
};
