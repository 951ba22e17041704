// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/layer.h"

#include <system_error>

#include "model/image_resource.h"
#include "model/image_resources.h"
#include "platform/text_helpers.h"

namespace kt58 {

namespace {
constexpr int kFixedEffectOrder[] = {es_None, es_PixelRotateButtonize, es_Rotate, es_FadeBlend, es_Transparencies};
}

LayerSettings::LayerSettings() {
  EffectOrder.clear();
  EffectOrder.assign(std::begin(kFixedEffectOrder), std::end(kFixedEffectOrder));
}

void LayerSettings::ResetValues() {
  BlendType = bt_No_Blend;
  Transparency = 0;
  AltTransparency = 0;
  TintEnabled = false;
  TintColor = 0;
  FadeMode = fm_No_Fade;
  FadeStart = 0;
  FadeFinal = 100;
  ButtonizeEnabled = false;
  ButtonizeHighlight = 0xFFFFFF;
  ButtonizeShadow = 0;
  ButtonizeAmount = 1;
}

Layer::Layer(ImageResources& resources) : resources_(&resources) { Reset(); }

Layer::~Layer() {
  // Release only counts down or frees: it raises nothing.
  resources_->Release(ImageRef);
  ImageRef = nullptr;
}

void Layer::Reset() {
  ResetValues();
  TransparentColor = 0;
  OffsetX = 0;
  OffsetY = 0;
  Angle = 0.0;
  StartAngle = 0.0;
  DegreesToRotate = 0.0;
  Clockwise = true;
  AntiAlias = false;
  PixelRotate = false;
  PixelRotateDirection = pr_Up;
  PixelRotateShift = 0;
  Mirror = false;
  Flip = false;
  AutoDetectTransparentColor();
}

void Layer::AutoDetectTransparentColor() {
  if (!ImageRef || (ImageRef->SourceType != st_Bmp && ImageRef->SourceType != st_Jpg)) return;
  const Picture* picture = ImageRef->StillPicture();
  if (!picture || picture->Empty()) return;
  const uint8_t* p = picture->Row(picture->Height() - 1);
  TransparentColor = RGBColor(p[2], p[1], p[0]);
}

ImageResource* Layer::AddReference(const std::filesystem::path& file_name, Progress& progress) {
  ImageResources& list = *resources_;
  std::optional<StorePlacement> placement = list.TakeStorePlacement();
  if (ImageResource* found = list.FindByFileName(file_name)) {
    ++found->RefCount;
    return found;
  }
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file_name, ec)) return nullptr;
  std::unique_ptr<ImageResource> ref;
  switch (SourceTypeFromFileName(file_name)) {
    case st_Bmp:
    case st_Jpg:
    case st_Gif: ref = std::make_unique<PictureResource>(file_name, list.TakeNextId()); break;
    case st_Avi:
    case st_Gifa: {
      auto store_ref = std::make_unique<FrameStoreResource>(file_name, list.TakeNextId());
      store_ref->Placement = std::move(placement);
      ref = std::move(store_ref);
      break;
    }
    default: return nullptr;
  }
  // The resource joins the list only once it is complete.
  ref->LoadFromSource(progress);
  return list.Append(std::move(ref));
}

std::unique_ptr<Layer> Layer::CopyLayer() const {
  auto c = std::make_unique<Layer>(*resources_);
  c->EffectOrder.clear();
  for (int code : EffectOrder) c->EffectOrder.push_back(code);
  c->BlendType = BlendType;
  c->Transparency = Transparency;
  c->AltTransparency = AltTransparency;
  c->TintEnabled = TintEnabled;
  c->TintColor = TintColor;
  c->FadeMode = FadeMode;
  c->FadeStart = FadeStart;
  c->FadeFinal = FadeFinal;
  c->ButtonizeEnabled = ButtonizeEnabled;
  c->ButtonizeHighlight = ButtonizeHighlight;
  c->ButtonizeShadow = ButtonizeShadow;
  c->ButtonizeAmount = ButtonizeAmount;
  if (ImageRef) ++ImageRef->RefCount;
  c->ImageRef = ImageRef;
  c->OffsetX = OffsetX;
  c->OffsetY = OffsetY;
  c->TransparentColor = TransparentColor;
  c->Angle = Angle;
  c->StartAngle = StartAngle;
  c->DegreesToRotate = DegreesToRotate;
  c->Clockwise = Clockwise;
  c->AntiAlias = AntiAlias;
  c->PixelRotate = PixelRotate;
  c->PixelRotateDirection = PixelRotateDirection;
  c->PixelRotateShift = PixelRotateShift;
  c->Mirror = Mirror;
  c->Flip = Flip;
  return c;
}

void Layer::SetPosition(int offset_x, int offset_y) {
  OffsetX = offset_x;
  OffsetY = offset_y;
}

void Layer::SetRotation(double start_angle, double degrees_to_rotate, bool clockwise, bool anti_alias) {
  StartAngle = start_angle;
  Angle = start_angle;
  DegreesToRotate = degrees_to_rotate;
  Clockwise = clockwise;
  AntiAlias = anti_alias;
}

void Layer::SetBlending(int blend_type, int transparency, int alt_transparency) {
  BlendType = blend_type;
  Transparency = transparency;
  AltTransparency = alt_transparency;
}

void Layer::SetTint(bool enabled, Color color) {
  TintEnabled = enabled;
  TintColor = color;
}

void Layer::SetFading(int fade_mode, int fade_start, int fade_final) {
  FadeMode = fade_mode;
  FadeStart = fade_start;
  FadeFinal = fade_final;
}

void Layer::SetOther(bool pixel_rotate, int direction, bool mirror, bool flip) {
  PixelRotate = pixel_rotate;
  PixelRotateDirection = direction;
  Mirror = mirror;
  Flip = flip;
}

void Layer::SetButtonize(bool enabled, int amount, Color highlight, Color shadow) {
  ButtonizeEnabled = enabled;
  ButtonizeAmount = amount;
  ButtonizeHighlight = highlight;
  ButtonizeShadow = shadow;
}

std::string DefaultLayerName(const ImageResource& ref) {
  return Format("%s_%d", ref.SourceFileName.stem().string().c_str(), ref.NameCounter);
}

}  // namespace kt58
