// SPDX-License-Identifier: GPL-3.0-or-later
// The animation's owning list of image resources: ids, look-up by id and by
// file name, and the counted release through which layers give resources back.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "model/image_resource.h"

namespace kt58 {

class ImageResources {
 public:
  ImageResources() = default;
  ImageResources(const ImageResources&) = delete;
  ImageResources& operator=(const ImageResources&) = delete;
  ~ImageResources() = default;

  // Frees every resource; ids start again at 0.
  void Clear();
  ImageResource* FindById(int id) const;
  // Letter case is ignored, as on the file systems the paths came from.
  ImageResource* FindByFileName(const std::filesystem::path& path) const;
  // Gives back one count; the last count frees the resource (and a store's
  // data file). Nothing for none or a resource not in this list.
  void Release(ImageResource* ref);
  // After reading a resource with that id: later ids stay above it.
  void NoteId(int id);
  // The next id, raised for the one after. Ids are never reused within the
  // list's life, except after Clear.
  int TakeNextId() { return next_id_++; }
  // Where the next resource made for this list writes its frame store, if
  // it makes one (FrameStoreResource::Placement); taken by the next
  // resource made, store or not.
  void PlaceNextStore(std::optional<StorePlacement> placement) { next_store_placement_ = std::move(placement); }
  std::optional<StorePlacement> TakeStorePlacement() { return std::exchange(next_store_placement_, std::nullopt); }
  int NextId() const { return next_id_; }

  ImageResource* Append(std::unique_ptr<ImageResource> ref);
  int Count() const { return static_cast<int>(items_.size()); }
  ImageResource* Item(int index) const { return items_.at(static_cast<size_t>(index)).get(); }
  // Takes a resource out of the list without freeing it (its place in
  // *index), so that an undone removal can put it back with Insert; none for
  // a resource not in this list.
  std::unique_ptr<ImageResource> Take(const ImageResource* ref, int* index);
  // Puts a taken resource back at index (clamped to the list); its id stays.
  ImageResource* Insert(int index, std::unique_ptr<ImageResource> ref);

 private:
  std::vector<std::unique_ptr<ImageResource>> items_;
  // Per list rather than per process: a second list (a preview, a test)
  // cannot hand out ids that collide with the first one's.
  int next_id_ = 0;
  std::optional<StorePlacement> next_store_placement_;
};

}  // namespace kt58
