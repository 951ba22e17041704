// SPDX-License-Identifier: GPL-3.0-or-later
// Frame composition: background, then every layer from the bottom of the
// list to the top, each taken from its resource, changed by its effects and
// drawn with its blending.
#include <algorithm>
#include <array>

#include "engine/raster_ops.h"
#include "engine/ui_services.h"
#include "model/animation.h"
#include "model/image_resource.h"
#include "platform/numeric.h"
#include "platform/text_helpers.h"

namespace kt58 {

namespace {

// What composition reads of a layer record, taken before the first event
// runs: a handler may free or edit the layer while the layer is composed.
struct LayerValues {
  bool Mirror, Flip;
  int OffsetX, OffsetY;
  int BlendType, Transparency, AltTransparency;
  Color TransparentColor;
  bool TintEnabled;
  Color TintColor;
  int FadeMode;
  double Angle;
  bool Clockwise, AntiAlias;
  bool PixelRotate;
  int PixelRotateDirection, PixelRotateShift;
  bool ButtonizeEnabled;
  int ButtonizeAmount;
  Color ButtonizeHighlight, ButtonizeShadow;
  // The order has five stages; the room is fixed so that composing a layer
  // allocates nothing beyond its pictures.
  std::array<int, 16> EffectOrder;
  size_t EffectCount;

