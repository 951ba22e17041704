// SPDX-License-Identifier: GPL-3.0-or-later
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/atomic_file.h"
#include "export/gif/gif_exception.h"
#include "export/gif_export.h"
#include "export/export_fixture.h"
#include "gif_decode_helpers.h"
#include "platform/program_folder.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

// What giflib reads back of one frame.
struct ReadFrame {
  int left = 0, top = 0, width = 0, height = 0;
  std::vector<GifColor> rgb;  // composed over nothing: the frame's own pixels
  int delay = -1;             // -1: no graphic control extension
  bool loop_extension = false;
  int loop_count = -1;
  size_t extension_count = 0;
};

std::vector<ReadFrame> ReadWithGiflib(const fs::path& path) {
  int error = 0;
  GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
  EXPECT_NE(gif, nullptr) << GifErrorString(error);
  if (!gif) return {};
  EXPECT_EQ(DGifSlurp(gif), GIF_OK) << GifErrorString(gif->Error);
  std::vector<ReadFrame> frames;
  for (int k = 0; k < gif->ImageCount; ++k) {
    const SavedImage& image = gif->SavedImages[k];
    ReadFrame f;
    f.left = image.ImageDesc.Left;
    f.top = image.ImageDesc.Top;
    f.width = image.ImageDesc.Width;
    f.height = image.ImageDesc.Height;
    const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
    EXPECT_NE(map, nullptr);
    for (int p = 0; map && p < f.width * f.height; ++p) {
      const GifColorType c = map->Colors[image.RasterBits[p]];
      f.rgb.push_back(GifColor{c.Red, c.Green, c.Blue});
    }
    f.extension_count = static_cast<size_t>(image.ExtensionBlockCount);
    for (int e = 0; e < image.ExtensionBlockCount; ++e) {
      const ExtensionBlock& block = image.ExtensionBlocks[e];
      if (block.Function == GRAPHICS_EXT_FUNC_CODE && block.ByteCount == 4) {
        f.delay = block.Bytes[1] | block.Bytes[2] << 8;
      } else if (block.Function == APPLICATION_EXT_FUNC_CODE && block.ByteCount == 11 &&
                 std::memcmp(block.Bytes, "NETSCAPE2.0", 11) == 0) {
        f.loop_extension = true;
        // The giflib slurper keeps the data sub-block as a continuation.
        if (e + 1 < image.ExtensionBlockCount && image.ExtensionBlocks[e + 1].ByteCount == 3 &&
            image.ExtensionBlocks[e + 1].Bytes[0] == 1)
          f.loop_count = image.ExtensionBlocks[e + 1].Bytes[1] | image.ExtensionBlocks[e + 1].Bytes[2] << 8;
      }
    }
    frames.push_back(std::move(f));
  }
  DGifCloseFile(gif, &error);
  return frames;
}

std::vector<GifColor> RgbOf(const Picture& p) {
  std::vector<GifColor> out;
  for (int y = 0; y < p.Height(); ++y)
    for (int x = 0; x < p.Width(); ++x) {
      const Color c = test::PixelColor(p, x, y);
      out.push_back(GifColor{static_cast<uint8_t>(c & 0xFF), static_cast<uint8_t>((c >> 8) & 0xFF),
                             static_cast<uint8_t>((c >> 16) & 0xFF)});
    }
  return out;
}

class GifExportTest : public ::testing::Test {
 protected:
  TempDir dir;
};

