// One frame of the animation: an ordered, owning list of layers. Index 0 is
// the topmost layer (composed last).
#pragma once

#include <memory>
#include <vector>

#include "model/frame_layer.h"

namespace kt58 {

class TAnimation;

class TLayeredFrame {
 public:
  explicit TLayeredFrame(TAnimation* owner) : Owner(owner) {}
  TLayeredFrame(const TLayeredFrame&) = delete;
  TLayeredFrame& operator=(const TLayeredFrame&) = delete;
  // Frees every layer (each gives its resource count back).
  ~TLayeredFrame();

  void ResetAllLayers();
  // Takes the layer out of the list and frees it; nothing for none or a
  // layer of another frame. An animation's SelectedLayer naming it is
  // cleared, so it never names a freed layer.
  void RemoveLayer(TFrameLayer* layer);
  int IndexOf(const TFrameLayer* layer) const;
  int LayerCount() const { return static_cast<int>(Layers.size()); }

  TAnimation* Owner;
  std::vector<std::unique_ptr<TFrameLayer>> Layers;
};

}  // namespace kt58
