// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/compose.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "engine/frame_store.h"
#include "engine/raster_ops.h"
#include "model/image_resource.h"
#include "platform/numeric.h"
#include "platform/text_helpers.h"

namespace kt58 {

namespace {

// The store a layer reads its frames from; none for a still or an empty layer.
const FrameStore* ReadStore(const Layer& layer) {
  const ImageResource* ref = layer.ImageRef;
  if (!ref || !IsMultiFrameSourceType(ref->SourceType)) return nullptr;
  return ref->Store();
}

// The stored frame each layer of the frame shows under the clock, by layer
// index; -1 for none (and for layers without a store). Sequential reading
// gives one read to every reading layer in composition order, bottom first.
std::vector<int> StoredFramesShown(const SequencedFrame& frame, const FrameClock& clock) {
  struct Readers {
    const FrameStore* store;
    int total = 0;
    int next = 0;
  };
  // A frame has few layers, so a flat list is enough.
  std::vector<Readers> readers;
  auto readers_of = [&](const FrameStore* store) -> Readers& {
    for (Readers& entry : readers)
      if (entry.store == store) return entry;
    return readers.emplace_back(Readers{store});
  };
  const size_t n = frame.Layers.size();
  for (size_t i = n; i > 0; --i)
    if (const FrameStore* store = ReadStore(*frame.Layers[i - 1])) ++readers_of(store).total;
  std::vector<int> shown(n, -1);
  for (size_t i = n; i > 0; --i) {
    const FrameStore* store = ReadStore(*frame.Layers[i - 1]);
    if (!store) continue;
    Readers& r = readers_of(store);
    shown[i - 1] = StoredFrameShown(clock, static_cast<int>(store->FrameOffsets.size()), r.total, r.next++);
  }
  return shown;
}

// Whether composing the layer changes its picture's pixels or size: a
// mirror, a flip, a turn, a pixel rotation or a bevel among the stages that
// run. Without any, a still picture is drawn straight from the resource.
bool EffectsChangePicture(const Layer& layer, size_t stages) {
  if (layer.Mirror || layer.Flip) return true;
  for (size_t k = 0; k < stages; ++k) {
    const int stage = layer.EffectOrder[k];
    if (stage == es_Rotate && layer.Angle != 0.0) return true;
    if (stage == es_PixelRotateButtonize && (layer.PixelRotate || layer.ButtonizeEnabled)) return true;
  }
  return false;
}

// Draws one layer onto the frame picture; `work` is reused and may change
// size. Errors pass on.
void ComposeLayer(const Layer& layer, int stored_frame, Picture& work, Picture& frame) {
  const ImageResource* ref = layer.ImageRef;
  if (!ref) return;
  // At most the first 16 stages run, as always: a project file may hold a
  // longer order.
  const size_t stages = std::min<size_t>(layer.EffectOrder.size(), 16);
  const Picture* source = &work;
  if (IsStillSourceType(ref->SourceType)) {
    const Picture* still = ref->StillPicture();
    if (!still) return;
    if (EffectsChangePicture(layer, stages))
      work.Assign(*still);
    else
      source = still;
  } else if (IsMultiFrameSourceType(ref->SourceType)) {
    const FrameStore* store = ref->Store();
    if (!store || !store->ReadFrameAt(stored_frame, work)) return;
  } else {
    return;
  }

  if (layer.Mirror) MirrorPicture(work);
  if (layer.Flip) FlipPicture(work);

  // 64 bits: the offsets come from the project file and the rotation's
  // shifts move them further.
  int64_t x = layer.OffsetX;
  int64_t y = layer.OffsetY;
  int t1 = 0;
  int t2 = 0;
  // Local: composition never changes the layer record.
  int b = layer.BlendType;
  for (size_t k = 0; k < stages; ++k) {
    switch (layer.EffectOrder[k]) {
      case es_Rotate:
        if (layer.Angle != 0.0) {
          const RotationShift shift = RotatePicture(work, layer.TransparentColor, layer.AntiAlias,
                                                    layer.Clockwise ? -layer.Angle : layer.Angle);
          x += shift.dx;
          y += shift.dy;
        }
        break;
      case es_Transparencies:
        if (b == bt_Blend) {
          t1 = layer.Transparency;
        } else if (b == bt_H_Blend || b == bt_V_Blend) {
          t1 = layer.Transparency;
          t2 = layer.AltTransparency;
        } else {
          t1 = t2 = 0;
        }
        break;
      case es_FadeBlend:
        // A faded layer is blended even when its blending is "None".
        if (layer.FadeMode != fm_No_Fade && b == bt_No_Blend) b = bt_Blend;
        break;
      case es_PixelRotateButtonize:
        if (layer.PixelRotate) {
          if (layer.PixelRotateDirection == pr_Up || layer.PixelRotateDirection == pr_Down)
            PixelRotateVertical(work, layer.PixelRotateDirection, layer.PixelRotateShift);
          else if (layer.PixelRotateDirection == pr_Left || layer.PixelRotateDirection == pr_Right)
            PixelRotateHorizontal(work, layer.PixelRotateDirection, layer.PixelRotateShift);
        }
        if (layer.ButtonizeEnabled)
          ButtonizePicture(work, layer.ButtonizeAmount, layer.ButtonizeHighlight, layer.ButtonizeShadow);
        break;
      default: break;
    }
  }

  DrawLayerPicture(*source, frame, b, t1, t2, layer.TransparentColor, layer.TintEnabled, layer.TintColor,
                   SaturateToInt(x), SaturateToInt(y));
}

}  // namespace

bool ComposeFrameInto(const Project& project, const SequencedFrame* frame, FrameClock clock, Picture& picture) {
  if (!frame || frame->Layers.empty()) return false;
  const std::vector<int> stored = StoredFramesShown(*frame, clock);
  // Each layer's picture, kept per thread so that its buffer serves every
  // frame composed there; every layer overwrites it whole before use.
  thread_local Picture work;
  const FrameSize size = project.GetFrameSize();
  // The background fill covers every pixel.
  picture.SetSizeForOverwrite(size.Width, size.Height);
  FillColorRect(picture, project.BackgroundColor, Rect{0, 0, picture.Width(), picture.Height()});
  for (size_t i = frame->Layers.size(); i > 0;) {
    --i;
    try {
      ComposeLayer(*frame->Layers[i], stored[i], work, picture);
    } catch (...) {
      // One failing layer is left out; the frame goes on.
    }
  }
  return true;
}

BGR BackgroundBgr(const Project& project) { return ColorToBGR(ResolveColor(project.BackgroundColor)); }

WorkPicture ComposeFrame(const Project& project, const SequencedFrame* frame, FrameClock clock) {
  WorkPicture picture = CreateWorkPicture24();
  if (!ComposeFrameInto(project, frame, clock, *picture)) return nullptr;
  return picture;
}

FrameCache ComposeAllFrames(const Project& project, const FrameSequence& sequence, Progress& progress) {
  FrameCache cache(project.GetFrameSize());
  progress.Begin("Rendering Frames...", false);
  for (int k = 0; k < sequence.Count(); ++k) {
    progress.Report(Format("Constructing Frame : %d", k), k, sequence.Count());
    WorkPicture picture = ComposeFrame(project, sequence.Frame(k), FrameClock::Stepping(k));
    if (picture) cache.Add(*picture);
    FreeWorkPicture(picture);
  }
  return cache;
}

}  // namespace kt58