TEST_F(GifExportTest, FramesDelaysLoopAndPixelsReadBackWithGiflib) {
  auto a = test::MakeStillProject(dir, 23, 11, 6, 40, 12);
  ASSERT_EQ(a.sequence.Count(), 6);
  // References first: stills show the same stepping or playing.
  std::vector<std::vector<GifColor>> expected;
  for (int i = 0; i < 6; ++i) {
    WorkPicture p = test::RenderStoredFrame(a, i);
    expected.push_back(RgbOf(*p));
  }
  ASSERT_NE(expected[0], expected[1]) << "the rotation must make frames differ";

  GifExportOptions options;
  options.FrameDelayMs = 105;  // 10 hundredths: the remainder is dropped
  options.ColorReduction = rmQuantize;
  options.ReductionBits = 8;
  int observed = 0;
  const fs::path out = dir / "anim.gif";
  ExportAnimatedGif(*a, a.sequence, options, out, [&](int index, int count, const Picture& frame) {
    EXPECT_EQ(index, observed++);
    EXPECT_EQ(count, 6);
    EXPECT_EQ(frame.Width(), 23);
  });
  EXPECT_EQ(observed, 6);

  const auto frames = ReadWithGiflib(out);
  ASSERT_EQ(frames.size(), 6u);
  for (size_t k = 0; k < frames.size(); ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(frames[k].delay, 10);
    EXPECT_EQ(frames[k].loop_extension, k == 0);
    EXPECT_EQ(frames[k].width, 23);
    EXPECT_EQ(frames[k].height, 11);
    EXPECT_EQ(frames[k].rgb, expected[k]) << "fewer than 256 colours must come through exactly";
  }
  EXPECT_EQ(frames[0].loop_count, 0);
}

TEST_F(GifExportTest, PillowAgreesOnFramesDurationsLoopAndPixels) {
  if (!test::HavePillow()) GTEST_SKIP() << "Pillow is not installed for /usr/bin/python3";
  auto a = test::MakeStillProject(dir, 17, 9, 4, 0, 8);
  GifExportOptions options;
  options.FrameDelayMs = 1000;
  options.ColorReduction = rmQuantize;
  const fs::path out = dir / "p.gif";
  ExportAnimatedGif(*a, a.sequence, options, out);
  std::string text;
  const std::string script =
      "import sys, hashlib\n"
      "from PIL import Image\n"
      "im = Image.open(sys.argv[1])\n"
      "print(im.n_frames, im.info.get('loop'))\n"
      "for k in range(im.n_frames):\n"
      "    im.seek(k)\n"
      "    print(im.info.get('duration'), im.convert('RGB').tobytes().hex())\n";
  const fs::path script_path = dir / "read.py";
  std::ofstream(script_path) << script;
  ASSERT_TRUE(test::RunCapture("/usr/bin/python3 " + test::Quote(script_path) + " " + test::Quote(out), text)) << text;
  std::istringstream lines(text);
  int count = 0;
  std::string loop;
  lines >> count >> loop;
  EXPECT_EQ(count, 4);
  EXPECT_EQ(loop, "0");
  for (int k = 0; k < count; ++k) {
    int duration = 0;
    std::string hex;
    lines >> duration >> hex;
    EXPECT_EQ(duration, 1000);
    WorkPicture p = test::RenderStoredFrame(a, k);
    std::string want;
    char buf[3];
    for (const GifColor& c : RgbOf(*p))
      for (uint8_t v : {c.r, c.g, c.b}) {
        std::snprintf(buf, sizeof buf, "%02x", v);
        want += buf;
      }
    EXPECT_EQ(hex, want) << "frame " << k;
  }
}

