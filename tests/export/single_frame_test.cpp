// SPDX-License-Identifier: GPL-3.0-or-later
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/bmp_codec.h"
#include "export/export_fixture.h"
#include "export/gif_export.h"
#include "export/gif/gif_image.h"
#include "export/single_frame.h"
#include "platform/gif_decoder.h"
#include "platform/jpeg_codec.h"
#include "support/gif_builder.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

std::string ErrorText(const std::function<void()>& f) {
  try {
    f();
  } catch (const ESingleFrameExport& e) {
    return e.what();
  }
  return "";
}

TEST(SingleFrame, TypeComesFromTheExtension) {
  TempDir dir;
  auto a = test::MakeStillProject(dir, 15, 6, 3, 100, 30);
  WorkPicture want = test::RenderStoredFrame(a, 1);

  for (const char* name : {"a.bmp", "b.BMP", "c.Bmp"}) {
    ExportSingleFrame(*a, a.sequence, 1, dir / name);
    EXPECT_EQ(test::ReadFileBytes(dir / name), EncodeBmp(*want)) << name;
  }

  ExportSingleFrame(*a, a.sequence, 1, dir / "d.JPG");
  const JpegImage jpeg = DecodeJpegFile(dir / "d.JPG");
  EXPECT_EQ(jpeg.width, 15);
  EXPECT_EQ(jpeg.height, 6);

  ExportSingleFrame(*a, a.sequence, 1, dir / "e.Gif");
  int error = 0;
  GifFileType* gif = DGifOpenFileName((dir / "e.Gif").c_str(), &error);
  ASSERT_NE(gif, nullptr);
  ASSERT_EQ(DGifSlurp(gif), GIF_OK);
  EXPECT_EQ(gif->ImageCount, 1);
  EXPECT_EQ(gif->SWidth, 15);
  EXPECT_EQ(gif->SHeight, 6);
  EXPECT_EQ(gif->SavedImages[0].ExtensionBlockCount, 0) << "no loop, no delay";
  const ColorMapObject* map = gif->SavedImages[0].ImageDesc.ColorMap ? gif->SavedImages[0].ImageDesc.ColorMap : gif->SColorMap;
  ASSERT_NE(map, nullptr);
  EXPECT_EQ(map->ColorCount, 256) << "optimised for Windows: 236 + 20 entries";
  // Under 236 colours: every pixel comes through.
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 15; ++x) {
      const GifColorType c = map->Colors[gif->SavedImages[0].RasterBits[y * 15 + x]];
      EXPECT_EQ(static_cast<Color>(c.Red | c.Green << 8 | c.Blue << 16), test::PixelColor(*want, x, y));
    }
  DGifCloseFile(gif, &error);
}

TEST(SingleFrame, UnsupportedTypesAreRefusedAndWriteNothing) {
  TempDir dir;
  auto a = test::MakeStillProject(dir, 8, 4, 2, 100);
  const std::vector<GifRgb> palette = {{0, 0, 0}, {255, 0, 0}};
  const auto multi = test::BuildGif(2, 2, palette, 0, {test::SolidGifImage(0, 0, 2, 2, 0), test::SolidGifImage(0, 0, 2, 2, 1)});
  test::WriteFileBytes(dir / "multi.gif", multi);
  const auto single = test::BuildGif(2, 2, palette, 0, {test::SolidGifImage(0, 0, 2, 2, 1)});
  test::WriteFileBytes(dir / "single.gif", single);
  const auto before = test::FileNamesIn(dir.path());
  for (const char* name : {"x.jpeg", "x.avi", "x.tif", "noext"})
    EXPECT_EQ(ErrorText([&] { ExportSingleFrame(*a, a.sequence, 0, dir / name); }),
              "The file type you have specified is unsupported.")
        << name;
  EXPECT_EQ(test::FileNamesIn(dir.path()), before);
  // The type comes from the name alone: an existing GIF, one frame or many,
  // is replaced by the one-frame GIF.
  for (const char* name : {"single.gif", "multi.gif"}) {
    ExportSingleFrame(*a, a.sequence, 0, dir / name);
    EXPECT_EQ(GifImageCount(dir / name), 1) << name;
  }
  EXPECT_EQ(test::FileNamesIn(dir.path()), before);
}

