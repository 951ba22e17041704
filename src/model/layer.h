// SPDX-License-Identifier: GPL-3.0-or-later
// Layer records: one image resource placed in the animation with its effect
// settings. Master layers (in the constructor frame) are what the user edits;
// each generated frame holds copies with the animated values worked out.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/colors.h"
#include "engine/raster_ops.h"
#include "platform/progress.h"

namespace kt58 {

class ImageResource;
class ImageResources;

enum FadeMode : int { fm_No_Fade = 0, fm_Pulse = 1, fm_Smooth = 2 };

// Effect stages of composition, run in a layer's EffectOrder.
enum EffectStage : int {
  es_None = 1,
  es_Rotate = 2,
  es_Transparencies = 3,
  es_FadeBlend = 4,
  es_PixelRotateButtonize = 9,
};

class LayerSettings {
 public:
  // Fills EffectOrder with the fixed order; the value fields are left to
  // the derived record's creation.
  LayerSettings();
  virtual ~LayerSettings() = default;

  // Every value field below to its default (not EffectOrder).
  void ResetValues();

  std::vector<int> EffectOrder;
  // The master block of the project record, in stored order.
  int32_t BlendType = bt_No_Blend;
  int32_t Transparency = 0;     // percent of the frame left visible
  int32_t AltTransparency = 0;  // far end of a gradient blend
  bool TintEnabled = false;
  Color TintColor = 0;
  int32_t FadeMode = fm_No_Fade;
  int32_t FadeStart = 0;
  int32_t FadeFinal = 100;
  bool ButtonizeEnabled = false;
  Color ButtonizeHighlight = 0xFFFFFF;
  Color ButtonizeShadow = 0;
  int32_t ButtonizeAmount = 1;  // bevel width, pixels

 protected:
  LayerSettings(const LayerSettings&) = delete;
  LayerSettings& operator=(const LayerSettings&) = delete;
};

class Layer : public LayerSettings {
 public:
  // A layer draws its resources from `resources` and gives their counts
  // back there; the list outlives every layer made with it.
  explicit Layer(ImageResources& resources);
  ~Layer() override;
  Layer(const Layer&) = delete;
  Layer& operator=(const Layer&) = delete;

  // Every effect setting to its default, then the transparent colour from
  // the picture. Keeps LayerName, ImageRef and EffectOrder.
  void Reset();
  // Bottom-left pixel of a BMP or JPEG resource's picture; nothing for
  // other kinds.
  void AutoDetectTransparentColor();
  // The list's resource for the file, shared (count raised) or newly made
  // and loaded; none for a missing file or an unknown extension. Load errors
  // of still pictures pass on. The caller stores the result in ImageRef.
  ImageResource* AddReference(const std::filesystem::path& file_name, Progress& progress);
  // Same list, same resource (count raised), every field but LayerName.
  std::unique_ptr<Layer> CopyLayer() const;

  // Property groups as the property pages set them.
  void SetPosition(int offset_x, int offset_y);
  void SetRotation(double start_angle, double degrees_to_rotate, bool clockwise, bool anti_alias);
  void SetBlending(int blend_type, int transparency, int alt_transparency);
  void SetTint(bool enabled, Color color);
  void SetFading(int fade_mode, int fade_start, int fade_final);
  void SetOther(bool pixel_rotate, int direction, bool mirror, bool flip);
  void SetButtonize(bool enabled, int amount, Color highlight, Color shadow);

  ImageResource* ImageRef = nullptr;  // counted
  int32_t OffsetX = 0;
  int32_t OffsetY = 0;
  Color TransparentColor = 0;
  double Angle = 0.0;  // degrees used for composition
  double StartAngle = 0.0;
  double DegreesToRotate = 0.0;  // over the whole animation
  bool Clockwise = true;
  bool AntiAlias = false;
  bool PixelRotate = false;
  int32_t PixelRotateDirection = pr_Up;
  int32_t PixelRotateShift = 0;  // pixels; worked out per generated frame
  bool Mirror = false;
  bool Flip = false;
  std::string LayerName;

 private:
  ImageResources* resources_;
};

// The name the layer list gives a new layer: the resource's source file
// stem, "_" and its NameCounter ("%s_%d").
std::string DefaultLayerName(const ImageResource& ref);

}  // namespace kt58
