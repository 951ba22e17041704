// SPDX-License-Identifier: GPL-3.0-or-later
// The animated GIF export writes each frame as soon as it is optimised. Its
// file must be the one the whole-image optimiser gives for the same frames,
// show what the unoptimised file shows, and leave no file behind on failure.
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <vector>

#include "engine/bmp_codec.h"
#include "export/export_fixture.h"
#include "export/gif/gif_exception.h"
#include "export/gif/gif_image.h"
#include "export/gif_export.h"
#include "gif_decode_helpers.h"
#include "platform/program_folder.h"
#include "platform/worker_threads.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

// One layer that never moves: every frame after the first shows nothing new.
test::ExportProject MakeUnchangingProject(const TempDir& dir, int frames, int colours) {
  test::ExportProject a;
  a->FrameCount = frames;
  a->FrameDelay = 50;
  test::WriteFileBytes(dir / "still.bmp", EncodeBmp(test::MakeFewColourPicture(20, 10, colours, 3)));
  a->AddLayerFromFile(dir / "still.bmp");
  a.Resequence();
  return a;
}

struct OptionCase {
  const char* name;
  bool single_map, merge, crop, passive, sort;
};

constexpr OptionCase kOptionCases[] = {
    {"none", false, false, false, false, false},
    {"merge", false, true, false, false, false},
    {"merge crop passive", false, true, true, true, false},
    {"sort", false, false, false, false, true},
    {"sort merge crop passive", false, true, true, true, true},
    {"single map", true, false, false, false, false},
    {"everything", true, true, true, true, true},
};

GifExportOptions OptionsFor(const OptionCase& c, int reduction, int compression) {
  GifExportOptions o;
  o.ColorReduction = reduction;
  o.FrameDelayMs = 60;
  o.Compression = compression;
  o.OptimizeColorMap = c.single_map;
  o.Merge = c.merge;
  o.Crop = c.crop;
  o.RemovePassive = c.passive;
  o.SortColors = c.sort;
  return o;
}

// The file the whole-image optimiser writes for the frames the export
// builds with a palette per frame.
std::vector<uint8_t> WholeImageFile(const test::ExportProject& a, const GifExportOptions& o) {
  GifImage image;
  image.SetColorReduction(o.ColorReduction);
  image.SetCompression(o.Compression);
  image.SetPackFrames(true);
  for (int i = 0; i < a.sequence.Count(); ++i) {
    const WorkPicture picture = test::RenderStoredFrame(a, i);
    const int index = image.Add(ReduceColors(*picture, o.ColorReduction, o.ReductionBits, o.DitherMode));
    if (index == 0) image.Images(0).AddExtension<GifLoopExtension>().Loops = 0;
    image.Images(static_cast<size_t>(index)).AddExtension<GifGraphicControlExtension>().Delay =
        static_cast<uint16_t>(o.FrameDelayMs / 10);
  }
  if (o.OptimizeColorMap) image.OptimizeColorMap();
  image.Optimize(o.OptimizeOptions(), o.ColorReduction, o.DitherMode, 0);
  return image.SaveToBytes();
}

class GifStreamTest : public ::testing::Test {
 protected:
  void TearDown() override {
    SetWorkerThreads(0);
  }
  static std::vector<std::string> OutputFiles() {
    const fs::path output = ProgramFolder() / "Output";
    return fs::exists(output) ? test::FileNamesIn(output) : std::vector<std::string>{};
  }
  TempDir dir;
};

TEST_F(GifStreamTest, StreamedFileIsTheWholeImageOptimisersFile) {
  TempDir moving_dir, still_dir;
  auto moving = test::MakeStillBackgroundProject(moving_dir, 7);
  auto still = MakeUnchangingProject(still_dir, 4, 6);
  for (const test::ExportProject* project : {&moving, &still})
    for (const OptionCase& c : kOptionCases)
      for (int compression : {int{gcLZW}, int{gcRLE}}) {
        SCOPED_TRACE(testing::Message() << c.name << (compression == gcRLE ? " rle" : " lzw")
                                        << (project == &still ? " unchanging" : " moving"));
        const test::ExportProject& a = *project;
        const GifExportOptions o = OptionsFor(c, rmQuantize, compression);
        const fs::path file = dir / "streamed.gif";
        ExportAnimatedGif(*a, a.sequence, o, file);
        EXPECT_TRUE(test::ReadFileBytes(file) == WholeImageFile(a, o));
        EXPECT_EQ(OutputFiles(), std::vector<std::string>{}) << "the spool of frames is gone";
      }
}

