// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "engine/bmp_codec.h"
#include "model/project.h"
#include "model/binary_io.h"
#include "model/project_records.h"
#include "support/gif_builder.h"
#include "support/recording_progress.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

namespace fs = std::filesystem;
using test::ProgressStep;
using test::RecordingProgress;
using test::TempDir;

std::string Save(const Project& a) {
  std::stringstream s;
  a.SaveToStream(s);
  return s.str();
}

bool Load(Project& a, const std::string& bytes) {
  std::stringstream s(bytes);
  return a.ReadFromStream(s).ok;
}

std::vector<fs::path> FilesIn(const fs::path& dir) {
  std::vector<fs::path> out;
  for (const auto& e : fs::recursive_directory_iterator(dir)) out.push_back(e.path());
  std::sort(out.begin(), out.end());
  return out;
}

TEST(ProjectFile, EmptyProjectIs46Bytes) {
  TempDir dir;
  Project a;
  const std::string bytes = Save(a);
  ASSERT_EQ(bytes.size(), 46u);
  int32_t version;
  std::memcpy(&version, bytes.data(), 4);
  EXPECT_EQ(version, 100);
  Project b;
  EXPECT_TRUE(Load(b, bytes));
  EXPECT_EQ(b.LayerCount(), 0);
  EXPECT_EQ(b.FrameCount, 10);
}

TEST(ProjectFile, EveryFieldSurvivesARoundTrip) {
  TempDir dir;
  Project a;
  a.FrameCount = 7;
  a.FixedFrameSize = true;
  a.FixedWidth = 123;
  a.FixedHeight = 45;
  a.BackgroundColor = 0x00123456;
  a.FrameDelay = 40;
  a.NonRenderedPlayback = false;
  const fs::path bmp = test::WriteBmpFile(dir, "logo.bmp", test::MakeRandomPicture(5, 4, 9));
  Layer* l = a.AddLayerFromFile(bmp);
  ASSERT_NE(l, nullptr);
  l->LayerName = std::string(256, 'n');
  l->TransparentColor = 0x00010203;
  l->OffsetX = -17;
  l->OffsetY = 2'000'000;
  l->BlendType = bt_V_Blend;
  l->Transparency = 33;
  l->AltTransparency = 77;
  l->TintEnabled = true;
  l->TintColor = 0x00FF8000;
  l->FadeMode = fm_Smooth;
  l->FadeStart = 5;
  l->FadeFinal = 95;
  l->ButtonizeEnabled = true;
  l->ButtonizeHighlight = 0x00ABCDEF;
  l->ButtonizeShadow = 0x80000010;
  l->ButtonizeAmount = 4;
  l->Angle = 12.25;
  l->StartAngle = 12.25;
  l->DegreesToRotate = 0.1;
  l->Clockwise = false;
  l->AntiAlias = true;
  l->PixelRotate = true;
  l->PixelRotateDirection = pr_Right;
  l->Mirror = true;
  l->Flip = true;
  Layer* second = a.AddLayerFromFile(bmp);
  second->LayerName = std::string("ab\0cd", 5);

  const std::string bytes = Save(a);
  Project b;
  ASSERT_TRUE(Load(b, bytes));
  EXPECT_EQ(b.FrameCount, 7);
  EXPECT_TRUE(b.FixedFrameSize);
  EXPECT_EQ(b.FixedWidth, 123);
  EXPECT_EQ(b.FixedHeight, 45);
  EXPECT_EQ(b.BackgroundColor, 0x00123456u);
  EXPECT_EQ(b.FrameDelay, 40);
  EXPECT_FALSE(b.NonRenderedPlayback);
  EXPECT_EQ(b.AutoWidth, 5);
  EXPECT_EQ(b.AutoHeight, 4);
  ASSERT_EQ(b.LayerCount(), 2);
  // Order kept: the layer added last is on top (index 0); the zero byte ends
  // its name.
  EXPECT_EQ(b.ConstructorFrame->Layers[0]->LayerName, "ab");
  const Layer& r = *b.ConstructorFrame->Layers[1];
  EXPECT_EQ(r.LayerName, std::string(256, 'n'));
  EXPECT_EQ(r.TransparentColor, 0x00010203u);
  EXPECT_EQ(r.OffsetX, -17);
  EXPECT_EQ(r.OffsetY, 2'000'000);
  EXPECT_EQ(r.BlendType, bt_V_Blend);
  EXPECT_EQ(r.Transparency, 33);
  EXPECT_EQ(r.AltTransparency, 77);
  EXPECT_TRUE(r.TintEnabled);
  EXPECT_EQ(r.TintColor, 0x00FF8000u);
  EXPECT_EQ(r.FadeMode, fm_Smooth);
  EXPECT_EQ(r.FadeStart, 5);
  EXPECT_EQ(r.FadeFinal, 95);
  EXPECT_TRUE(r.ButtonizeEnabled);
  EXPECT_EQ(r.ButtonizeHighlight, 0x00ABCDEFu);
  EXPECT_EQ(r.ButtonizeShadow, 0x80000010u);
  EXPECT_EQ(r.ButtonizeAmount, 4);
  EXPECT_EQ(r.Angle, 12.25);
  EXPECT_EQ(r.StartAngle, 12.25);
  EXPECT_EQ(r.DegreesToRotate, 0.1);
  EXPECT_FALSE(r.Clockwise);
  EXPECT_TRUE(r.AntiAlias);
  EXPECT_TRUE(r.PixelRotate);
  EXPECT_EQ(r.PixelRotateDirection, pr_Right);
  EXPECT_TRUE(r.Mirror);
  EXPECT_TRUE(r.Flip);
  // Both layers share the one resource read back, with its picture.
  ASSERT_EQ(b.References->Count(), 1);
  EXPECT_EQ(r.ImageRef, b.ConstructorFrame->Layers[0]->ImageRef);
  EXPECT_EQ(r.ImageRef->RefCount, 2);
  EXPECT_EQ(r.ImageRef->NameCounter, 2);
  ASSERT_NE(r.ImageRef->StillPicture(), nullptr);
  EXPECT_TRUE(test::PicturesEqual(*r.ImageRef->StillPicture(), test::MakeRandomPicture(5, 4, 9)));
  // Saving what was read and reading it again changes nothing more.
  const std::string again = Save(b);
  Project c;
  ASSERT_TRUE(Load(c, again));
  EXPECT_EQ(Save(c), again);
}