TEST(SingleFrame, FailuresCarryTheProgramsTextsAndLeaveNoFile) {
  TempDir dir;
  auto a = test::MakeStillProject(dir, 8, 4, 2, 100);
  test::WriteFileBytes(dir / "plain", {'x'});
  const auto before = test::FileNamesIn(dir.path());
  // A write that fails: the program's text first, then the cause naming
  // the file and the system's reason.
  for (const char* name : {"f.bmp", "f.jpg", "f.gif", "f.png"}) {
    SCOPED_TRACE(name);
    const fs::path file = dir / "plain" / name;
    const std::string first =
        fs::path(name).extension() == ".bmp" ? "Error saving file\r" + file.string() + ": " : "Unknown error saving file. ";
    const std::string text = ErrorText([&] { ExportSingleFrame(*a, a.sequence, 0, file); });
    EXPECT_EQ(text.rfind(first, 0), 0u) << text;
    EXPECT_NE(text.find(file.string(), first.size()), std::string::npos) << text;
    EXPECT_NE(text.find("(Not a directory)"), std::string::npos) << text;
  }
  EXPECT_EQ(ErrorText([&] { ExportSingleFrame(*a, a.sequence, 5, dir / "g.bmp"); }),
            "Error saving file\r" + (dir / "g.bmp").string());
  EXPECT_EQ(test::FileNamesIn(dir.path()), before);
  EXPECT_FALSE(fs::exists(dir / "g.bmp"));
}

TEST(SingleFrame, CommandGivesTheMessageAndSavesTheCurrentFrame) {
  TempDir dir;
  auto a = test::MakeStillProject(dir, 8, 4, 3, 100);
  const SequencedFrame* shown = a.sequence.Frame(2);
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(SaveCurrentFrameCommand(*a, shown, FrameClock::Stepping(2), dir / "now.bmp", dmNearest), std::nullopt);
  WorkPicture want = test::RenderStoredFrame(a, 2);
  EXPECT_EQ(test::ReadFileBytes(dir / "now.bmp"), EncodeBmp(*want));
  EXPECT_EQ(SaveCurrentFrameCommand(*a, shown, FrameClock::Stepping(2), dir / "now.tif", dmNearest),
            std::optional<std::string>("The file type you have specified is unsupported."));
}

// A frame saved as GIF is dithered with the code it is given; an animated
// GIF exported in between, with another ditherer, changes nothing.
TEST(SingleFrame, GifFramesUseTheDitherTheyAreGiven) {
  TempDir dir;
  // More colours than the 256 of the windows-optimised palette: dithering shows.
  auto a = test::MakeStillProject(dir, 48, 24, 3, 100, 4096);
  const SequencedFrame* shown = a.sequence.Frame(1);
  ASSERT_NE(shown, nullptr);
  const FrameClock clock = FrameClock::Stepping(1);
  ASSERT_EQ(SaveCurrentFrameCommand(*a, shown, clock, dir / "nearest.gif", dmNearest), std::nullopt);
  ASSERT_EQ(SaveCurrentFrameCommand(*a, shown, clock, dir / "diffused.gif", dmFloydSteinberg), std::nullopt);
  EXPECT_NE(test::ReadFileBytes(dir / "nearest.gif"), test::ReadFileBytes(dir / "diffused.gif"));

  GifExportOptions options;
  options.DitherMode = dmStucki;
  ExportAnimatedGif(*a, a.sequence, options, dir / "animation.gif");
  ASSERT_EQ(SaveCurrentFrameCommand(*a, shown, clock, dir / "nearest_again.gif", dmNearest), std::nullopt);
  EXPECT_EQ(test::ReadFileBytes(dir / "nearest_again.gif"), test::ReadFileBytes(dir / "nearest.gif"));
  ExportSingleFrame(*a, a.sequence, 1, dir / "tool.gif");
  EXPECT_EQ(test::ReadFileBytes(dir / "tool.gif"), test::ReadFileBytes(dir / "nearest.gif"));
}

}  // namespace
}  // namespace kt58