// The shared palette, its sorted form written through the spool, and a
// palette smaller than its table so that merging has to grow the table:
// decoded by giflib, each shows the pictures of the unoptimised file. With
// 256 colours merging keeps an entry of the palette free, so there the
// files that merge are compared with the one that only merges (which the
// 8-colour files, whose palettes merging leaves alone, compare with the
// unoptimised one).
TEST_F(GifStreamTest, OptimisedSharedPaletteFilesShowTheUnoptimisedPictures) {
  TempDir moving_dir, still_dir;
  auto moving = test::MakeStillBackgroundProject(moving_dir, 6);
  auto few = test::MakeStillProject(still_dir, 18, 9, 5, 100, 5);
  for (const test::ExportProject* project : {&moving, &few})
    for (int bits : {8, 3})
      for (const OptionCase& c : kOptionCases) {
        SCOPED_TRACE(testing::Message() << c.name << " bits " << bits << (project == &few ? " few colours" : ""));
        const test::ExportProject& a = *project;
        GifExportOptions plain = OptionsFor(kOptionCases[0], rmGlobal, gcLZW);
        plain.ReductionBits = bits;
        plain.Merge = c.merge && bits == 8;
        GifExportOptions optimised = OptionsFor(c, rmGlobal, gcLZW);
        optimised.ReductionBits = bits;
        // The single map pools colours, which keeps every colour only when
        // the animation has no more than the table holds.
        if (c.single_map && bits < 8) continue;
        ExportAnimatedGif(*a, a.sequence, plain, dir / "plain.gif");
        ExportAnimatedGif(*a, a.sequence, optimised, dir / "optimised.gif");
        const auto before = test::DecodeWithGiflib(test::ReadFileBytes(dir / "plain.gif"));
        const auto after = test::DecodeWithGiflib(test::ReadFileBytes(dir / "optimised.gif"));
        EXPECT_TRUE(test::Composite(before) == test::Composite(after));
        EXPECT_LE(fs::file_size(dir / "optimised.gif"), fs::file_size(dir / "plain.gif"));
      }
}

// Every frame after the first shows nothing new: the merged frames are
// deleted and their time goes to the first, which then is the whole
// animation (no loop, no graphic control, an 87a file).
TEST_F(GifStreamTest, AnAnimationThatNeverChangesBecomesOneFrameHoldingTheWholeTime) {
  auto a = MakeUnchangingProject(dir, 5, 4);
  GifExportOptions o = OptionsFor(kOptionCases[2], rmGlobal, gcLZW);
  ExportAnimatedGif(*a, a.sequence, o, dir / "one.gif");
  const auto gif = test::DecodeWithGiflib(test::ReadFileBytes(dir / "one.gif"));
  ASSERT_EQ(gif.frames.size(), 1u);
  EXPECT_EQ(gif.version, "87a");
  EXPECT_FALSE(gif.frames[0].has_gce);
  o.RemovePassive = false;
  ExportAnimatedGif(*a, a.sequence, o, dir / "kept.gif");
  const auto kept = test::DecodeWithGiflib(test::ReadFileBytes(dir / "kept.gif"));
  ASSERT_EQ(kept.frames.size(), 1u);
  EXPECT_EQ(kept.frames[0].delay, 5 * 6);
}

// A failure while frames are being written (here the observer, as a cancel
// does) leaves the old target as it was and no temporary file anywhere,
// whether the frames went out directly or through the spool.
TEST_F(GifStreamTest, AFailureInTheMiddleLeavesNoTemporaryAndTheOldTarget) {
  auto a = test::MakeStillBackgroundProject(dir, 8);
  const fs::path out_dir = dir / "out";
  fs::create_directory(out_dir);
  const fs::path target = out_dir / "anim.gif";
  test::WriteFileBytes(target, {'o', 'l', 'd'});
  struct Stop {};
  for (const OptionCase& c : {kOptionCases[2], kOptionCases[6]}) {
    SCOPED_TRACE(c.name);
    const GifExportOptions o = OptionsFor(c, rmGlobal, gcLZW);
    const auto stop_at_four = [](int index, int, const Picture&) {
      if (index == 4) throw Stop{};
    };
    EXPECT_THROW(ExportAnimatedGif(*a, a.sequence, o, target, stop_at_four), Stop);
    EXPECT_EQ(test::FileNamesIn(out_dir), std::vector<std::string>{"anim.gif"});
    EXPECT_EQ(test::ReadFileBytes(target), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_THROW(BuildAnimatedGif(*a, a.sequence, o, stop_at_four), Stop);
    EXPECT_EQ(OutputFiles(), std::vector<std::string>{});
  }
}

TEST_F(GifStreamTest, TheBuiltFileIsWhatIsSavedAndGoesWithTheBuild) {
  auto a = test::MakeStillBackgroundProject(dir, 5);
  const fs::path out_dir = dir / "out";
  fs::create_directory(out_dir);
  auto built = BuildAnimatedGif(*a, a.sequence, OptionsFor(kOptionCases[6], rmQuantize, gcRLE));
  ASSERT_EQ(OutputFiles().size(), 1u);
  const std::vector<uint8_t> bytes = test::ReadFileBytes(built->Path());
  EXPECT_EQ(built->FileSize(), bytes.size());
  // Saved twice: the build stays until it is dropped.
  for (const char* name : {"first.gif", "second.gif"}) {
    built->SaveAs(out_dir / name);
    EXPECT_EQ(test::ReadFileBytes(out_dir / name), bytes);
  }
  EXPECT_EQ(test::ErrorCodeOf<PlatformError>([&] { built->SaveAs(out_dir / "missing" / "x.gif"); }),
            PlatformErrorCode::FileWrite);
  EXPECT_EQ(test::FileNamesIn(out_dir), (std::vector<std::string>{"first.gif", "second.gif"}));
  built.reset();
  EXPECT_EQ(OutputFiles(), std::vector<std::string>{});
}

}  // namespace
}  // namespace kt58
