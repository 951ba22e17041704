// SPDX-License-Identifier: GPL-3.0-or-later
// Snapshots of what a user edits: every setting of one master layer, and the
// animation's frame setup. Undo commands store one before and one after an
// edit and put either back field by field.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/colors.h"

namespace kt58 {
class Project;
class Layer;
}  // namespace kt58

// Everything of a master layer but its owner, resource, name and effect order.
struct LayerSnapshot {
  int32_t BlendType = 0, Transparency = 0, AltTransparency = 0;
  bool TintEnabled = false;
  kt58::Color TintColor = 0;
  int32_t FadeMode = 0, FadeStart = 0, FadeFinal = 0;
  bool ButtonizeEnabled = false;
  kt58::Color ButtonizeHighlight = 0, ButtonizeShadow = 0;
  int32_t ButtonizeAmount = 0;
  int32_t OffsetX = 0, OffsetY = 0;
  kt58::Color TransparentColor = 0;
  double Angle = 0, StartAngle = 0, DegreesToRotate = 0;
  bool Clockwise = true, AntiAlias = false, PixelRotate = false;
  int32_t PixelRotateDirection = 0, PixelRotateShift = 0;
  bool Mirror = false, Flip = false;

  static LayerSnapshot Of(const kt58::Layer& layer);
  void ApplyTo(kt58::Layer& layer) const;
  friend bool operator==(const LayerSnapshot&, const LayerSnapshot&) = default;
};

// The animation's settings that the "Animation" page and the speed bar edit.
struct AnimationSettings {
  bool FixedFrameSize = false;
  int32_t FixedWidth = 0, FixedHeight = 0;
  kt58::Color BackgroundColor = 0;
  int32_t FrameCount = 0, FrameDelay = 0;
  bool NonRenderedPlayback = true;

  static AnimationSettings Of(const kt58::Project& animation);
  void ApplyTo(kt58::Project& animation) const;
  friend bool operator==(const AnimationSettings&, const AnimationSettings&) = default;
};