// The file stores how many frames the layers make, though a reader makes
// them again: the frame count with layers, none without.
TEST(ProjectFile, SavingStoresTheNumberOfGeneratedFrames) {
  TempDir dir;
  Project a;
  a.FrameCount = 7;
  int32_t generated;
  std::memcpy(&generated, Save(a).data() + 34 + 4, 4);
  EXPECT_EQ(generated, 0);
  a.AddLayerFromFile(test::WriteBmpFile(dir, "a.bmp", test::MakeSolidPicture(2, 2, 0xFF)));
  const std::string bytes = Save(a);
  // Globals (34), resource count, the resource record, then the generated count.
  const size_t record = 4 + (4 + a.References->Item(0)->SourceFileName.string().size()) * 2 + 16 + 54 + 16;
  std::memcpy(&generated, bytes.data() + 34 + 4 + record, 4);
  EXPECT_EQ(generated, 7);
}

TEST(ProjectFile, VersionsAboveTheNewestAreRefused) {
  TempDir dir;
  Project a;
  std::string bytes = Save(a);
  for (int32_t version : {99, kFileVersion + 1}) {
    std::memcpy(bytes.data(), &version, 4);
    Project b;
    std::stringstream in(bytes);
    const ProjectReadResult r = b.ReadFromStream(in);
    EXPECT_EQ(r.ok, version == 99) << version;
    if (version > kFileVersion) {
      EXPECT_EQ(r.message, "Incompatible file version\rThis file may have been created with a later version of kt58.");
      // Saved afterwards, the project carries version 100 again.
      int32_t written;
      std::memcpy(&written, Save(b).data(), 4);
      EXPECT_EQ(written, 100);
    }
  }
}

TEST(ProjectFile, ProgressOnlyForTwoOrMoreResources) {
  TempDir dir;
  Project a;
  a.AddLayerFromFile(test::WriteBmpFile(dir, "a.bmp", test::MakeSolidPicture(2, 2, 0xFF)));
  {
    RecordingProgress saving, loading;
    std::stringstream s;
    a.SaveToStream(s, saving);
    Project b;
    ASSERT_TRUE(b.ReadFromStream(s, loading).ok);
    EXPECT_EQ(saving.begun + loading.begun, 0);
    EXPECT_TRUE(saving.steps.empty());
    EXPECT_TRUE(loading.steps.empty());
  }
  a.AddLayerFromFile(test::WriteBmpFile(dir, "b.bmp", test::MakeSolidPicture(3, 2, 0xFF00)));
  RecordingProgress saving, loading;
  std::stringstream s;
  a.SaveToStream(s, saving);
  Project b;
  ASSERT_TRUE(b.ReadFromStream(s, loading).ok);
  EXPECT_EQ(b.References->Count(), 2);
  EXPECT_EQ(saving.caption, "Saving Animation Resources");
  EXPECT_FALSE(saving.offer_cancel);
  EXPECT_EQ(saving.steps,
            (std::vector<ProgressStep>{{"Saving Resource 1 of 2", 0, 2}, {"Saving Resource 2 of 2", 1, 2}}));
  EXPECT_EQ(loading.caption, "Loading Animation Resources");
  EXPECT_FALSE(loading.offer_cancel);
  EXPECT_EQ(loading.steps,
            (std::vector<ProgressStep>{{"Loading Resource 1 of 2", 0, 2}, {"Loading Resource 2 of 2", 1, 2}}));
}

