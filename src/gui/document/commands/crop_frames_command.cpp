// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/document/commands/crop_frames_command.h"

#include <exception>
#include <utility>

#include "gui/document/document.h"
#include "engine/frame_store.h"
#include "model/image_resource.h"
#include "platform/owned_files.h"

namespace {

// A second name beside the store's file: hard links live on one file system,
// and ".Tmp" names in the program folder are cleaned after a crash. A short
// name of its own, so that a long store name never stands in the way.
std::filesystem::path SecondName(const std::filesystem::path& file) {
  return kt58::LinkFreeOwnedFile(file, file.parent_path(), "CropUndo", ".Tmp");
}

}  // namespace

StoreVersion::~StoreVersion() {
  if (!file_.empty()) kt58::RemoveOwnedFile(file_);
}

StoreVersion::StoreVersion(StoreVersion&& other) noexcept
    : file_(std::exchange(other.file_, {})), offsets_(std::move(other.offsets_)) {}

StoreVersion& StoreVersion::operator=(StoreVersion&& other) noexcept {
  if (this != &other) {
    if (!file_.empty()) kt58::RemoveOwnedFile(file_);
    file_ = std::exchange(other.file_, {});
    offsets_ = std::move(other.offsets_);
  }
  return *this;
}

StoreVersion StoreVersion::Keep(const kt58::FrameStore& store) {
  StoreVersion version;
  try {
    version.file_ = SecondName(store.FileName);
  } catch (const kt58::PlatformError&) {
    return {};
  }
  version.offsets_ = store.FrameOffsets;
  return version;
}

void StoreVersion::Restore(kt58::FrameStore& store) const {
  // The kept name stays for the next undo or redo: the store takes a third
  // name of the same file, which its rename consumes.
  const std::filesystem::path third = SecondName(file_);
  try {
    store.ReplaceContents(third, offsets_);
  } catch (...) {
    kt58::RemoveOwnedFile(third);
    throw;
  }
}

CropFramesCommand::CropFramesCommand(Document& document, kt58::ImageResource* resource, StoreVersion before,
                                     StoreVersion after)
    : QUndoCommand(Document::tr("Crop Video Frames")),
      document_(document),
      resource_(resource),
      before_(std::move(before)),
      after_(std::move(after)) {}

void CropFramesCommand::undo() {
  const ProjectChange change(document_);
  Show(before_);
}

void CropFramesCommand::redo() {
  const ProjectChange change(document_);
  Show(after_);
}

void CropFramesCommand::Show(const StoreVersion& version) {
  kt58::FrameStore* store = resource_->Store();
  if (!store) return;
  try {
    version.Restore(*store);
  } catch (const std::exception& e) {
    // Undo cannot refuse: the frames stay as they are, and the status bar
    // says why.
    emit document_.statusMessage(Document::tr("The video frames could not be put back: %1").arg(e.what()));
  }
  document_.NotifyVideoFramesChanged(resource_);
}
