// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/project.h"

#include <algorithm>

namespace kt58 {

Project::Project()
    : References(std::make_unique<ImageResources>()), ConstructorFrame(std::make_unique<SequencedFrame>()) {
  ResetProject();
}

Project::~Project() {
  // Layers give their counts back through References, so it goes last.
  ConstructorFrame.reset();
  References.reset();
}

void Project::ResetProject() {
  FrameCount = 10;
  AutoWidth = 0;
  AutoHeight = 0;
  FixedFrameSize = false;
  FixedWidth = 10;
  FixedHeight = 10;
  BackgroundColor = 0;
  NonRenderedPlayback = true;
  FrameDelay = 0;
}

int Project::LayerCount() const { return ConstructorFrame ? ConstructorFrame->LayerCount() : 0; }

FrameSize Project::GetFrameSize() const {
  if (FixedFrameSize) return {FixedWidth, FixedHeight};
  return {AutoWidth, AutoHeight};
}

void Project::ComputeAutoFrameSize(const SequencedFrame* frame) {
  AutoWidth = 0;
  AutoHeight = 0;
  if (!frame) return;
  for (const auto& layer : frame->Layers) {
    const ImageResource* ref = layer->ImageRef;
    if (!ref || !ref->HasPicture()) continue;
    AutoWidth = std::max(AutoWidth, ref->Width);
    AutoHeight = std::max(AutoHeight, ref->Height);
  }
}

}  // namespace kt58
