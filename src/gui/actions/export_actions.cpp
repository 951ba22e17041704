// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/actions/export_actions.h"

#include <QAction>
#include <QWidget>
#include <exception>

#include "gui/widgets/named_action.h"
#include "gui/dialogs/gif_export_dialog.h"
#include "gui/dialogs/picture_sequence_dialog.h"
#include "gui/dialogs/save_dialog.h"
#include "gui/dialogs/video_export_dialog.h"
#include "gui/document/document.h"
#include "gui/document/window_progress.h"
#include "gui/widgets/user_feedback.h"
#include "export/avi_export.h"
#include "export/single_frame.h"
#include "model/project.h"

using kt58::app::AskSaveFileName;
using kt58::app::NamedAction;

ExportActions::ExportActions(Document& document, kt58::app::Settings& settings, QWidget* window)
    : QObject(window), document_(document), settings_(settings), window_(window) {
  exportGifAction_ = NamedAction(this, tr("Save as Animated Gif..."), "CreateGif1", false);
  exportPictureSequenceAction_ = NamedAction(this, tr("Save as Bitmap Sequence..."), "CreateBitmapSequence1", false);
  exportSingleFrameAction_ = NamedAction(this, tr("Save Single Frame as..."), "SaveSingleFrame1", false);
  exportAviAction_ = NamedAction(this, tr("Save As AVI Video..."), "SaveAsAvi1", false);
  exportVideoAction_ = NamedAction(this, tr("Save as Video or Web Animation..."), "SaveAsVideo1", false);
  exportGifAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
  exportPictureSequenceAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
  exportSingleFrameAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
  exportAviAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
  exportVideoAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
  connect(exportVideoAction_, &QAction::triggered, this, &ExportActions::exportVideo);
  connect(exportSingleFrameAction_, &QAction::triggered, this, &ExportActions::exportSingleFrame);
  connect(exportAviAction_, &QAction::triggered, this, &ExportActions::exportAvi);
  connect(exportPictureSequenceAction_, &QAction::triggered, this, &ExportActions::exportPictureSequence);
  connect(exportGifAction_, &QAction::triggered, this, &ExportActions::exportGif);
}

QList<QAction*> ExportActions::actions() const {
  return {exportGifAction_, exportPictureSequenceAction_, exportSingleFrameAction_, exportAviAction_,
          exportVideoAction_};
}

void ExportActions::updateControlStates() {
  const bool enabled = !document_.playback().isPlaying() && document_.sequence().Sequenced();
  for (QAction* exporter : actions()) exporter->setEnabled(enabled);
}

void ExportActions::exportSingleFrame() {
  const std::filesystem::path path = AskSaveFileName(
      window_, QString(), settings_.LastSingleDir, QStringLiteral("Bmp"),
      {tr("Bmp file (*.bmp)"), tr("JPeg File (*.jpg)"), tr("Gif File (*.gif)")});
  if (path.empty()) return;
  // The frame on screen, as it is: the generated frames are not brought up
  // to date first.
  const Playback& playback = document_.playback();
  if (const auto failure = kt58::SaveCurrentFrameCommand(document_.project(), playback.shownFrame(),
                                                         playback.clock(), path, gifDither_))
    showMessage(*failure);
  else
    settings_.LastSingleDir = path.parent_path();
}

void ExportActions::exportAvi() {
  document_.Regenerate();
  const std::filesystem::path path = AskSaveFileName(window_, tr("Save as AVI..."), {}, QStringLiteral("Avi"),
                                                     {tr("Avi files (*.avi)")});
  if (path.empty()) return;
  try {
    const BusyCursor busy;
    kt58::DialogProgress progress = WindowProgress();
    kt58::ExportAvi(document_.project(), document_.sequence(), path, progress);
  } catch (const std::exception& e) {
    showMessage(e.what());
  }
  // The export left the last frame current.
  emit repaintRequested();
}

void ExportActions::exportPictureSequence() {
  PictureSequenceDialog form(document_, window_);
  document_.Regenerate();
  form.fillList();
  form.setSaveFolder(settings_.LastBmpDir);
  form.exec();
  settings_.LastBmpDir = form.saveFolder();
  emit saveSettingsRequested();
}

void ExportActions::exportGif() {
  GifExportDialog form(document_, window_);
  emit viewPaused();
  document_.Regenerate();
  form.setSaveFolder(settings_.LastGifDir);
  form.exec();
  settings_.LastGifDir = form.saveFolder();
  if (form.BuiltDither()) gifDither_ = *form.BuiltDither();
  emit saveSettingsRequested();
  emit viewResumed();
}

void ExportActions::exportVideo() {
  VideoExportDialog form(document_, window_);
  document_.Regenerate();
  form.setSaveFolder(settings_.LastGifDir);
  form.exec();
  settings_.LastGifDir = form.saveFolder();
  emit repaintRequested();
}
