// SPDX-License-Identifier: GPL-3.0-or-later
// Removing frames from a video or animated GIF layer's frame store as one
// undo step. The store's file before and after the removal stays on disk
// under a second name (a hard link, no copy), so undo and redo put a whole
// file back in one rename.
#pragma once

#include <QUndoCommand>
#include <cstdint>
#include <filesystem>
#include <vector>

class Document;
namespace kt58 {
class ImageResource;
class FrameStore;
}  // namespace kt58

// The contents of a store at one moment: its file under a second name and
// its frame offsets. The second name goes with the object.
class StoreVersion {
 public:
  StoreVersion() = default;
  ~StoreVersion();
  StoreVersion(StoreVersion&& other) noexcept;
  StoreVersion& operator=(StoreVersion&& other) noexcept;

  // The store's contents now; empty when its file system gives files no
  // second names (the version cannot be kept cheaply).
  static StoreVersion Keep(const kt58::FrameStore& store);
  explicit operator bool() const { return !file_.empty(); }
  // Makes these the store's contents again; raises when the file cannot be
  // put back (the store keeps its contents then).
  void Restore(kt58::FrameStore& store) const;

 private:
  std::filesystem::path file_;
  std::vector<int64_t> offsets_;
};

class CropFramesCommand final : public QUndoCommand {
 public:
  // Both versions are on disk; redo shows `after`, undo `before`.
  CropFramesCommand(Document& document, kt58::ImageResource* resource, StoreVersion before, StoreVersion after);
  void undo() override;
  void redo() override;

 private:
  void Show(const StoreVersion& version);

  Document& document_;
  // Undo and redo run in order, so the resource is in the model whenever
  // this step is undone or redone.
  kt58::ImageResource* resource_;
  StoreVersion before_, after_;
};
