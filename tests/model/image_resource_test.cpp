// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <vector>

#include "engine/errors.h"
#include "engine/jpeg_picture.h"
#include "model/image_resource.h"
#include "model/model_fixture.h"
#include "model/image_resources.h"
#include "platform/program_folder.h"

namespace kt58::test {
namespace {

const std::vector<Color> kPalette = {RGBColor(0, 0, 0), RGBColor(255, 0, 0), RGBColor(0, 255, 0),
                                      RGBColor(0, 0, 255)};

std::vector<uint8_t> TwoImageGif() {
  return MakeTinyGif(2, 2, kPalette, {{{1, 1, 1, 1}}, {{2, 2, 2, 2}}});
}

using ResourceTest = ModelTest;

TEST_F(ResourceTest, SourceTypeFromTheExtensionAndTheGifImageCount) {
  const auto one = WriteGif("one.gif", MakeTinyGif(2, 2, kPalette, {{{1, 2, 3, 0}}}));
  const auto two = WriteGif("Two.GIF", TwoImageGif());
  const auto broken = WriteGif("broken.gif", {'G', 'I', 'F'});
  struct Case {
    std::filesystem::path path;
    int type;
    const char* text;
  };
  const Case cases[] = {
      {"a/b/walk.bmp", st_Bmp, "Bmp  "},    {"WALK.BMP", st_Bmp, "Bmp  "},     {"x.Jpg", st_Jpg, "Jpg  "},
      {"x.jpeg", st_Unknown, "---  "},      {"x.avi", st_Avi, "Avi  "},       {one, st_Gif, "Gif  "},
      {two, st_Gifa, "Gifa "},              {broken, st_Gif, "Gif  "},        {"missing.gif", st_Gif, "Gif  "},
      {"noext", st_Unknown, "---  "},       {"dir.bmp/file", st_Unknown, "---  "}, {".bmp", st_Bmp, "Bmp  "},
      {"x.bmp.png", st_Unknown, "---  "},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SourceTypeFromFileName(c.path), c.type) << c.path;
    EXPECT_EQ(SourceTypeText(SourceTypeFromFileName(c.path)), c.text) << c.path;
  }
}

TEST_F(ResourceTest, ListHandsOutIdsFindsAndReleasesByCount) {
  const auto a = WriteBmp("a.bmp", MakeSolidPicture(2, 2, 0x112233));
  const auto b = WriteBmp("b.bmp", MakeSolidPicture(2, 2, 0x445566));
  ImageResources list;
  auto* ra = list.Append(std::make_unique<PictureResource>(a, list.TakeNextId()));
  auto* rb = list.Append(std::make_unique<PictureResource>(b, list.TakeNextId()));
  EXPECT_EQ(ra->Id, 0);
  EXPECT_EQ(rb->Id, 1);
  EXPECT_EQ(ra->RefCount, 1);
  EXPECT_EQ(ra->SourceFileName, a);
  EXPECT_EQ(ra->DataFileName, a);
  EXPECT_EQ(list.FindById(1), rb);
  EXPECT_EQ(list.FindById(7), nullptr);

  std::string upper = a.string();
  for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  EXPECT_EQ(list.FindByFileName(upper), ra);
  EXPECT_EQ(list.FindByFileName(dir / "c.bmp"), nullptr);

  ra->RefCount = 2;
  list.Release(ra);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(ra->RefCount, 1);
  list.Release(ra);
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(list.FindById(0), nullptr);

  // None and foreign resources are ignored.
  list.Release(nullptr);
  PictureResource stranger(b, 99);
  list.Release(&stranger);
  EXPECT_EQ(list.Count(), 1);

  // Reading a project with ids 5, 7 and 9: later ids stay above them.
  list.Clear();
  EXPECT_EQ(list.NextId(), 0);
  for (int id : {5, 9, 7}) list.NoteId(id);
  EXPECT_EQ(list.TakeNextId(), 10);
}

TEST_F(ResourceTest, ATakenResourceGoesBackToItsPlaceWithItsId) {
  ImageResources list;
  std::vector<ImageResource*> refs;
  for (const char* name : {"a.bmp", "b.bmp", "c.bmp"})
    refs.push_back(list.Append(std::make_unique<PictureResource>(WriteBmp(name, MakeSolidPicture(2, 2, 0x10)),
                                                            list.TakeNextId())));
  int index = -1;
  std::unique_ptr<ImageResource> taken = list.Take(refs[1], &index);
  ASSERT_EQ(taken.get(), refs[1]);
  EXPECT_EQ(index, 1);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.FindById(1), nullptr);
  // Taken, it is not the list's: a release does not free it.
  list.Release(refs[1]);
  EXPECT_EQ(taken->Id, 1);
  EXPECT_EQ(list.Take(refs[1], &index), nullptr);
  EXPECT_EQ(list.Insert(index, std::move(taken)), refs[1]);
  EXPECT_EQ(list.Item(1), refs[1]);
  EXPECT_EQ(list.FindById(1), refs[1]);
  EXPECT_EQ(list.TakeNextId(), 3);
}

