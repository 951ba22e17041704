// SPDX-License-Identifier: GPL-3.0-or-later
// "Save as Video or Web Animation": the generated frames encoded as an
// animated WebP, APNG, MP4 or WebM file. A build shows the file's size
// before it is saved, as the GIF window does.
#pragma once

#include <QDialog>
#include <filesystem>
#include <memory>

#include "export/video_export.h"

class Document;
class ExportPartBox;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

class VideoExportDialog final : public QDialog {
  Q_OBJECT
 public:
  explicit VideoExportDialog(Document& document, QWidget* parent = nullptr);
  ~VideoExportDialog() override;

  std::filesystem::path saveFolder() const { return save_folder_; }
  void setSaveFolder(const std::filesystem::path& folder) { save_folder_ = folder; }

  kt58::VideoExportOptions Options() const;
  // "Build": encodes the frames and shows the size; a change of the
  // choices drops the build.
  void build();
  // "Save": asks for the file and copies the build there.
  void saveVideo();
  const kt58::BuiltVideo* Built() const { return built_.get(); }

  QLabel *formatLabel_, *qualityLabel_;
  QComboBox* formatCombo_;
  QSpinBox* qualitySpin_;
  QCheckBox* losslessCheck_;
  // WebP and APNG: the project's background colour written transparent.
  QCheckBox* transparentCheck_;
  ExportPartBox* partBox_;
  QPushButton* buildButton_;
  QLabel* fileSizeLabel_;
  QPushButton *saveButton_, *closeButton_;

 private:
  void onChoicesChanged();

  Document& document_;
  std::filesystem::path save_folder_;
  std::unique_ptr<kt58::BuiltVideo> built_;
};
