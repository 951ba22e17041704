#include <system_error>

#include "engine/errors.h"
#include "model/animation.h"

namespace kt58 {

TFrameLayer* TAnimation::AddLayerFromFile(const std::filesystem::path& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) throw Kt58Error("No file at " + path.string());
  if (!ConstructorFrame) ConstructorFrame = std::make_unique<TLayeredFrame>(this);
  auto layer = std::make_unique<TFrameLayer>(this);
  layer->ImageRef = layer->AddReference(path);
  if (!layer->ImageRef) throw Kt58Error("No picture can be made from " + path.string());
  ++layer->ImageRef->NameCounter;
  layer->LayerName = DefaultLayerName(*layer->ImageRef);
  layer->AutoDetectTransparentColor();
  TFrameLayer* added = layer.get();
  ConstructorFrame->Layers.insert(ConstructorFrame->Layers.begin(), std::move(layer));
  SelectedLayer = added;
  Resequence(false);
  // Resequencing lets events run; a handler may have removed the layer.
  if (!ConstructorFrame || ConstructorFrame->IndexOf(added) < 0) return nullptr;
  SelectedLayer = added;
  ComputeAutoFrameSize(ConstructorFrame.get());
  return added;
}

}  // namespace kt58
