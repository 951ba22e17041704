// SPDX-License-Identifier: GPL-3.0-or-later
// The export commands of kt58, driven through the built binary; every output
// is read back with a decoder other than the writer (ffmpeg/ffprobe, giflib,
// the BMP bytes themselves) and compared with the composition of the same
// project loaded here.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "cli_run.h"
#include "engine/bmp_codec.h"
#include "export/export_fixture.h"
#include "export/video_decode.h"
#include "model/project.h"
#include "render/compose.h"
#include "render/frame_sequence.h"
#include "platform/gif_decoder.h"
#include "support/avi_test_support.h"
#include "support/gif_builder.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

namespace fs = std::filesystem;
using test::CliResult;
using test::RunKt58;
using test::TempDir;

constexpr int kFrames = 5;
constexpr int kWidth = 14, kHeight = 9;

// A project with a rotating picture, an animated GIF, and a faded,
// pixel-rotated picture, so that every frame differs.
fs::path MakeProject(const TempDir& dir) {
  const fs::path base = dir / "base.bmp";
  test::WriteFileBytes(base, EncodeBmp(test::MakeRandomPicture(kWidth, kHeight, 7)));
  const fs::path strip = dir / "strip.bmp";
  test::WriteFileBytes(strip, EncodeBmp(test::MakeRandomPicture(10, 3, 11)));
  const std::vector<GifRgb> palette = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
  const fs::path gif = dir / "anim.gif";
  test::WriteFileBytes(gif, test::BuildGif(4, 3, palette, 0,
                                           {test::SolidGifImage(0, 0, 4, 3, 1), test::SolidGifImage(1, 1, 2, 2, 2),
                                            test::SolidGifImage(0, 0, 1, 1, 3)}));
  const fs::path project = dir / "p.apf";
  const CliResult r =
      RunKt58(dir, {"new", project.string(), "--frames", std::to_string(kFrames), "--background", "203040",
                    "--layer", base.string(), "--rotate", "90", "--key", "000000", "--layer", gif.string(), "--x",
                    "2", "--y", "1", "--layer", strip.string(), "--y", "5", "--pixel-rotate", "right", "--blend",
                    "normal", "--transparency", "30", "--fade", "pulse"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  return project;
}

// The frames as the exports compose them: the project loaded as the tool
// loads it, frame i stepping at i.
std::vector<Picture> ReferenceFrames(const fs::path& project) {
  Project a;
  const ProjectReadResult read = a.ReadFromFile(project);
  EXPECT_TRUE(read.ok) << read.message;
  const FrameSequence sequence = MakeFrameSequence(a);
  a.NonRenderedPlayback = true;
  std::vector<Picture> frames;
  for (int i = 0; i < sequence.Count(); ++i) {
    WorkPicture p = ComposeFrame(a, sequence.Frame(i), FrameClock::Stepping(i));
    EXPECT_TRUE(p);
    if (p) frames.push_back(*p);
  }
  return frames;
}

void ExpectOneFailureLine(const CliResult& r, const std::string& says) {
  EXPECT_EQ(r.exit_code, 1) << r.err;
  ASSERT_EQ(r.ErrLines().size(), 1u) << r.err;
  EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
}

std::map<std::string, std::string> Ffprobe(const fs::path& file) {
  const std::string cmd = "timeout 60 ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                          "stream=codec_name,pix_fmt,width,height,nb_read_frames,r_frame_rate -of default=nw=1 '" +
                          file.string() + "'";
  std::map<std::string, std::string> out;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return out;
  char line[256];
  while (std::fgets(line, sizeof line, p)) {
    std::string s(line);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    const size_t eq = s.find('=');
    if (eq != std::string::npos) out[s.substr(0, eq)] = s.substr(eq + 1);
  }
  pclose(p);
  return out;
}

TEST(CliExport, BitmapSequenceMatchesTheCompositionByteForByte) {
  TempDir dir;
  const fs::path project = MakeProject(dir);
  const auto frames = ReferenceFrames(project);
  ASSERT_EQ(frames.size(), static_cast<size_t>(kFrames));
  const fs::path out = dir / "seq" / "deeper";
  fs::create_directories(out);  // the tool makes no folders
  const CliResult r = RunKt58(dir, {"export-bmp", project.string(), out.string(), "--pattern", "f##.png",
                                    "--start", "98"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.err, "");  // not a terminal: no progress bar
  const char* names[] = {"f98.Bmp", "f99.Bmp", "f100.Bmp", "f101.Bmp", "f102.Bmp"};
  for (int i = 0; i < kFrames; ++i) {
    SCOPED_TRACE(names[i]);
    EXPECT_EQ(test::ReadFileBytes(out / names[i]), EncodeBmp(frames[static_cast<size_t>(i)]));
  }
  // The frames really differ, so the comparison checks the frame order.
  EXPECT_NE(EncodeBmp(frames[0]), EncodeBmp(frames[1]));
  EXPECT_TRUE(test::StoreFilesIn(dir.path()).empty());

  fs::create_directory(dir / "d");
  const CliResult def = RunKt58(dir, {"export-bmp", project.string(), (dir / "d").string()});
  ASSERT_EQ(def.exit_code, 0) << def.err;
  EXPECT_TRUE(fs::exists(dir / "d" / "000.Bmp"));
  EXPECT_TRUE(fs::exists(dir / "d" / "004.Bmp"));
}

TEST(CliExport, SingleFrameInEachFormat) {
  TempDir dir;
  const fs::path project = MakeProject(dir);
  const auto frames = ReferenceFrames(project);
  ASSERT_EQ(frames.size(), static_cast<size_t>(kFrames));

  ASSERT_EQ(RunKt58(dir, {"export-frame", project.string(), "3", (dir / "f.BMP").string()}).exit_code, 0);
  EXPECT_EQ(test::ReadFileBytes(dir / "f.BMP"), EncodeBmp(frames[3]));

  ASSERT_EQ(RunKt58(dir, {"export-frame", project.string(), "1", (dir / "f.jpg").string()}).exit_code, 0);
  const auto jpg = Ffprobe(dir / "f.jpg");
  EXPECT_EQ(jpg.count("codec_name") ? jpg.at("codec_name") : "", "mjpeg");
  EXPECT_EQ(jpg.count("width") ? jpg.at("width") : "", std::to_string(kWidth));
  EXPECT_EQ(jpg.count("height") ? jpg.at("height") : "", std::to_string(kHeight));

  ASSERT_EQ(RunKt58(dir, {"export-frame", project.string(), "0", (dir / "f.gif").string()}).exit_code, 0);
  const DecodedGif gif = DecodeGifFile(dir / "f.gif");
  EXPECT_EQ(gif.screen_width, kWidth);
  EXPECT_EQ(gif.screen_height, kHeight);
  EXPECT_EQ(gif.images.size(), 1u);

  ExpectOneFailureLine(RunKt58(dir, {"export-frame", project.string(), "5", (dir / "g.bmp").string()}),
                       "frame index 5 is outside the project's frames 0..4");
  const CliResult tif = RunKt58(dir, {"export-frame", project.string(), "0", (dir / "g.tif").string()});
  EXPECT_EQ(tif.exit_code, 2);
  EXPECT_EQ(tif.ErrLines().front(), "kt58: export-frame writes .bmp, .jpg, .gif or .png files, not \"g.tif\"");
  ExpectOneFailureLine(RunKt58(dir, {"export-frame", project.string(), "0", (dir / "no" / "g.bmp").string()}),
                       "the folder " + (dir / "no").string() + " does not exist");
  EXPECT_FALSE(fs::exists(dir / "g.bmp"));
  EXPECT_FALSE(fs::exists(dir / "g.tif"));
}

// The header of a PNG as written: 8 bits a sample, colour type 2 (RGB), so
// nothing is palettised or given an alpha channel on the way.
void ExpectEightBitRgbPng(const fs::path& file) {
  const std::vector<uint8_t> bytes = test::ReadFileBytes(file);
  ASSERT_GE(bytes.size(), 33u);
  EXPECT_EQ(std::string(bytes.begin() + 12, bytes.begin() + 16), "IHDR");
  EXPECT_EQ(bytes[24], 8) << "bit depth";
  EXPECT_EQ(bytes[25], 2) << "colour type";
}

// A PNG frame holds exactly the composed pixels, decoded by ffmpeg; an
// existing file of the name is replaced.
TEST(CliExport, SingleFrameAsPng) {
  TempDir dir;
  const fs::path project = MakeProject(dir);
  const auto frames = ReferenceFrames(project);
  ASSERT_EQ(frames.size(), static_cast<size_t>(kFrames));
  test::WriteFileBytes(dir / "old.png", {'o', 'l', 'd'});
  const struct {
    int index;
    const char* name;
  } cases[] = {{0, "f.png"}, {3, "F.PNG"}, {4, "old.png"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path out = dir / c.name;
    const CliResult r = RunKt58(dir, {"export-frame", project.string(), std::to_string(c.index), out.string()});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    ExpectEightBitRgbPng(out);
    const test::DecodedVideo decoded = test::DecodeVideo(out, dir.path());
    ASSERT_EQ(decoded.error, "");
    EXPECT_EQ(decoded.codec, "png");
    EXPECT_EQ(decoded.width, kWidth);
    EXPECT_EQ(decoded.height, kHeight);
    ASSERT_EQ(decoded.Count(), 1u);
    EXPECT_EQ(test::FirstDifference(decoded, {frames[static_cast<size_t>(c.index)]}), "");
  }
}

// Every file of a sequence, by name: exactly the chosen frames, numbered
// one after the other from --start, BMPs byte for byte, PNGs decoded by
// ffmpeg.
TEST(CliExport, SequencesHoldTheChosenFramesInTheirFormat) {
  TempDir dir;
  const fs::path project = MakeProject(dir);
  const auto frames = ReferenceFrames(project);
  ASSERT_EQ(frames.size(), static_cast<size_t>(kFrames));
  const struct {
    std::vector<std::string> args;
    std::vector<std::string> names;
    std::vector<int> frames;
  } cases[] = {
      {{"export-sequence"}, {"000.png", "001.png", "002.png", "003.png", "004.png"}, {0, 1, 2, 3, 4}},
      {{"export-sequence", "--format", "bmp", "--every", "2"}, {"000.bmp", "001.bmp", "002.bmp"}, {0, 2, 4}},
      {{"export-sequence", "--frames", "1-3", "--start", "7", "--pattern", "f##.x"}, {"f07.png", "f08.png", "f09.png"},
       {1, 2, 3}},
      {{"export-sequence", "--format=png", "--frames", "3-"}, {"000.png", "001.png"}, {3, 4}},
      {{"export-bmp", "--frames", "4"}, {"000.Bmp"}, {4}},
      {{"export-bmp", "--frames", "-3", "--every", "2"}, {"000.Bmp", "001.Bmp"}, {0, 2}},
  };
  int n = 0;
  for (const auto& c : cases) {
    const fs::path out = dir / ("s" + std::to_string(n++));
    fs::create_directory(out);
    std::vector<std::string> args = {c.args[0], project.string(), out.string()};
    args.insert(args.end(), c.args.begin() + 1, c.args.end());
    SCOPED_TRACE(out.filename().string());
    const CliResult r = RunKt58(dir, args);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(test::FileNamesIn(out), c.names);  // both sorted
    for (size_t k = 0; k < c.names.size(); ++k) {
      SCOPED_TRACE(c.names[k]);
      const fs::path file = out / c.names[k];
      const Picture& want = frames[static_cast<size_t>(c.frames[k])];
      if (file.extension() != ".png") {
        EXPECT_EQ(test::ReadFileBytes(file), EncodeBmp(want));
        continue;
      }
      ExpectEightBitRgbPng(file);
      const test::DecodedVideo decoded = test::DecodeVideo(file, dir.path());
      ASSERT_EQ(decoded.error, "");
      ASSERT_EQ(decoded.Count(), 1u);
      ASSERT_EQ(decoded.width, kWidth);
      ASSERT_EQ(decoded.height, kHeight);
      EXPECT_EQ(test::FirstDifference(decoded, {want}), "");
    }
  }
  EXPECT_TRUE(test::StoreFilesIn(dir.path()).empty());
}

// The colours of each image of a GIF written without optimisations (every
// image the whole screen), pixel by pixel.
std::vector<std::vector<GifRgb>> GifImageColours(const fs::path& file) {
  std::vector<std::vector<GifRgb>> images;
  const DecodedGif gif = DecodeGifFile(file);
  for (const auto& image : gif.images) {
    std::vector<GifRgb> colours;
    for (const uint8_t index : image.indices) colours.push_back(image.palette.at(index));
    images.push_back(std::move(colours));
  }
  return images;
}

// A part of the animation holds the chosen frames, each as the whole export
// shows it: the GIF's images against the whole GIF's (each palette built
// from its own frame), the APNG's and AVI's pixels against the composition.
TEST(CliExport, PartsOfAnimationsHoldTheChosenFramesAsInTheWhole) {
  TempDir dir;
  const fs::path project = MakeProject(dir);
  const auto frames = ReferenceFrames(project);
  ASSERT_EQ(frames.size(), static_cast<size_t>(kFrames));
  const std::vector<std::string> gif_options = {"--palette", "optimized", "--optimize", "none"};
  auto run = [&](const std::string& command, const fs::path& out, std::vector<std::string> options) {
    std::vector<std::string> args = {command, project.string(), out.string()};
    args.insert(args.end(), options.begin(), options.end());
    const CliResult r = RunKt58(dir, args);
    EXPECT_EQ(r.exit_code, 0) << r.err;
  };
  run("export-gif", dir / "whole.gif", gif_options);
  const auto whole = GifImageColours(dir / "whole.gif");
  ASSERT_EQ(whole.size(), static_cast<size_t>(kFrames));
  ASSERT_NE(whole[1], whole[2]);

  const struct {
    std::vector<std::string> range;
    std::vector<int> frames;
  } cases[] = {
      {{"--frames", "1-3"}, {1, 2, 3}},
      {{"--every", "2"}, {0, 2, 4}},
      {{"--frames", "2"}, {2}},
      {{"--frames", "-3", "--every", "3"}, {0, 3}},
      {{"--frames", "1-", "--every", "2"}, {1, 3}},
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::string name = "part" + std::to_string(n++);
    SCOPED_TRACE(name);
    std::vector<std::string> options = gif_options;
    options.insert(options.end(), c.range.begin(), c.range.end());
    run("export-gif", dir / (name + ".gif"), options);
    EXPECT_EQ(Ffprobe(dir / (name + ".gif"))["nb_read_frames"], std::to_string(c.frames.size()));
    const auto part = GifImageColours(dir / (name + ".gif"));
    ASSERT_EQ(part.size(), c.frames.size());
    for (size_t k = 0; k < part.size(); ++k)
      EXPECT_TRUE(part[k] == whole[static_cast<size_t>(c.frames[k])]) << "image " << k;

    std::vector<Picture> want;
    for (const int i : c.frames) want.push_back(frames[static_cast<size_t>(i)]);
    for (const char* extension : {".apng", ".avi"}) {
      const fs::path out = dir / (name + extension);
      run(extension == std::string(".avi") ? "export-avi" : "export-video", out, c.range);
      const test::DecodedVideo decoded = test::DecodeVideo(out, dir.path());
      ASSERT_EQ(decoded.error, "") << extension;
      ASSERT_EQ(decoded.Count(), c.frames.size()) << extension;
      EXPECT_EQ(test::FirstDifference(decoded, want), "") << extension;
    }
    // A lossy video counts its frames as well.
    run("export-video", dir / (name + ".mp4"), c.range);
    EXPECT_EQ(Ffprobe(dir / (name + ".mp4"))["nb_read_frames"], std::to_string(c.frames.size()));
  }
  EXPECT_TRUE(test::StoreFilesIn(dir.path()).empty());
}

// A range the project does not reach is refused in one line once the
// project is read, before any file is made.
TEST(CliExport, RangesPastTheLastFrameWriteNothing) {
  TempDir dir;
  const fs::path project = MakeProject(dir);
  fs::create_directory(dir / "seq");
  const std::string p = project.string(), d = dir.path().string();
  const struct {
    std::vector<std::string> args;
    std::string says;
  } cases[] = {
      {{"export-gif", p, d + "/o.gif", "--frames", "5"}, "--frames 5-5 is outside the frames 0..4 of " + p},
      {{"export-video", p, d + "/o.apng", "--frames", "3-5"}, "--frames 3-5 is outside the frames 0..4 of " + p},
      {{"export-avi", p, d + "/o.avi", "--frames", "9-"}, "--frames 9- is outside the frames 0..4 of " + p},
      {{"export-bmp", p, d + "/seq", "--frames", "-5"}, "--frames 0-5 is outside the frames 0..4 of " + p},
      {{"export-sequence", p, d + "/seq", "--frames", "7", "--every", "2"},
       "--frames 7-7 is outside the frames 0..4 of " + p},
  };
  const auto before = test::FileNamesIn(dir.path());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0]);
    const CliResult r = RunKt58(dir, c.args);
    EXPECT_EQ(r.exit_code, 1) << r.err;
    ASSERT_EQ(r.ErrLines().size(), 1u) << r.err;
    EXPECT_EQ(r.ErrLines()[0], "kt58: " + c.says);
    EXPECT_EQ(test::FileNamesIn(dir.path()), before);
    EXPECT_TRUE(fs::is_empty(dir / "seq"));
  }
}

TEST(CliExport, AnimatedGifInEveryPaletteAndOption) {
  TempDir dir;
  const fs::path project = MakeProject(dir);
  const struct {
    std::vector<std::string> options;
    size_t max_colors;
  } cases[] = {
      {{}, 256},
      {{"--palette", "global", "--colors", "32", "--dither", "floyd-steinberg", "--optimize", "none"}, 32},
      {{"--delay", "250", "--palette", "optimized", "--colors", "8", "--dither", "floyd-steinberg"}, 8},
      {{"--palette", "optimized-windows", "--dither", "stucki", "--optimize", "single-map,merge,crop"}, 256},
      {{"--palette", "web", "--dither", "sierra", "--optimize", "remove-passive,sort", "--compression", "rle"}, 256},
      {{"--palette", "mono", "--dither", "burkes", "--optimize", "none"}, 2},
      {{"--palette", "gray", "--delay", "10", "--optimize", "none"}, 256},
      {{"--palette", "windows-gray", "--colors", "16"}, 256},
      {{"--palette", "windows", "--optimize", "crop,merge,sort,single-map,remove-passive"}, 256},
  };
  int n = 0;
  for (const auto& c : cases) {
    const fs::path out = dir / ("a" + std::to_string(n++) + ".gif");
    std::vector<std::string> args = {"export-gif", project.string(), out.string()};
    args.insert(args.end(), c.options.begin(), c.options.end());
    SCOPED_TRACE(out.filename().string());
    const CliResult r = RunKt58(dir, args);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const DecodedGif gif = DecodeGifFile(out);
    EXPECT_EQ(gif.screen_width, kWidth);
    EXPECT_EQ(gif.screen_height, kHeight);
    ASSERT_GE(gif.images.size(), 1u);
    EXPECT_LE(gif.images.size(), static_cast<size_t>(kFrames));
    // Without "--optimize none" the lossless optimisations may join frames.
    const bool merging = std::find(c.options.begin(), c.options.end(), "none") == c.options.end();
    if (!merging) {
      EXPECT_EQ(gif.images.size(), static_cast<size_t>(kFrames));
    }
    int delay_cs = 10;
    for (size_t i = 0; i + 1 < c.options.size(); ++i)
      if (c.options[i] == "--delay") delay_cs = std::stoi(c.options[i + 1]) / 10;
    for (const auto& image : gif.images) {
      EXPECT_LE(image.palette.size(), std::max<size_t>(c.max_colors, 2));
      if (!merging) {
        EXPECT_EQ(image.delay_cs, delay_cs);
      }
    }
    // It loops for ever (application extension on the first frame).
    const auto bytes = test::ReadFileBytes(out);
    EXPECT_NE(std::string(bytes.begin(), bytes.end()).find("NETSCAPE2.0"), std::string::npos);
  }
  EXPECT_TRUE(test::StoreFilesIn(dir.path()).empty());
}

TEST(CliExport, AviHoldsEveryFrameUncompressed) {
  TempDir dir;
  const fs::path project = MakeProject(dir);
  const auto frames = ReferenceFrames(project);
  ASSERT_EQ(frames.size(), static_cast<size_t>(kFrames));
  const fs::path out = dir / "v.avi";
  const CliResult r = RunKt58(dir, {"export-avi", project.string(), out.string()});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  auto probe = Ffprobe(out);
  EXPECT_EQ(probe["codec_name"], "rawvideo");
  EXPECT_EQ(probe["pix_fmt"], "bgr24");
  EXPECT_EQ(probe["width"], std::to_string(kWidth));
  EXPECT_EQ(probe["height"], std::to_string(kHeight));
  EXPECT_EQ(probe["nb_read_frames"], std::to_string(kFrames));
  EXPECT_EQ(probe["r_frame_rate"], "10/1");  // no playback delay stored: 100 ms a frame

  const test::RawFrames decoded = test::DecodeWithFfmpeg(out, dir.path(), kWidth, kHeight);
  ASSERT_EQ(decoded.count, static_cast<size_t>(kFrames));
  for (size_t f = 0; f < decoded.count; ++f)
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        const BGR want = ColorToBGR(test::PixelColor(frames[f], x, y));
        ASSERT_EQ(decoded.Pixel(f, y, x * 3 + 0), want.b) << f << " " << x << "," << y;
        ASSERT_EQ(decoded.Pixel(f, y, x * 3 + 1), want.g) << f << " " << x << "," << y;
        ASSERT_EQ(decoded.Pixel(f, y, x * 3 + 2), want.r) << f << " " << x << "," << y;
      }
  EXPECT_TRUE(test::StoreFilesIn(dir.path()).empty());
}

