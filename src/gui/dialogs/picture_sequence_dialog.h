// SPDX-License-Identifier: GPL-3.0-or-later
// "Bitmap Sequencer": every generated frame as its own BMP file, named
// from a pattern whose run of '#' becomes a running number. The list shows
// the names before anything is written and each file's state while the
// files are written.
#pragma once

#include <QDialog>
#include <filesystem>

class Document;
class ExportPartBox;
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

  std::filesystem::path saveFolder() const { return save_folder_; }
  void setSaveFolder(const std::filesystem::path& folder);

  // Rebuilds the list from the pattern and the start number.
  void fillList();
  // "Create Files".
  void createSequence();

  QGroupBox* settingsGroup_;
  QLabel *startAtLabel_, *fileNamesLabel_;
  QSpinBox* startAtSpin_;
  QLineEdit* fileNameEdit_;
  QTreeWidget* fileList_;
  // Under the list while the pattern has no '#'.
  QLabel* noNumberLabel_;
  ExportPartBox* partBox_;
  QPushButton* createButton_;
  QLineEdit* folderEdit_;
  QToolButton* browseFolderButton_;

 private:
  void browseFolder();

  Document& document_;
  std::filesystem::path save_folder_;
};