  explicit LayerValues(const Layer& l)
      : Mirror(l.Mirror),
        Flip(l.Flip),
        OffsetX(l.OffsetX),
        OffsetY(l.OffsetY),
        BlendType(l.BlendType),
        Transparency(l.Transparency),
        AltTransparency(l.AltTransparency),
        TransparentColor(l.TransparentColor),
        TintEnabled(l.TintEnabled),
        TintColor(l.TintColor),
        FadeMode(l.FadeMode),
        Angle(l.Angle),
        Clockwise(l.Clockwise),
        AntiAlias(l.AntiAlias),
        PixelRotate(l.PixelRotate),
        PixelRotateDirection(l.PixelRotateDirection),
        PixelRotateShift(l.PixelRotateShift),
        ButtonizeEnabled(l.ButtonizeEnabled),
        ButtonizeAmount(l.ButtonizeAmount),
        ButtonizeHighlight(l.ButtonizeHighlight),
        ButtonizeShadow(l.ButtonizeShadow),
        EffectOrder{},
        EffectCount(std::min(l.EffectOrder.size(), EffectOrder.size())) {
    std::copy_n(l.EffectOrder.begin(), EffectCount, EffectOrder.begin());
  }
};

}  // namespace

void TAnimation::SetPictureToFrameSize(Picture& picture) const {
  const FrameSize size = GetFrameSize();
  picture.SetSize(size.Width, size.Height);
}

void TAnimation::RecreateFrameCache() {
  auto cache = std::make_unique<FrameCache>();
  const FrameSize size = GetFrameSize();
  cache->Width = size.Width < 1 ? 10 : size.Width;
  cache->Height = size.Height < 1 ? 10 : size.Height;
  RenderedFrames = std::move(cache);
}

WorkPicture TAnimation::ComposeFrame(const SequencedFrame* frame) {
  if (!frame || frame->Layers.empty()) return nullptr;
  // A frame of this animation may be freed by an event handler between two
  // layers; a frame the caller made on its own is the caller's to keep.
  const bool tracked = OwnsFrame(frame);
  auto alive = [&] { return !tracked || OwnsFrame(frame); };

  WorkPicture work = CreateWorkPicture24();
  WorkPicture picture = CreateWorkPicture24();
  SetPictureToFrameSize(*picture);
  FillColorRect(*picture, BackgroundColor, Rect{0, 0, picture->Width(), picture->Height()});
  ProcessPendingMessages();

  // By index from the bottom, re-checked after every event: the list may
  // shrink while layers are composed.
  for (size_t i = alive() ? frame->Layers.size() : 0; i > 0 && alive();) {
    --i;
    if (i >= frame->Layers.size()) continue;
    try {
      ComposeLayer(*frame->Layers[i], *work, *picture);
    } catch (...) {
      // One failing layer is left out; the frame goes on.
    }
    ProcessPendingMessages();
  }
  FreeWorkPicture(work);
  ProcessPendingMessages();
  return picture;
}

void TAnimation::ComposeLayer(const Layer& layer, Picture& work, Picture& frame) {
  const LayerValues v(layer);
  ImageResource* ref = layer.ImageRef;
  if (!ref) return;
  if (IsStillSourceType(ref->SourceType)) {
    const Picture* still = ref->StillPicture();
    if (!still) return;
    work.Assign(*still);
  } else if (IsMultiFrameSourceType(ref->SourceType)) {
    FrameStore* store = ref->Store();
    if (!store) return;
    WorkPicture stored = Playing ? store->ReadNextFrame() : store->ReadFrame(CurrentFrameIndex);
    if (!stored) return;
    work.TakeFrom(*stored);
    FreeWorkPicture(stored);
  } else {
    return;
  }
  ProcessPendingMessages();

  if (v.Mirror) MirrorPicture(work);
  if (v.Flip) FlipPicture(work);

  // 64 bits: the offsets come from the project file and the rotation's
  // shifts move them further.
  int64_t x = v.OffsetX;
  int64_t y = v.OffsetY;
  int t1 = 0;
  int t2 = 0;
  // Local: composition never changes the layer record.
  int b = v.BlendType;
  for (size_t k = 0; k < v.EffectCount; ++k) {
    switch (v.EffectOrder[k]) {
      case es_Rotate:
        if (v.Angle != 0.0) {
          const RotationShift shift =
              RotatePicture(work, v.TransparentColor, v.AntiAlias, v.Clockwise ? -v.Angle : v.Angle);
          x += shift.dx;
          y += shift.dy;
        }
        break;
      case es_Transparencies:
        if (b == bt_Blend) {
          t1 = v.Transparency;
        } else if (b == bt_H_Blend || b == bt_V_Blend) {
          t1 = v.Transparency;
          t2 = v.AltTransparency;
        } else {
          t1 = t2 = 0;
        }
        break;
      case es_FadeBlend:
        // A faded layer is blended even when its blending is "None".
        if (v.FadeMode != fm_No_Fade && b == bt_No_Blend) b = bt_Blend;
        break;
      case es_PixelRotateButtonize:
        if (v.PixelRotate) {
          if (v.PixelRotateDirection == pr_Up || v.PixelRotateDirection == pr_Down)
            PixelRotateVertical(work, v.PixelRotateDirection, v.PixelRotateShift);
          else if (v.PixelRotateDirection == pr_Left || v.PixelRotateDirection == pr_Right)
            PixelRotateHorizontal(work, v.PixelRotateDirection, v.PixelRotateShift);
        }
        if (v.ButtonizeEnabled)
          ButtonizePicture(work, v.ButtonizeAmount, v.ButtonizeHighlight, v.ButtonizeShadow);
        break;
      default: break;
    }
    ProcessPendingMessages();
  }

  DrawLayerPicture(work, frame, b, t1, t2, v.TransparentColor, v.TintEnabled, v.TintColor, SaturateToInt(x),
                   SaturateToInt(y));
  ProcessPendingMessages();
}

void TAnimation::DrawFrame(const SequencedFrame* frame, int x, int y) {
  if (!DisplayCanvas || !frame) return;
  WorkPicture picture = ComposeFrame(frame);
  // Re-read: a handler run during composition may have detached the view.
  if (picture && DisplayCanvas) DisplayCanvas->DrawPicture(*picture, x, y);
  FreeWorkPicture(picture);
}

void TAnimation::ComposeAllFrames() {
  ProgressScope dialog;
  RecreateFrameCache();
  dialog->SetCaption("Rendering Frames...");
  dialog->SetRange(0, FrameCount);
  dialog->Show();
  ProcessPendingMessages();
  // Clearing the frames recreates the cache; pictures composed before that
  // must not land in the new one.
  const uint64_t generation = generation_;
  for (size_t k = 0; k < Frames.size() && generation_ == generation; ++k) {
    dialog->SetText(Format("Constructing Frame : %d", static_cast<int>(k)));
    dialog->SetPosition(static_cast<int>(k));
    dialog->Repaint();
    WorkPicture picture = ComposeFrame(Frames[k].get());
    if (picture && generation_ == generation) RenderedFrames->Add(*picture);
    FreeWorkPicture(picture);
    ProcessPendingMessages();
  }
}

}  // namespace kt58
