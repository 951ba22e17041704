// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's export commands: the dialogs and the order of work
// around the exports of the core.
#include <QFileDialog>
#include <exception>

#include "gui/dialogs/picture_sequence_dialog.h"
#include "gui/dialogs/gif_export_dialog.h"
#include "gui/main_window.h"
#include "gui/dialogs/save_dialog.h"
#include "gui/dialogs/video_export_dialog.h"
#include "gui/panels/canvas_view.h"
#include "gui/document/document.h"
#include "gui/document/window_progress.h"
#include "gui/widgets/user_feedback.h"
#include "export/avi_export.h"
#include "export/single_frame.h"
#include "model/project.h"

using kt58::app::AskSaveFileName;

void MainWindow::exportSingleFrame() {
  const std::filesystem::path path = AskSaveFileName(
      this, QString(), settings_.LastSingleDir, QStringLiteral("Bmp"),
      {tr("Bmp file (*.bmp)"), tr("JPeg File (*.jpg)"), tr("Gif File (*.gif)")});
  if (path.empty()) return;
  // The frame on screen, as it is: the generated frames are not brought up
  // to date first.
  const Playback& playback = document_->playback();
  if (const auto failure = kt58::SaveCurrentFrameCommand(document_->project(), playback.shownFrame(),
                                                         playback.clock(), path, gifDither_))
    showMessage(*failure);
  else
    settings_.LastSingleDir = path.parent_path();
}

void MainWindow::exportAvi() {
  document_->Regenerate();
  const std::filesystem::path path = AskSaveFileName(this, tr("Save as AVI..."), {}, QStringLiteral("Avi"),
                                                     {tr("Avi files (*.avi)")});
  if (path.empty()) return;
  try {
    const BusyCursor busy;
    kt58::DialogProgress progress = WindowProgress();
    kt58::ExportAvi(document_->project(), document_->sequence(), path, progress);
  } catch (const std::exception& e) {
    showMessage(e.what());
  }
  // The export left the last frame current.
  canvasView_->requestRepaint();
}

void MainWindow::exportPictureSequence() {
  PictureSequenceDialog form(*document_, this);
  document_->Regenerate();
  form.fillList();
  form.setSaveFolder(settings_.LastBmpDir);
  form.exec();
  settings_.LastBmpDir = form.saveFolder();
  saveSettings();
}

void MainWindow::exportGif() {
  GifExportDialog form(*document_, this);
  // The window composes the frames itself: the view stays still meanwhile.
  canvasView_->stopUpdateTimer();
  document_->Regenerate();
  form.setSaveFolder(settings_.LastGifDir);
  form.exec();
  settings_.LastGifDir = form.saveFolder();
  if (form.BuiltDither()) gifDither_ = *form.BuiltDither();
  saveSettings();
  canvasView_->requestBackgroundClear();
  canvasView_->requestRepaint();
  canvasView_->startUpdateTimer();
}

void MainWindow::exportVideo() {
  VideoExportDialog form(*document_, this);
  document_->Regenerate();
  form.setSaveFolder(settings_.LastGifDir);
  form.exec();
  settings_.LastGifDir = form.saveFolder();
  canvasView_->requestRepaint();
}
