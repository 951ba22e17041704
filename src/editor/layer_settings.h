// Snapshots of what a user edits: every setting of one master layer, and the
// animation's frame setup. Undo commands store one before and one after an
// edit and put either back field by field.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/colors.h"

namespace kt58 {
class TAnimation;
class TFrameLayer;
}  // namespace kt58

// Everything of a master layer but its owner, resource, name and effect order.
struct LayerSettings {
  int32_t BlendType = 0, Transparency = 0, AltTransparency = 0;
  bool TintEnabled = false;
  kt58::TColor TintColor = 0;
  int32_t FadeMode = 0, FadeStart = 0, FadeFinal = 0;
  bool ButtonizeEnabled = false;
  kt58::TColor ButtonizeHighlight = 0, ButtonizeShadow = 0;
  int32_t ButtonizeAmount = 0;
  int32_t OffsetX = 0, OffsetY = 0;
  kt58::TColor TransparentColor = 0;
  double Angle = 0, StartAngle = 0, DegreesToRotate = 0;
  bool Clockwise = true, AntiAlias = false, PixelRotate = false;
  int32_t PixelRotateDirection = 0, PixelRotateShift = 0;
  bool Mirror = false, Flip = false;

  static LayerSettings Of(const kt58::TFrameLayer& layer);
  void ApplyTo(kt58::TFrameLayer& layer) const;
  friend bool operator==(const LayerSettings&, const LayerSettings&) = default;
};

// The animation's settings that the "Animation" page and the speed bar edit.
struct AnimationSettings {
  bool FixedFrameSize = false;
  int32_t FixedWidth = 0, FixedHeight = 0;
  kt58::TColor BackgroundColor = 0;
  int32_t FrameCount = 0, FrameDelay = 0;
  bool NonRenderedPlayback = true;

  static AnimationSettings Of(const kt58::TAnimation& animation);
  void ApplyTo(kt58::TAnimation& animation) const;
  friend bool operator==(const AnimationSettings&, const AnimationSettings&) = default;
};