TEST(CliExport, NamesWithColonsAreFilesToFfmpeg) {
  // Relative names, as a user types them: "12:30.avi" and a folder "data:x"
  // look like FFmpeg protocols ("data:" is one) unless opened as files.
  TempDir dir;
  const fs::path folder = dir / "data:x";
  fs::create_directory(folder);
  const fs::path clip = dir / "clip.avi";
  ASSERT_TRUE(test::MakeAvi(test::FindAviCase("bgr24_topdown"), clip, 8, 6));
  fs::rename(clip, folder / "12:30.avi");
  const test::CliEnv here{0, 0, dir.path()};
  const CliResult made = RunKt58(dir, {"new", "data:x/p.apf", "--frames", "3", "--layer", "data:x/12:30.avi"}, here);
  ASSERT_EQ(made.exit_code, 0) << made.err;
  for (const char* out : {"12:30.avi", "data:x/out.avi"}) {
    SCOPED_TRACE(out);
    const CliResult r = RunKt58(dir, {"export-avi", "data:x/p.apf", out}, here);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    auto probe = Ffprobe("file:" + (dir / out).string());
    EXPECT_EQ(probe["width"], "8");
    EXPECT_EQ(probe["height"], "6");
    EXPECT_EQ(probe["nb_read_frames"], "3");
  }
  EXPECT_TRUE(test::StoreFilesIn(dir.path()).empty());
}

