// SPDX-License-Identifier: GPL-3.0-or-later
#include <system_error>

#include "engine/errors.h"
#include "model/project.h"
#include "platform/atomic_file.h"
#include "platform/text_helpers.h"

namespace kt58 {

void Project::PlaceStoreIn(const AtomicFile& file) {
  store_file_ = file.TempPath();
  store_file_shown_ = file.Target();
}

Layer* Project::AddLayerFromFile(const std::filesystem::path& path, Progress& progress) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) throw Kt58Error("No file at " + path.string());
  if (!ConstructorFrame) ConstructorFrame = std::make_unique<SequencedFrame>();
  // A project beyond the bound could be saved but never opened again.
  const int64_t layers = static_cast<int64_t>(ConstructorFrame->Layers.size()) + 1;
  if (!LayerFramesFit(layers, FrameCount)) throw Kt58Error(LayerFramesError(layers, FrameCount));
  auto layer = std::make_unique<Layer>(*References);
  const bool holds_store = [&] {
    for (int k = 0; k < References->Count(); ++k)
      if (References->Item(k)->Store()) return true;
    return false;
  }();
  if (!store_file_.empty() && !holds_store)
    References->PlaceNextStore(StorePlacement{store_file_, SavedBytesBeforeNextResource(), {}, store_file_shown_});
  layer->ImageRef = layer->AddReference(path, progress);
  if (!layer->ImageRef) throw Kt58Error("No picture can be made from " + path.string());
  ++layer->ImageRef->NameCounter;
  layer->LayerName = DefaultLayerName(*layer->ImageRef);
  layer->AutoDetectTransparentColor();
  Layer* added = layer.get();
  ConstructorFrame->Layers.insert(ConstructorFrame->Layers.begin(), std::move(layer));
  ComputeAutoFrameSize(ConstructorFrame.get());
  return added;
}

bool LayerFramesFit(int64_t layers, int64_t frames) { return layers * frames <= kMaxLayerFrames; }

std::string LayerFramesError(int64_t layers, int64_t frames) {
  return Format("%lld layers over %lld frames make %lld layer frames to generate, more than the %lld this "
                "program can hold",
                static_cast<long long>(layers), static_cast<long long>(frames),
                static_cast<long long>(layers * frames), static_cast<long long>(kMaxLayerFrames));
}

}  // namespace kt58
