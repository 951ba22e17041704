// SPDX-License-Identifier: GPL-3.0-or-later
// Image resources: one per source file, shared by every layer made from it
// and counted by RefCount. A still resource keeps one picture in memory; a
// multi-frame resource keeps its frames in a frame store whose data file lies
// in the program folder and lives as long as the resource.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "engine/frame_store.h"
#include "engine/picture.h"
#include "platform/progress.h"

namespace kt58 {

enum SourceTypeCode : int32_t {
  st_Unknown = -1,
  st_Bmp = 0,
  st_Jpg = 1,
  st_Avi = 2,
  st_Gif = 3,   // one image
  st_Gifa = 4,  // more than one image
};

// The code of a file name from its extension alone (".Bmp", ".Jpg", ".Avi",
// ".Gif" in any letter case; anything else, ".jpeg" among them, gives -1).
// A ".Gif" gives 3: outputs take their type from the name, never from a
// file that happens to stand there.
int SourceTypeFromExtension(const std::filesystem::path& path);
// The code of a source file: as SourceTypeFromExtension, but a GIF is opened
// to count its images: more than one gives 4, one image or an unreadable
// file gives 3.
int SourceTypeFromFileName(const std::filesystem::path& path);
// The five-character text of the layer list's "Type" column.
std::string SourceTypeText(int source_type);
// The kind of a layer's picture in words, as the layer list shows it
// ("Animated GIF", "Video", "JPEG picture").
std::string SourceTypeLabel(int source_type);
inline bool IsStillSourceType(int t) { return t == st_Bmp || t == st_Jpg || t == st_Gif; }
inline bool IsMultiFrameSourceType(int t) { return t == st_Avi || t == st_Gifa; }

class ImageResource {
 public:
  virtual ~ImageResource() = default;
  ImageResource(const ImageResource&) = delete;
  ImageResource& operator=(const ImageResource&) = delete;

  // A new counted picture the caller frees, or none. Both kinds hand out a
  // picture of their own, so the caller never has to know which kind it has.
  virtual WorkPicture GetFirstFrame() = 0;
  virtual WorkPicture GetNextFrame() = 0;
  // Long work (an import) reports through progress and stops when it asks.
  virtual void LoadFromSource(Progress& progress) = 0;

  // The in-memory picture of a still resource; none for other kinds or
  // before loading.
  virtual const Picture* StillPicture() const { return nullptr; }
  // The frame store of a multi-frame resource; none for other kinds or when
  // its import failed.
  virtual FrameStore* Store() const { return nullptr; }
  // Whether the resource holds a picture or a store.
  bool HasPicture() const { return StillPicture() != nullptr || Store() != nullptr; }

  // Field order is that of the project record.
  std::filesystem::path DataFileName;
  std::filesystem::path SourceFileName;
  int32_t RefCount = 1;
  int32_t Id = 0;
  int32_t SourceType = st_Unknown;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t NameCounter = 0;

 protected:
  // A non-empty path must name an existing file, else EngineError (Abort). The project
  // reader passes an empty path and fills the fields itself.
  ImageResource(const std::filesystem::path& path, int id);
};

class PictureResource final : public ImageResource {
 public:
  PictureResource(const std::filesystem::path& path, int id);

  WorkPicture GetFirstFrame() override;
  WorkPicture GetNextFrame() override;
  // Builds Picture from SourceFileName by SourceType (BMP, JPEG, first image
  // of a GIF). Errors pass to the caller; the old picture then stays.
  void LoadFromSource(Progress& progress) override;
  const Picture* StillPicture() const override { return Image.get(); }

  WorkPicture Image;
};

class FrameStoreResource final : public ImageResource {
 public:
  // With a non-empty path the data file name is made at once.
  FrameStoreResource(const std::filesystem::path& path, int id);
  // Freeing the store deletes its data file.
  ~FrameStoreResource() override;

  WorkPicture GetFirstFrame() override;
  WorkPicture GetNextFrame() override;
  // Imports SourceFileName into a new store at DataFileName. A failed import
  // leaves the resource without a store (and without a data file), and
  // layers using it draw nothing; so does a cancelled one. Only a store the
  // disk cannot hold raises: ENotEnoughSpace before the first frame, or
  // EngineError (StoreWrite) naming the system's reason.
  void LoadFromSource(Progress& progress) override;
  FrameStore* Store() const override { return Image.get(); }

  // ProgramFolder() + source stem + Id + ".Dat"; empty on any error.
  void MakeDataFileName();

  std::unique_ptr<FrameStore> Image;
  // When set, the import writes the store into the placement's file (the
  // project file being made) instead of a data file; bytes_before counts
  // what the project writes ahead of this resource's record.
  std::optional<StorePlacement> Placement;
};

}  // namespace kt58