TEST(CliExport, NothingToExportOrNowhereToWrite) {
  TempDir dir;
  const fs::path empty = dir / "empty.apf";
  {
    Project a;
    a.SaveToFile(empty);
  }
  const fs::path project = MakeProject(dir);
  const fs::path missing = dir / "missing";
  fs::create_directory(dir / "e");
  const struct {
    std::vector<std::string> args;
    std::string says;
  } cases[] = {
      {{"export-avi", empty.string(), (dir / "e.avi").string()}, "has no layers"},
      {{"export-gif", empty.string(), (dir / "e.gif").string()}, "has no layers"},
      {{"export-bmp", empty.string(), (dir / "e").string()}, "has no layers"},
      {{"export-frame", empty.string(), "0", (dir / "e.bmp").string()}, "has no layers"},
      {{"export-gif", project.string(), (missing / "x.gif").string()}, "the folder " + missing.string() + " does not exist"},
      {{"export-avi", project.string(), (missing / "x.avi").string()}, "the folder " + missing.string() + " does not exist"},
      {{"export-avi", (dir / "nope.apf").string(), (dir / "x.avi").string()}, "no project file at"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1]);
    ExpectOneFailureLine(RunKt58(dir, c.args), c.says);
  }
  EXPECT_FALSE(fs::exists(dir / "e.avi"));
  EXPECT_FALSE(fs::exists(dir / "e.gif"));
  EXPECT_FALSE(fs::exists(missing));
}

}  // namespace
}  // namespace kt58