// A hand-made file: globals, then resource records with the given ids (still
// 1x1 pictures), then one layer per resource.
std::string ProjectWithIds(const std::vector<int32_t>& ids) {
  std::stringstream s;
  PutInt32(s, 100);
  for (int32_t v : {10, 1, 1, 10, 10, 0}) PutInt32(s, v);
  PutBool(s, false);
  PutInt32(s, 0);
  PutBool(s, true);
  PutInt32(s, static_cast<int32_t>(ids.size()));
  for (int32_t id : ids) {
    PutInt32(s, 0);
    PutString(s, "C:\\pics\\x.bmp");
    PutString(s, "C:\\pics\\x.bmp");
    for (int32_t v : {id, 1, 1, 1}) PutInt32(s, v);
    WriteBmpImage(test::MakeSolidPicture(1, 1, 0xFFFFFF), s);
  }
  PutInt32(s, 10);
  PutInt32(s, static_cast<int32_t>(ids.size()));
  for (int32_t id : ids) {
    PutString(s, "layer" + std::to_string(id));
    PutInt32(s, id);
    s << std::string(kLayerRecordFixedBytes - 4, '\0');
  }
  return s.str();
}

TEST(ProjectFile, IdsReadRaiseTheNextId) {
  TempDir dir;
  Project a;
  ASSERT_TRUE(Load(a, ProjectWithIds({5, 7, 9})));
  EXPECT_GE(a.References->NextId(), 10);
  ASSERT_EQ(a.LayerCount(), 3);
  EXPECT_EQ(a.ConstructorFrame->Layers[2]->LayerName, "layer9");
  EXPECT_EQ(a.References->FindById(7)->RefCount, 1);
}

TEST(ProjectFile, LayerNamingAMissingResourceIsDropped) {
  TempDir dir;
  std::string bytes = ProjectWithIds({3});
  // Point the layer at id 4, which no resource has.
  const std::string needle = std::string("layer3") + std::string("\x03\0\0\0", 4);
  const size_t at = bytes.find(needle);
  ASSERT_NE(at, std::string::npos);
  bytes[at + 6] = 4;
  Project a;
  ASSERT_TRUE(Load(a, bytes));
  EXPECT_EQ(a.LayerCount(), 0);
  EXPECT_EQ(a.References->Count(), 1);
}

TEST(ProjectFile, NamesInAnotherCodePageLoad) {
  TempDir dir;
  std::string bytes = ProjectWithIds({1});
  const size_t at = bytes.find("layer1");
  bytes[at] = static_cast<char>(0xE9);  // e acute in a Western code page: not UTF-8
  Project a;
  ASSERT_TRUE(Load(a, bytes));
  EXPECT_EQ(a.ConstructorFrame->Layers[0]->LayerName, "\xE9" "ayer1");
  EXPECT_EQ(Save(a).size(), bytes.size());
}

TEST(ProjectFile, MultiFrameResourceRoundTripsIntoTheProgramFolder) {
  TempDir dir;
  Project a;
  a.AddLayerFromFile(test::WriteSmallAnimatedGif(dir.path(), "spin.gif"));
  ASSERT_EQ(a.References->Item(0)->SourceType, st_Gifa);
  const std::string bytes = Save(a);
  const fs::path old_store = a.References->Item(0)->DataFileName;

  Project b;
  ASSERT_TRUE(Load(b, bytes));
  ImageResource* ref = b.References->Item(0);
  ASSERT_NE(ref->Store(), nullptr);
  EXPECT_EQ(ref->Store()->FrameCount, 3);
  EXPECT_NE(ref->DataFileName, old_store);  // a fresh file, not the stored one
  EXPECT_EQ(ref->DataFileName.parent_path(), fs::path(dir.path()));
  EXPECT_EQ(test::ReadFileBytes(ref->DataFileName), test::ReadFileBytes(old_store));
}

