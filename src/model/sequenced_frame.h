// SPDX-License-Identifier: GPL-3.0-or-later
// One frame of the animation: an ordered, owning list of layers. Index 0 is
// the topmost layer (composed last).
#pragma once

#include <memory>
#include <vector>

#include "model/layer.h"

namespace kt58 {

class SequencedFrame {
 public:
  SequencedFrame() = default;
  SequencedFrame(const SequencedFrame&) = delete;
  SequencedFrame& operator=(const SequencedFrame&) = delete;
  // Frees every layer (each gives its resource count back).
  ~SequencedFrame();

  void ResetAllLayers();
  // Takes the layer out of the list and frees it; nothing for none or a
  // layer of another frame.
  void RemoveLayer(Layer* layer);
  int IndexOf(const Layer* layer) const;
  int LayerCount() const { return static_cast<int>(Layers.size()); }

  std::vector<std::unique_ptr<Layer>> Layers;
};

}  // namespace kt58
