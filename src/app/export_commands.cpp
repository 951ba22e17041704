// The main window's export commands: the dialogs and the order of work
// around the exports of the core.
#include <QFileDialog>
#include <exception>

#include "app/bitmap_seq_form.h"
#include "app/bmps_to_gif_form.h"
#include "app/main_form.h"
#include "app/save_dialog.h"
#include "app/video_export_form.h"
#include "editor/construction_view.h"
#include "editor/editor_document.h"
#include "engine/ui_services.h"
#include "export/avi_export.h"
#include "export/single_frame.h"
#include "model/animation.h"

using kt58::app::AskSaveFileName;

void TMainForm::SaveSingleFrame1Click() {
  const std::filesystem::path path = AskSaveFileName(
      this, QString(), Settings.LastSingleDir, QStringLiteral("Bmp"),
      {QStringLiteral("Bmp file (*.bmp)"), QStringLiteral("JPeg File (*.jpg)"), QStringLiteral("Gif File (*.gif)")});
  if (path.empty()) return;
  // The frame on screen, as it is: the generated frames are not brought up
  // to date first.
  if (kt58::SaveCurrentFrameCommand(document_->Animation(), path)) Settings.LastSingleDir = path.parent_path();
}

void TMainForm::SaveAsAvi1Click() {
  document_->Regenerate();
  const std::filesystem::path path = AskSaveFileName(this, QStringLiteral("Save as AVI..."), {}, QStringLiteral("Avi"),
                                                     {QStringLiteral("Avi files (*.avi)")});
  if (path.empty()) return;
  try {
    kt58::ExportAvi(document_->Animation(), path);
  } catch (const std::exception& e) {
    kt58::Ui().ShowMessage(e.what());
  }
  // The export left the last frame current.
  View->RequestRepaint();
}

void TMainForm::CreateBitmapSequence1Click() {
  TBitmapSeqForm form(*document_, this);
  document_->Regenerate();
  form.FillList();
  form.SetSaveFolder(Settings.LastBmpDir);
  form.exec();
  Settings.LastBmpDir = form.SaveFolder();
  SaveSettings();
}

void TMainForm::CreateGif1Click() {
  TBmpsToGifForm form(*document_, this);
  // The window composes the frames itself: the view stays still meanwhile.
  View->StopUpdateTimer();
  document_->Regenerate();
  form.SetSaveFolder(Settings.LastGifDir);
  form.exec();
  Settings.LastGifDir = form.SaveFolder();
  SaveSettings();
  kt58::TAnimation& a = document_->Animation();
  a.Playing = false;
  a.CurrentFrameIndex = 0;
  a.SelectCurrentFrame();
  View->RequestBackgroundClear();
  View->RequestRepaint();
  View->StartUpdateTimer();
}

void TMainForm::SaveAsVideo1Click() {
  TVideoExportForm form(*document_, this);
  document_->Regenerate();
  form.SetSaveFolder(Settings.LastGifDir);
  form.exec();
  Settings.LastGifDir = form.SaveFolder();
  View->RequestRepaint();
}
