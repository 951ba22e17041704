// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/image_resources.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "platform/text_helpers.h"

namespace kt58 {

void ImageResources::Clear() {
  // Emptied before the resources die, so the list is never seen holding a
  // resource that is being freed.
  std::vector<std::unique_ptr<ImageResource>> doomed;
  doomed.swap(items_);
  next_id_ = 0;
  doomed.clear();
}

ImageResource* ImageResources::FindById(int id) const {
  for (const auto& ref : items_)
    if (ref->Id == id) return ref.get();
  return nullptr;
}

ImageResource* ImageResources::FindByFileName(const std::filesystem::path& path) const {
  const std::string wanted = path.string();
  for (const auto& ref : items_)
    if (SameTextIgnoringCase(ref->SourceFileName.string(), wanted)) return ref.get();
  return nullptr;
}

std::unique_ptr<ImageResource> ImageResources::Take(const ImageResource* ref, int* index) {
  auto it = std::find_if(items_.begin(), items_.end(), [ref](const auto& r) { return r.get() == ref; });
  if (!ref || it == items_.end()) return nullptr;
  if (index) *index = static_cast<int>(it - items_.begin());
  std::unique_ptr<ImageResource> taken = std::move(*it);
  items_.erase(it);
  return taken;
}

ImageResource* ImageResources::Insert(int index, std::unique_ptr<ImageResource> ref) {
  const size_t at = std::min(static_cast<size_t>(std::max(index, 0)), items_.size());
  NoteId(ref->Id);
  return items_.insert(items_.begin() + static_cast<ptrdiff_t>(at), std::move(ref))->get();
}

void ImageResources::Release(ImageResource* ref) {
  if (!ref) return;
  auto it = std::find_if(items_.begin(), items_.end(), [ref](const auto& r) { return r.get() == ref; });
  if (it == items_.end()) return;
  if (ref->RefCount > 1) {
    --ref->RefCount;
    return;
  }
  std::unique_ptr<ImageResource> doomed = std::move(*it);
  items_.erase(it);
}

void ImageResources::NoteId(int id) {
  if (id >= next_id_ && id < std::numeric_limits<int>::max()) next_id_ = id + 1;
}

ImageResource* ImageResources::Append(std::unique_ptr<ImageResource> ref) {
  items_.push_back(std::move(ref));
  return items_.back().get();
}

}  // namespace kt58