TEST(ProjectFile, StoredDataFileNamesAreNeverPaths) {
  TempDir dir;
  Project a;
  a.AddLayerFromFile(test::WriteSmallAnimatedGif(dir.path(), "spin.gif"));
  const std::string good = Save(a);
  const std::string stored = a.References->Item(0)->DataFileName.string();
  const fs::path outside = dir.path().parent_path() / ("kt58-outside-" + std::to_string(::getpid()));
  for (const std::string& hostile : {std::string("../../x"), outside.string(), std::string("C:\\Windows\\evil.Dat")}) {
    // Replace the stored data file name (a length-prefixed string).
    std::string bytes = good;
    const size_t at = bytes.find(stored);
    ASSERT_NE(at, std::string::npos);
    std::string prefixed(4, '\0');
    const int32_t n = static_cast<int32_t>(hostile.size());
    std::memcpy(prefixed.data(), &n, 4);
    bytes.replace(at - 4, 4 + stored.size(), prefixed + hostile);
    Project b;
    ASSERT_TRUE(Load(b, bytes)) << hostile;
    const fs::path made = b.References->Item(0)->DataFileName;
    EXPECT_TRUE(fs::exists(made));
    EXPECT_EQ(made.parent_path(), fs::path(dir.path())) << made;
    EXPECT_FALSE(fs::exists(outside));
    EXPECT_FALSE(fs::exists(dir.path().parent_path().parent_path() / "x"));
  }
}

TEST(ProjectFile, ImportThatFailedIsSavedAsAnEmptyStore) {
  TempDir dir;
  Project a;
  const fs::path gif = test::WriteSmallAnimatedGif(dir.path(), "spin.gif");
  a.AddLayerFromFile(gif);
  auto* ref = dynamic_cast<FrameStoreResource*>(a.References->Item(0));
  ASSERT_NE(ref, nullptr);
  ref->Image.reset();  // as after an import that failed
  const std::string bytes = Save(a);
  Project b;
  ASSERT_TRUE(Load(b, bytes));
  EXPECT_EQ(b.References->Count(), 1);
  ASSERT_NE(b.References->Item(0)->Store(), nullptr);
  EXPECT_EQ(b.References->Item(0)->Store()->FrameCount, 0);
  EXPECT_EQ(b.LayerCount(), 1);
}

ProjectReadResult Read(Project& a, const std::string& bytes) {
  std::stringstream s(bytes);
  return a.ReadFromStream(s);
}

TEST(ProjectFile, HugeCountsFailAtOnce) {
  TempDir dir;
  {
    // A 100-byte file claiming 2^31 - 1 resources: the resources are
    // skipped, and what follows reads as an empty project.
    std::stringstream s;
    PutInt32(s, 100);
    s << std::string(30, '\0');
    PutInt32(s, 0x7FFFFFFF);
    s << std::string(100 - 38, '\0');
    Project a;
    const ProjectReadResult r = Read(a, s.str());
    EXPECT_TRUE(r.ok);
    EXPECT_FALSE(r.Complete());
    ASSERT_EQ(r.warnings.size(), 1u);
    EXPECT_EQ(r.warnings[0].message, "Unexpected resource load error.");
    EXPECT_NE(r.warnings[0].cause.find("2147483647"), std::string::npos) << r.warnings[0].cause;
    EXPECT_EQ(a.References->Count(), 0);
  }
  {
    // A resource whose picture claims 2^31 bytes.
    std::string bytes = ProjectWithIds({1});
    const size_t bm = bytes.find("BM");
    const uint32_t huge = 0x7FFFFFF0;
    std::memcpy(bytes.data() + bm + 2, &huge, 4);
    Project a;
    const ProjectReadResult r = Read(a, bytes);
    EXPECT_FALSE(r.Complete());
    ASSERT_FALSE(r.warnings.empty());
    EXPECT_EQ(r.warnings[0].message, "Unexpected resource load error.");
    EXPECT_NE(r.warnings[0].cause.find("Resource 1 of 1"), std::string::npos) << r.warnings[0].cause;
    EXPECT_EQ(a.References->Count(), 0);
  }
}

