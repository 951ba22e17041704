// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "model/layer.h"
#include "model/image_resource.h"
#include "model/model_fixture.h"

namespace kt58::test {
namespace {

using LayerTest = ModelTest;

// Bottom-left pixel differs from every other one, so detection shows which
// corner it read.
Picture CornerPicture() {
  return MakePicture({{0x111111, 0x222222, 0x333333}, {0x00C0FF, 0x444444, 0x555555}});
}

TEST_F(LayerTest, NewLayerHasTheDefaults) {
  Layer l(*project.References);
  EXPECT_EQ(l.EffectOrder, (std::vector<int>{1, 9, 2, 4, 3}));
  EXPECT_EQ(l.BlendType, bt_No_Blend);
  EXPECT_EQ(l.FadeFinal, 100);
  EXPECT_EQ(l.ButtonizeHighlight, 0xFFFFFFu);
  EXPECT_EQ(l.ButtonizeAmount, 1);
  EXPECT_TRUE(l.Clockwise);
  EXPECT_EQ(l.ImageRef, nullptr);
  EXPECT_TRUE(l.LayerName.empty());
}

TEST_F(LayerTest, ResetRestoresSettingsKeepsNameAndResourceAndDetectsColour) {
  Layer* l = AddLayerFromFile(WriteBmp("pic.bmp", CornerPicture()));
  ASSERT_NE(l, nullptr);
  EXPECT_EQ(l->TransparentColor, 0x00C0FFu);
  ImageResource* ref = l->ImageRef;
  l->LayerName = "kept";
  l->BlendType = bt_V_Blend;
  l->Transparency = 40;
  l->TintEnabled = true;
  l->FadeFinal = 3;
  l->OffsetX = 7;
  l->Angle = l->StartAngle = 45;
  l->Clockwise = false;
  l->PixelRotateShift = 9;
  l->Mirror = true;
  l->TransparentColor = 0x123456;
  l->Reset();
  EXPECT_EQ(l->BlendType, bt_No_Blend);
  EXPECT_EQ(l->Transparency, 0);
  EXPECT_FALSE(l->TintEnabled);
  EXPECT_EQ(l->FadeFinal, 100);
  EXPECT_EQ(l->OffsetX, 0);
  EXPECT_EQ(l->Angle, 0.0);
  EXPECT_TRUE(l->Clockwise);
  EXPECT_EQ(l->PixelRotateShift, 0);
  EXPECT_FALSE(l->Mirror);
  EXPECT_EQ(l->TransparentColor, 0x00C0FFu);
  EXPECT_EQ(l->LayerName, "kept");
  EXPECT_EQ(l->ImageRef, ref);
  EXPECT_EQ(ref->RefCount, 1);
}

TEST_F(LayerTest, ResetOfAMultiFrameLayerLeavesTransparentColourZero) {
  const std::vector<Color> pal = {RGBColor(9, 9, 9), RGBColor(255, 0, 0), 0, 0};
  Layer* l = AddLayerFromFile(WriteGif("a.gif", MakeTinyGif(1, 1, pal, {{{0}}, {{1}}})));
  ASSERT_NE(l, nullptr);
  ASSERT_EQ(l->ImageRef->SourceType, st_Gifa);
  l->TransparentColor = 0xABCDEF;
  l->Reset();
  EXPECT_EQ(l->TransparentColor, 0u);
  l->TransparentColor = 0xABCDEF;
  l->AutoDetectTransparentColor();
  EXPECT_EQ(l->TransparentColor, 0xABCDEFu);
}

TEST_F(LayerTest, SameFileInAnyCaseSharesOneResourceAndNamesCount) {
  const auto path = WriteBmp("Walk.bmp", CornerPicture());
  Layer* first = AddLayerFromFile(path);
  first->LayerName = DefaultLayerName(*first->ImageRef);
  std::string upper = path.string();
  for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  Layer* second = AddLayerFromFile(upper);
  second->LayerName = DefaultLayerName(*second->ImageRef);
  EXPECT_EQ(first->ImageRef, second->ImageRef);
  EXPECT_EQ(first->ImageRef->RefCount, 2);
  EXPECT_EQ(project.References->Count(), 1);
  EXPECT_EQ(first->LayerName, "Walk_1");
  EXPECT_EQ(second->LayerName, "Walk_2");
}

TEST_F(LayerTest, NoResourceForMissingFilesOrUnknownExtensions) {
  WriteFileBytes(dir / "photo.jpeg", {0xFF, 0xD8});
  WriteFileBytes(dir / "notes.txt", {'x'});
  Layer l(*project.References);
  EXPECT_EQ(l.AddReference(dir / "photo.jpeg", NoProgress()), nullptr);
  EXPECT_EQ(l.AddReference(dir / "notes.txt", NoProgress()), nullptr);
  EXPECT_EQ(l.AddReference(dir / "absent.bmp", NoProgress()), nullptr);
  EXPECT_EQ(project.References->Count(), 0);
}

TEST_F(LayerTest, CopyLayerSharesTheResourceAndEverySettingButTheName) {
  Layer* l = AddLayerFromFile(WriteBmp("pic.bmp", CornerPicture()));
  l->LayerName = "original";
  l->BlendType = bt_H_Blend;
  l->Transparency = 11;
  l->AltTransparency = 22;
  l->TintEnabled = true;
  l->TintColor = 0x0000FF;
  l->FadeMode = fm_Smooth;
  l->FadeStart = 5;
  l->FadeFinal = 6;
  l->ButtonizeEnabled = true;
  l->ButtonizeHighlight = 0x010203;
  l->ButtonizeShadow = 0x040506;
  l->ButtonizeAmount = 4;
  l->OffsetX = -3;
  l->OffsetY = 8;
  l->TransparentColor = 0x070809;
  l->Angle = 12.5;
  l->StartAngle = 10;
  l->DegreesToRotate = 720;
  l->Clockwise = false;
  l->AntiAlias = true;
  l->PixelRotate = true;
  l->PixelRotateDirection = pr_Right;
  l->PixelRotateShift = 3;
  l->Mirror = true;
  l->Flip = true;
  std::unique_ptr<Layer> c = l->CopyLayer();
  EXPECT_TRUE(c->LayerName.empty());
  EXPECT_EQ(c->ImageRef, l->ImageRef);
  EXPECT_EQ(l->ImageRef->RefCount, 2);
  EXPECT_EQ(c->EffectOrder, l->EffectOrder);
  EXPECT_EQ(c->BlendType, bt_H_Blend);
  EXPECT_EQ(c->Transparency, 11);
  EXPECT_EQ(c->AltTransparency, 22);
  EXPECT_TRUE(c->TintEnabled);
  EXPECT_EQ(c->TintColor, 0x0000FFu);
  EXPECT_EQ(c->FadeMode, fm_Smooth);
  EXPECT_EQ(c->FadeStart, 5);
  EXPECT_EQ(c->FadeFinal, 6);
  EXPECT_TRUE(c->ButtonizeEnabled);
  EXPECT_EQ(c->ButtonizeHighlight, 0x010203u);
  EXPECT_EQ(c->ButtonizeShadow, 0x040506u);
  EXPECT_EQ(c->ButtonizeAmount, 4);
  EXPECT_EQ(c->OffsetX, -3);
  EXPECT_EQ(c->OffsetY, 8);
  EXPECT_EQ(c->TransparentColor, 0x070809u);
  EXPECT_EQ(c->Angle, 12.5);
  EXPECT_EQ(c->StartAngle, 10);
  EXPECT_EQ(c->DegreesToRotate, 720);
  EXPECT_FALSE(c->Clockwise);
  EXPECT_TRUE(c->AntiAlias);
  EXPECT_TRUE(c->PixelRotate);
  EXPECT_EQ(c->PixelRotateDirection, pr_Right);
  EXPECT_EQ(c->PixelRotateShift, 3);
  EXPECT_TRUE(c->Mirror);
  EXPECT_TRUE(c->Flip);
  c.reset();
  EXPECT_EQ(l->ImageRef->RefCount, 1);
}

TEST_F(LayerTest, PropertyGroupSettersChangeTheirLayerOnly) {
  Layer* other = AddBareLayer();
  Layer* l = AddBareLayer();
  l->SetPosition(5, 6);
  l->SetRotation(30, 90, false, true);
  l->SetBlending(bt_Blend, 20, 30);
  l->SetTint(true, 0x00FF00);
  l->SetFading(fm_Pulse, 10, 90);
  l->SetOther(true, pr_Left, true, false);
  l->SetButtonize(true, 3, 0x111111, 0x222222);
  EXPECT_EQ(l->OffsetX, 5);
  EXPECT_EQ(l->OffsetY, 6);
  EXPECT_EQ(l->StartAngle, 30);
  EXPECT_EQ(l->Angle, 30);
  EXPECT_EQ(l->DegreesToRotate, 90);
  EXPECT_FALSE(l->Clockwise);
  EXPECT_TRUE(l->AntiAlias);
  EXPECT_EQ(l->BlendType, bt_Blend);
  EXPECT_EQ(l->AltTransparency, 30);
  EXPECT_EQ(l->TintColor, 0x00FF00u);
  EXPECT_EQ(l->FadeStart, 10);
  EXPECT_EQ(l->PixelRotateDirection, pr_Left);
  EXPECT_TRUE(l->Mirror);
  EXPECT_EQ(l->ButtonizeAmount, 3);
  EXPECT_EQ(l->ButtonizeShadow, 0x222222u);
  EXPECT_EQ(other->OffsetX, 0);
  EXPECT_EQ(other->StartAngle, 0);
  EXPECT_EQ(other->BlendType, bt_No_Blend);
  EXPECT_FALSE(other->TintEnabled);
  EXPECT_EQ(other->FadeMode, fm_No_Fade);
  EXPECT_FALSE(other->Mirror);
  EXPECT_FALSE(other->ButtonizeEnabled);
}

}  // namespace
}  // namespace kt58::test