TEST_F(ResourceTest, MissingFileAbortsCreationQuietly) {
  EXPECT_EQ(test::ErrorCodeOf<EngineError>([&] { PictureResource(dir / "gone.bmp", 0); }), EngineErrorCode::Abort);
  EXPECT_EQ(test::ErrorCodeOf<EngineError>([&] { FrameStoreResource(dir / "gone.avi", 0); }), EngineErrorCode::Abort);
  // The project reader's empty path.
  FrameStoreResource empty({}, 4);
  EXPECT_TRUE(empty.DataFileName.empty());
  EXPECT_EQ(empty.SourceType, st_Unknown);
}

TEST_F(ResourceTest, DataFileNameIsStemAndIdInTheProgramFolder) {
  std::filesystem::create_directories(dir / "clips");
  const auto walk = WriteGif("clips/walk.gif", TwoImageGif());
  FrameStoreResource ref(walk, 3);
  EXPECT_EQ(ref.DataFileName, ProgramFolder() / "walk3.Dat");
  EXPECT_EQ(ref.SourceType, st_Gifa);
}

TEST_F(ResourceTest, StillPicturesLoadFromBmpJpegAndOneImageGif) {
  const Picture bmp = MakePicture({{0x0000FF, 0x00FF00, 0xFF0000}, {0x123456, 0xABCDEF, 0x000000}});
  PictureResource rb(WriteBmp("p.bmp", bmp), 0);
  rb.LoadFromSource(NoProgress());
  ASSERT_NE(rb.StillPicture(), nullptr);
  EXPECT_TRUE(PicturesEqual(*rb.StillPicture(), bmp));
  EXPECT_EQ(rb.Width, 3);
  EXPECT_EQ(rb.Height, 2);

  SaveJpegFile(MakeSolidPicture(9, 5, RGBColor(250, 250, 250)), dir / "p.jpg");
  PictureResource rj(dir / "p.jpg", 1);
  rj.LoadFromSource(NoProgress());
  EXPECT_EQ(rj.Width, 9);
  EXPECT_EQ(rj.Height, 5);

  // Index 0 is transparent: those pixels stay black, the colour every new
  // layer treats as transparent.
  PictureResource rg(WriteGif("p.gif", MakeTinyGif(2, 2, kPalette, {{{1, 0, 2, 3}, 0}})), 2);
  EXPECT_EQ(rg.SourceType, st_Gif);
  rg.LoadFromSource(NoProgress());
  ASSERT_NE(rg.StillPicture(), nullptr);
  EXPECT_TRUE(PicturesEqual(*rg.StillPicture(),
                            MakePicture({{RGBColor(255, 0, 0), 0}, {RGBColor(0, 255, 0), RGBColor(0, 0, 255)}})));

  WorkPicture copy = rg.GetFirstFrame();
  ASSERT_TRUE(copy);
  EXPECT_NE(copy.get(), rg.StillPicture());
  EXPECT_TRUE(PicturesEqual(*copy, *rg.StillPicture()));
}

TEST_F(ResourceTest, UnreadableStillSourceRaisesOurError) {
  WriteFileBytes(dir / "bad.bmp", {'B', 'M', 1, 2, 3});
  WriteFileBytes(dir / "bad.jpg", {0xFF, 0xD8, 0xFF, 0xE0});
  WriteFileBytes(dir / "bad.gif", {'G', 'I', 'F', '8'});
  for (const char* name : {"bad.bmp", "bad.jpg", "bad.gif"}) {
    PictureResource ref(dir / name, 0);
    EXPECT_THROW(ref.LoadFromSource(NoProgress()), Kt58Error) << name;
    EXPECT_EQ(ref.StillPicture(), nullptr) << name;
  }
}

TEST_F(ResourceTest, AnimatedGifImportsIntoAStoreWhoseFileDiesWithTheResource) {
  const auto gif = WriteGif("anim.gif", TwoImageGif());
  std::filesystem::path data;
  {
    FrameStoreResource ref(gif, 5);
    ref.LoadFromSource(NoProgress());
    ASSERT_NE(ref.Store(), nullptr);
    data = ref.DataFileName;
    EXPECT_TRUE(std::filesystem::exists(data));
    EXPECT_EQ(ref.Width, 2);
    EXPECT_EQ(ref.Height, 2);
    EXPECT_EQ(ref.Store()->FrameCount, 2);
    WorkPicture second = ref.Store()->ReadFrame(1);
    ASSERT_TRUE(second);
    EXPECT_TRUE(PicturesEqual(*second, MakeSolidPicture(2, 2, RGBColor(0, 255, 0))));
  }
  EXPECT_FALSE(std::filesystem::exists(data));
}

TEST_F(ResourceTest, FailedImportKeepsNoStoreAndNoFile) {
  // Not a video: the import yields no first frame.
  WriteFileBytes(dir / "junk.avi", std::vector<uint8_t>(64, 7));
  FrameStoreResource ref(dir / "junk.avi", 1);
  ref.LoadFromSource(NoProgress());
  EXPECT_EQ(ref.Store(), nullptr);
  EXPECT_FALSE(ref.HasPicture());
  EXPECT_FALSE(std::filesystem::exists(ref.DataFileName));
}

}  // namespace
}  // namespace kt58::test