// Resequencing would copy every layer into every frame: the bound is
// checked before a layer is read, and the text names both numbers.
TEST(ProjectFile, LayersTimesFramesIsBounded) {
  TempDir dir;
  for (const int32_t layers : {1000, 1001}) {
    std::stringstream s;
    PutInt32(s, 100);
    for (int32_t v : {1000, 1, 1, 10, 10, 0}) PutInt32(s, v);
    PutBool(s, false);
    PutInt32(s, 0);
    PutBool(s, true);
    PutInt32(s, 0);  // resources
    PutInt32(s, 0);  // generated frames
    PutInt32(s, layers);
    for (int32_t i = 0; i < layers; ++i) {
      PutString(s, "l");
      s << std::string(kLayerRecordFixedBytes, '\0');
    }
    Project a;
    const ProjectReadResult r = Read(a, s.str());
    EXPECT_EQ(r.ok, layers == 1000) << layers;
    if (layers == 1001) {
      EXPECT_EQ(r.message, "Animation.LoadFromStream Exception");
      EXPECT_NE(r.cause.find("1001 layers over 1000 frames"), std::string::npos) << r.cause;
    }
  }
}

// A frame of a stored clip whose header is damaged: the result names it,
// with no message for the editor to show, and the project opens with what
// it has.
TEST(ProjectFile, ADamagedStoredFrameIsNamedAndTheEditorLoadsPastIt) {
  TempDir dir;
  Project a;
  a.AddLayerFromFile(test::WriteSmallAnimatedGif(dir.path(), "spin.gif"));
  std::string bytes = Save(a);
  size_t second = bytes.find("BM");
  second = bytes.find("BM", second + 1);
  ASSERT_NE(second, std::string::npos);
  bytes[second + 28] = 8;  // frame 1 claims 8 bits per pixel
  Project b;
  const ProjectReadResult r = Read(b, bytes);
  EXPECT_TRUE(r.ok);
  ASSERT_EQ(r.warnings.size(), 1u);
  EXPECT_EQ(r.warnings[0].message, "");
  EXPECT_EQ(r.warnings[0].cause, "Resource 1 of 1 (Gifa " + a.References->Item(0)->SourceFileName.string() +
                                     "): Frame 1 of 3 stored in the project is damaged");
  EXPECT_EQ(b.LayerCount(), 1);
}

TEST(ProjectFile, TruncatedAtEveryByteFailsCleanlyAndLeavesNoFile) {
  TempDir dir;
  TempDir sources;  // sources elsewhere: the program folder starts empty
  Project a;
  a.AddLayerFromFile(test::WriteBmpFile(sources, "a.bmp", test::MakeSolidPicture(2, 2, 0xFF)));
  a.AddLayerFromFile(test::WriteSmallAnimatedGif(sources.path(), "spin.gif"));
  const std::string bytes = Save(a);
  const auto before = FilesIn(sources.path());
  for (size_t n = 0; n < bytes.size(); ++n) {
    {
      Project b;
      const ProjectReadResult r = Read(b, bytes.substr(0, n));
      // Either refused, or read with the resource that was cut named.
      EXPECT_FALSE(r.Complete()) << "cut at " << n;
      EXPECT_TRUE(r.ok ? !r.warnings.empty() : !r.cause.empty()) << "cut at " << n;
    }
    EXPECT_EQ(FilesIn(sources.path()), before) << "cut at " << n;
  }
  Project whole;
  EXPECT_TRUE(Read(whole, bytes).Complete());
}

TEST(ProjectFile, FailedSaveKeepsTheOldFile) {
  TempDir dir;
  Project a;
  a.AddLayerFromFile(test::WriteSmallAnimatedGif(dir.path(), "spin.gif"));
  const fs::path target = dir / "work.apf";
  a.SaveToFile(target);
  const auto good = test::ReadFileBytes(target);

  // The store's file vanished: the save cannot be completed.
  a.References->Item(0)->Store()->CloseFile();
  fs::remove(a.References->Item(0)->DataFileName);
  EXPECT_THROW(a.SaveToFile(target), Kt58Error);
  EXPECT_EQ(test::ReadFileBytes(target), good);
  // No temporary file is left beside it.
  for (const auto& e : fs::directory_iterator(dir.path()))
    EXPECT_EQ(e.path().extension() == ".tmp", false) << e.path();

  // A folder that does not exist.
  Project empty;
  EXPECT_THROW(empty.SaveToFile(dir / "missing" / "x.apf"), Kt58Error);
}

TEST(ProjectFile, ReadFromFileNamesAMissingFile) {
  TempDir dir;
  Project a;
  const ProjectReadResult missing = a.ReadFromFile(dir / "none.apf");
  EXPECT_FALSE(missing.ok);
  EXPECT_EQ(missing.message, "");
  EXPECT_EQ(missing.cause, "No project file at " + (dir / "none.apf").string());
  a.FrameCount = 12;
  a.SaveToFile(dir / "p.apf");
  Project b;
  EXPECT_TRUE(b.ReadFromFile(dir / "p.apf").Complete());
  EXPECT_EQ(b.FrameCount, 12);
}

}  // namespace
}  // namespace kt58