TEST_F(GifExportTest, PaletteAndDitherCodesReachTheImageAndStayAsDefaults) {
  auto a = test::MakeStillProject(dir, 16, 8, 3, 100, 40);
  struct Case {
    const char* palette;
    int code;
    int bits;
    size_t max_colours;
  };
  for (const Case& c : {Case{"optimized", 7, 3, 8}, Case{"web", 6, 8, 216}, Case{"mono", 4, 8, 2},
                        Case{"gray", 5, 8, 256}, Case{"windows-gray", 3, 8, 4}, Case{"windows", 1, 8, 20},
                        Case{"optimized-windows", 8, 8, 256}}) {
    SCOPED_TRACE(c.palette);
    ASSERT_EQ(GifPaletteCodeFromName(c.palette), c.code);
    GifExportOptions options;
    options.ColorReduction = c.code;
    options.ReductionBits = c.bits;
    options.DitherMode = *GifDitherCodeFromName("Floyd-Steinberg");
    const auto gif = test::DecodeWithGiflib(test::ReadFileBytes(BuildAnimatedGif(*a, a.sequence, options)->Path()));
    ASSERT_EQ(gif.frames.size(), 3u);
    EXPECT_TRUE(gif.frames[0].local_map);
    EXPECT_LT(*std::max_element(gif.frames[0].indices.begin(), gif.frames[0].indices.end()), c.max_colours);
  }
  EXPECT_EQ(GifDitherCodeFromName("nearest"), 0);
  EXPECT_EQ(GifDitherCodeFromName("stucki"), 2);
  EXPECT_EQ(GifDitherCodeFromName("sierra"), 3);
  EXPECT_EQ(GifDitherCodeFromName("burkes"), 6);
  EXPECT_FALSE(GifDitherCodeFromName("jarvis"));
  EXPECT_FALSE(GifPaletteCodeFromName("halftone"));
}

TEST_F(GifExportTest, OptimisationsKeepEveryPictureAndUseOneColourMap) {
  auto a = test::MakeStillProject(dir, 20, 10, 5, 100, 10);
  GifExportOptions options;
  options.ColorReduction = rmQuantize;
  options.OptimizeColorMap = true;
  options.Merge = options.Crop = options.RemovePassive = options.SortColors = true;
  EXPECT_EQ(options.OptimizeOptions(), 15);
  const fs::path out = dir / "opt.gif";
  ExportAnimatedGif(*a, a.sequence, options, out);
  // Compose the frames the way a viewer does (disposal 0/1 keep the screen).
  int error = 0;
  GifFileType* gif = DGifOpenFileName(out.c_str(), &error);
  ASSERT_NE(gif, nullptr);
  ASSERT_EQ(DGifSlurp(gif), GIF_OK);
  ASSERT_NE(gif->SColorMap, nullptr) << "single colour map expected";
  std::vector<GifColor> screen(static_cast<size_t>(gif->SWidth) * gif->SHeight);
  for (int k = 0; k < gif->ImageCount; ++k) {
    const SavedImage& im = gif->SavedImages[k];
    EXPECT_EQ(im.ImageDesc.ColorMap, nullptr);
    GraphicsControlBlock gcb{};
    gcb.TransparentColor = NO_TRANSPARENT_COLOR;
    DGifSavedExtensionToGCB(gif, k, &gcb);
    for (int y = 0; y < im.ImageDesc.Height; ++y)
      for (int x = 0; x < im.ImageDesc.Width; ++x) {
        const int index = im.RasterBits[y * im.ImageDesc.Width + x];
        if (index == gcb.TransparentColor) continue;
        const GifColorType c = gif->SColorMap->Colors[index];
        screen[static_cast<size_t>(y + im.ImageDesc.Top) * gif->SWidth + x + im.ImageDesc.Left] =
            GifColor{c.Red, c.Green, c.Blue};
      }
    WorkPicture p = test::RenderStoredFrame(a, k);
    EXPECT_EQ(screen, RgbOf(*p)) << "frame " << k;
  }
  EXPECT_EQ(gif->ImageCount, 5);
  DGifCloseFile(gif, &error);
}

TEST_F(GifExportTest, BuiltSizeIsTheFilesAndTheBuildLeavesNothingBehind) {
  auto a = test::MakeStillProject(dir, 12, 6, 3, 100);
  auto built = BuildAnimatedGif(*a, a.sequence, GifExportOptions{});
  EXPECT_EQ(built->FileSize(), fs::file_size(built->Path()));
  const fs::path output = ProgramFolder() / "Output";
  EXPECT_EQ(built->Path().parent_path(), output);
  built.reset();
  EXPECT_TRUE(fs::is_directory(output));
  EXPECT_TRUE(fs::is_empty(output));
  EXPECT_EQ(GifFileSizeText(1234), "File Size : 1234 Bytes");
}

