// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/image_resource.h"

#include <system_error>

#include "engine/avi_import.h"
#include "engine/bmp_codec.h"
#include "engine/errors.h"
#include "engine/free_space.h"
#include "engine/gif_import.h"
#include "engine/jpeg_picture.h"
#include "model/project_records.h"
#include "platform/owned_files.h"
#include "platform/program_folder.h"
#include "platform/text_helpers.h"

namespace kt58 {

namespace {

// The extension as the file name's part from its last dot (a name that is
// only an extension, ".bmp", counts too).
std::string ExtensionOf(const std::filesystem::path& path) {
  const std::string name = path.filename().string();
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

bool IsStoreDiskFailure(const std::exception& e) {
  if (dynamic_cast<const ENotEnoughSpace*>(&e)) return true;
  const auto* engine = dynamic_cast<const EngineError*>(&e);
  return engine && engine->Code() == EngineErrorCode::StoreWrite;
}

// The store file was made for this import alone; a failed import must not
// leave it behind in the program folder, where nothing would remove it.
void RemoveStoreFile(std::unique_ptr<FrameStore> store, const std::filesystem::path& file) {
  store->CloseFile();
  store.reset();
  RemoveOwnedFile(file);
}

bool FileExists(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

}  // namespace

int SourceTypeFromExtension(const std::filesystem::path& path) {
  const std::string ext = ExtensionOf(path);
  if (SameTextIgnoringCase(ext, ".Bmp")) return st_Bmp;
  if (SameTextIgnoringCase(ext, ".Jpg")) return st_Jpg;
  if (SameTextIgnoringCase(ext, ".Avi")) return st_Avi;
  if (SameTextIgnoringCase(ext, ".Gif")) return st_Gif;
  return st_Unknown;
}

int SourceTypeFromFileName(const std::filesystem::path& path) {
  const int type = SourceTypeFromExtension(path);
  return type == st_Gif && GifImageCount(path) > 1 ? st_Gifa : type;
}

std::string SourceTypeText(int source_type) {
  switch (source_type) {
    case st_Bmp: return "Bmp  ";
    case st_Jpg: return "Jpg  ";
    case st_Avi: return "Avi  ";
    case st_Gif: return "Gif  ";
    case st_Gifa: return "Gifa ";
    default: return "---  ";
  }
}

std::string SourceTypeLabel(int source_type) {
  switch (source_type) {
    case st_Bmp: return "BMP picture";
    case st_Jpg: return "JPEG picture";
    case st_Avi: return "Video";
    case st_Gif: return "GIF picture";
    case st_Gifa: return "Animated GIF";
    default: return "None";
  }
}

ImageResource::ImageResource(const std::filesystem::path& path, int id)
    : DataFileName(path), SourceFileName(path), Id(id) {
  if (!path.empty() && !FileExists(path)) throw EngineError(EngineErrorCode::Abort, "Operation aborted");
  SourceType = SourceTypeFromFileName(path);
}

// ---- still resources ---------------------------------------------------------

PictureResource::PictureResource(const std::filesystem::path& path, int id) : ImageResource(path, id) {}

WorkPicture PictureResource::GetFirstFrame() {
  if (!Image) return nullptr;
  WorkPicture copy = CreateWorkPicture24();
  copy->Assign(*Image);
  return copy;
}

WorkPicture PictureResource::GetNextFrame() { return GetFirstFrame(); }

void PictureResource::LoadFromSource(Progress&) {
  WorkPicture picture = CreateWorkPicture();
  switch (SourceType) {
    case st_Bmp: LoadBmpFile(SourceFileName, *picture); break;
    case st_Jpg: LoadJpegFile(SourceFileName, *picture); break;
    case st_Gif: {
      // The decoder's own text says why a GIF cannot be read (a logical
      // screen beyond the picture limits, say).
      const DecodedGif gif = ReadGifFile(SourceFileName);
      // A new picture is black, and so is a new layer's transparent colour:
      // where the first image is transparent or does not reach, the layer
      // shows what lies below it.
      picture = CreateSizedPicture24(gif.screen_width, gif.screen_height);
      DrawGifImage(gif, 0, *picture);
      break;
    }
    default: throw Kt58Error(SourceFileName.string() + ": not a still picture file");
  }
  Width = picture->Width();
  Height = picture->Height();
  Image = std::move(picture);
}

// ---- multi-frame resources ---------------------------------------------------

FrameStoreResource::FrameStoreResource(const std::filesystem::path& path, int id) : ImageResource(path, id) {
  if (!path.empty()) MakeDataFileName();
}

FrameStoreResource::~FrameStoreResource() = default;

void FrameStoreResource::MakeDataFileName() {
  try {
    DataFileName = ProgramFolder() / (SourceFileName.stem().string() + std::to_string(Id) + ".Dat");
  } catch (const std::exception&) {
    // An empty name makes LoadFromSource give up without a store, which is
    // how a resource without a data file is meant to end.
    DataFileName.clear();
  }
}

WorkPicture FrameStoreResource::GetFirstFrame() { return Image ? Image->ReadFrame(0) : nullptr; }

WorkPicture FrameStoreResource::GetNextFrame() { return Image ? Image->ReadNextFrame() : nullptr; }

void FrameStoreResource::LoadFromSource(Progress& progress) {
  Image.reset();
  auto store = std::make_unique<FrameStore>();
  if (DataFileName.empty()) return;
  try {
    if (Placement) {
      // The record's header comes before the store in the project file.
      StorePlacement placement = *Placement;
      placement.bytes_before += SavedHeaderBytes(*this);
      placement.copy_name = DataFileName;
      store->CreateInFile(placement);
    } else {
      // The name is only a wish: another process, or a file of the user's,
      // may hold it already.
      store->CreateFreeStoreFile(DataFileName);
      DataFileName = store->FileName;
    }
  } catch (const std::exception&) {
    // An import that cannot start leaves the resource without a store, as
    // any failed import does.
    return;
  }
  WorkPicture first;
  try {
    if (SourceType == st_Avi) {
      first = ImportAvi(*store, SourceFileName, false, progress);
    } else if (SourceType == st_Gifa) {
      first = ImportGif(*store, SourceFileName, false, progress);
    }
    if (first) {
      Width = first->Width();
      Height = first->Height();
      FreeWorkPicture(first);
      store->CloseFile();
      if (store->OpenForRead()) {
        store->ReadHeader();
        Image = std::move(store);
        return;
      }
    }
  } catch (const std::exception& e) {
    // A store the disk cannot hold, or a write it refused, is the user's to
    // know about with its cause: the resource is not made. Other import
    // failures are not reported, and a cancelled import is one: the layer
    // simply draws nothing.
    if (IsStoreDiskFailure(e)) {
      RemoveStoreFile(std::move(store), DataFileName);
      throw;
    }
  }
  RemoveStoreFile(std::move(store), DataFileName);
}

}  // namespace kt58
