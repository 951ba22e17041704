// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/sequenced_frame.h"

#include <utility>


namespace kt58 {

SequencedFrame::~SequencedFrame() {
  // Emptied first, so no layer is seen in the list while it is being freed.
  std::vector<std::unique_ptr<Layer>> doomed;
  doomed.swap(Layers);
  doomed.clear();
}

void SequencedFrame::ResetAllLayers() {
  for (auto& layer : Layers) layer->Reset();
}

int SequencedFrame::IndexOf(const Layer* layer) const {
  for (size_t i = 0; i < Layers.size(); ++i)
    if (Layers[i].get() == layer) return static_cast<int>(i);
  return -1;
}

void SequencedFrame::RemoveLayer(Layer* layer) {
  const int index = IndexOf(layer);
  if (index < 0) return;
  std::unique_ptr<Layer> doomed = std::move(Layers[static_cast<size_t>(index)]);
  Layers.erase(Layers.begin() + index);
}

}  // namespace kt58
