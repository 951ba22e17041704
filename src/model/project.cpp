// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/project.h"

#include <algorithm>

#include "engine/bmp_codec.h"
#include "engine/frame_store.h"

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

uint64_t ProjectPictureBytes(const Project& project) {
  uint64_t bytes = 0;
  if (!project.References) return bytes;
  for (int i = 0; i < project.References->Count(); ++i) {
    const ImageResource* resource = project.References->Item(i);
    if (const Picture* picture = resource->StillPicture()) bytes += BmpImageSize(*picture);
    // A store's frames all have the resource's size (a GIF's screen).
    if (const FrameStore* store = resource->Store())
      bytes += static_cast<uint64_t>(std::max(store->FrameCount, 0)) *
               (kBmpHeadersSize + Picture::RowBytesFor(std::max(resource->Width, 0)) *
                                      static_cast<uint64_t>(std::max(resource->Height, 0)));
  }
  return bytes;
}

}  // namespace kt58
