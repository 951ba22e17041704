// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/document/layer_snapshot.h"

#include "model/project.h"
#include "model/layer.h"

// One list of the fields, used in both directions, so that a field added for
// one direction cannot be forgotten in the other.
#define KT58_LAYER_SETTINGS(F)                                                                                     \
  F(BlendType) F(Transparency) F(AltTransparency) F(TintEnabled) F(TintColor) F(FadeMode) F(FadeStart) F(FadeFinal) \
  F(ButtonizeEnabled) F(ButtonizeHighlight) F(ButtonizeShadow) F(ButtonizeAmount) F(OffsetX) F(OffsetY)             \
  F(TransparentColor) F(Angle) F(StartAngle) F(DegreesToRotate) F(Clockwise) F(AntiAlias) F(PixelRotate)             \
  F(PixelRotateDirection) F(PixelRotateShift) F(Mirror) F(Flip)

#define KT58_ANIMATION_SETTINGS(F) \
  F(FixedFrameSize) F(FixedWidth) F(FixedHeight) F(BackgroundColor) F(FrameCount) F(FrameDelay) F(NonRenderedPlayback)

#define KT58_READ(name) s.name = source.name;
#define KT58_WRITE(name) target.name = name;

LayerSnapshot LayerSnapshot::Of(const kt58::Layer& source) {
  LayerSnapshot s;
  KT58_LAYER_SETTINGS(KT58_READ)
  return s;
}

void LayerSnapshot::ApplyTo(kt58::Layer& target) const { KT58_LAYER_SETTINGS(KT58_WRITE) }

AnimationSettings AnimationSettings::Of(const kt58::Project& source) {
  AnimationSettings s;
  KT58_ANIMATION_SETTINGS(KT58_READ)
  return s;
}

void AnimationSettings::ApplyTo(kt58::Project& target) const { KT58_ANIMATION_SETTINGS(KT58_WRITE) }