TEST_F(GifExportTest, BuildingWhereTheOutputFolderCannotBeMadeRaises) {
  auto a = test::MakeStillProject(dir, 12, 6, 2, 100);
  test::WriteFileBytes(ProgramFolder() / "Output", {1, 2, 3});  // a file where the folder belongs
  EXPECT_EQ(test::ErrorCodeOf<PlatformError>([&] { BuildAnimatedGif(*a, a.sequence, GifExportOptions{}); }),
            PlatformErrorCode::FileWrite);
}

TEST_F(GifExportTest, NoFramesIsRefusedAndLeavesNoFile) {
  Project empty;
  const FrameSequence none = MakeFrameSequence(empty);
  const fs::path out = dir / "none.gif";
  for (bool single_map : {false, true}) {
    GifExportOptions options;
    options.OptimizeColorMap = single_map;
    try {
      ExportAnimatedGif(empty, none, options, out);
      ADD_FAILURE() << "an animation without frames must be refused";
    } catch (const GIFException& e) {
      EXPECT_STREQ(e.what(), "Unsupported GIF version");
    }
    EXPECT_THROW(BuildAnimatedGif(empty, none, options), GIFException);
  }
  // The program folder is the test's folder: its Output folder is left empty.
  EXPECT_EQ(test::FileNamesIn(dir.path()), std::vector<std::string>{"Output"});
  EXPECT_EQ(test::FileNamesIn(ProgramFolder() / "Output"), std::vector<std::string>{});
}

TEST_F(GifExportTest, AFailedWriteKeepsTheOldFileAndLeavesNoTemporary) {
  auto a = test::MakeStillProject(dir, 12, 6, 2, 100);
  const fs::path blocker = dir / "blocker";
  test::WriteFileBytes(blocker, {'x'});
  EXPECT_EQ(test::ErrorCodeOf<PlatformError>(
                [&] { ExportAnimatedGif(*a, a.sequence, GifExportOptions{}, blocker / "out.gif"); }),
            PlatformErrorCode::FileWrite);
  // The target is a folder: the rename fails after the data was written.
  fs::create_directory(dir / "taken.gif");
  const auto before = test::FileNamesIn(dir.path());
  EXPECT_EQ(test::ErrorCodeOf<PlatformError>(
                [&] { ExportAnimatedGif(*a, a.sequence, GifExportOptions{}, dir / "taken.gif"); }),
            PlatformErrorCode::FileWrite);
  EXPECT_EQ(test::FileNamesIn(dir.path()), before);
}

