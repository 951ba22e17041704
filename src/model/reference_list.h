// The animation's owning list of image resources: ids, look-up by id and by
// file name, and the counted release through which layers give resources back.
#pragma once

#include <filesystem>
#include <memory>
#include <vector>

#include "model/image_ref.h"

namespace kt58 {

class TReferenceList {
 public:
  TReferenceList() = default;
  TReferenceList(const TReferenceList&) = delete;
  TReferenceList& operator=(const TReferenceList&) = delete;
  ~TReferenceList() = default;

  // Frees every resource; ids start again at 0.
  void Clear();
  TLayerImageRef* FindById(int id) const;
  // Letter case is ignored, as on the file systems the paths came from.
  TLayerImageRef* FindByFileName(const std::filesystem::path& path) const;
  // Gives back one count; the last count frees the resource (and a store's
  // data file). Nothing for none or a resource not in this list.
  void Release(TLayerImageRef* ref);
  // After reading a resource with that id: later ids stay above it.
  void NoteId(int id);
  // The next id, raised for the one after. Ids are never reused within the
  // list's life, except after Clear.
  int TakeNextId() { return next_id_++; }
  int NextId() const { return next_id_; }

  TLayerImageRef* Append(std::unique_ptr<TLayerImageRef> ref);
  int Count() const { return static_cast<int>(items_.size()); }
  TLayerImageRef* Item(int index) const { return items_.at(static_cast<size_t>(index)).get(); }
  // Takes a resource out of the list without freeing it (its place in
  // *index), so that an undone removal can put it back with Insert; none for
  // a resource not in this list.
  std::unique_ptr<TLayerImageRef> Take(const TLayerImageRef* ref, int* index);
  // Puts a taken resource back at index (clamped to the list); its id stays.
  TLayerImageRef* Insert(int index, std::unique_ptr<TLayerImageRef> ref);

 private:
  std::vector<std::unique_ptr<TLayerImageRef>> items_;
  // Per list rather than per process: a second list (a preview, a test)
  // cannot hand out ids that collide with the first one's.
  int next_id_ = 0;
};

}  // namespace kt58