// Lossy LZW on the whole-animation palette, through both ways of writing
// (frames as they come, and the spool the single map and sorting need):
// every picture a viewer shows (giflib decodes, frames composited over the
// ones before) is the exact export's within the level's bound, pixel by
// pixel, merged frames included; a detailed animation shrinks. Waves
// sliding two pixels a frame keep most pixels' palette colour for a few
// frames and then move it one step: merged frames leave them transparent
// over what an earlier lossy frame showed, and lossy writing fills or
// clears pixels by what is shown, so an error carried from frame to frame
// would show here.
TEST_F(GifExportTest, LossyPicturesStayWithinTheBoundOfTheExactOnes) {
  auto smooth = test::MakeSmoothProject(dir, 96, 64, 6, 100);
  auto sliding = test::MakeSmoothProject(dir, 96, 64, 48, 40);
  auto still = test::MakeStillBackgroundProject(dir, 8);
  const struct {
    const char* name;
    const test::ExportProject* project;
    bool spool;
  } cases[] = {{"smooth, streamed", &smooth, false},
               {"smooth, spooled", &smooth, true},
               {"slowly sliding, streamed", &sliding, false},
               {"slowly sliding, spooled", &sliding, true},
               {"still background, streamed", &still, false},
               {"still background, spooled", &still, true}};
  for (const auto& c : cases) {
    GifExportOptions options;
    options.ColorReduction = rmGlobal;
    options.Compression = gcLZW;
    options.Merge = options.Crop = options.RemovePassive = true;
    options.OptimizeColorMap = options.SortColors = c.spool;
    const auto export_at = [&](int lossy) {
      options.Lossy = lossy;
      const fs::path out = dir / ("lossy" + std::to_string(lossy) + ".gif");
      ExportAnimatedGif(**c.project, c.project->sequence, options, out);
      return test::ReadFileBytes(out);
    };
    const std::vector<uint8_t> exact_bytes = export_at(0);
    const auto exact = test::Composite(test::DecodeWithGiflib(exact_bytes));
    for (int lossy : {30, 100}) {
      SCOPED_TRACE(std::string(c.name) + ", lossy " + std::to_string(lossy));
      const std::vector<uint8_t> bytes = export_at(lossy);
      const auto shown = test::Composite(test::DecodeWithGiflib(bytes));
      ASSERT_EQ(shown.size(), exact.size());
      size_t beyond = 0, unset_moved = 0;
      for (size_t f = 0; f < shown.size(); ++f) {
        EXPECT_EQ(shown[f].delay, exact[f].delay);
        ASSERT_EQ(shown[f].pixels.size(), exact[f].pixels.size());
        for (size_t k = 0; k < shown[f].pixels.size(); ++k) {
          const uint32_t a = shown[f].pixels[k], b = exact[f].pixels[k];
          if ((a == test::kUnset) != (b == test::kUnset)) {
            ++unset_moved;
            continue;
          }
          const int dr = int((a >> 16) & 255) - int((b >> 16) & 255), dg = int((a >> 8) & 255) - int((b >> 8) & 255),
                    db = int(a & 255) - int(b & 255);
          if (static_cast<uint32_t>(dr * dr + dg * dg + db * db) > LossyErrorBound(lossy)) ++beyond;
        }
      }
      EXPECT_EQ(beyond, 0u);
      EXPECT_EQ(unset_moved, 0u);
      if (c.project == &smooth && lossy == 100) {
        EXPECT_LT(bytes.size() * 10, exact_bytes.size() * 9) << "a tenth smaller at least";
      }
    }
  }
}

TEST_F(GifExportTest, LossyOutsideItsRangeOrWithRunLengthIsRefused) {
  auto a = test::MakeStillProject(dir, 8, 4, 2, 100);
  const struct {
    int lossy, compression;
  } refused[] = {{-1, gcLZW}, {101, gcLZW}, {1, gcRLE}};
  for (const auto& r : refused) {
    GifExportOptions options;
    options.Lossy = r.lossy;
    options.Compression = r.compression;
    EXPECT_THROW(ExportAnimatedGif(*a, a.sequence, options, dir / "refused.gif"), Kt58Error) << r.lossy;
    EXPECT_FALSE(fs::exists(dir / "refused.gif"));
  }
}

TEST_F(GifExportTest, DelayOutsideWhatTheFileHoldsIsRefused) {
  auto a = test::MakeStillProject(dir, 8, 4, 2, 100);
  GifExportOptions options;
  options.FrameDelayMs = -1;
  EXPECT_THROW(BuildAnimatedGif(*a, a.sequence, options), Kt58Error);
  options.FrameDelayMs = 655360;
  EXPECT_THROW(BuildAnimatedGif(*a, a.sequence, options), Kt58Error);
  options.FrameDelayMs = 19;
  const auto gif = test::DecodeWithGiflib(test::ReadFileBytes(BuildAnimatedGif(*a, a.sequence, options)->Path()));
  EXPECT_EQ(gif.frames.at(1).delay, 1);
}

}  // namespace
}  // namespace kt58
