// SPDX-License-Identifier: GPL-3.0-or-later
// kt58 new and kt58 info, driven through the built binary.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli_run.h"
#include "engine/bmp_codec.h"
#include "model/project.h"
#include "model/image_resource.h"
#include "platform/program_info.h"
#include "support/gif_builder.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

namespace fs = std::filesystem;
using test::CliResult;
using test::RunKt58;
using test::TempDir;

constexpr Color kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kWhite = 0xFFFFFF;

// A 3 x 2 picture whose bottom-left pixel (the auto-detected key) is green.
fs::path WriteSmallBmp(const TempDir& dir, const std::string& name = "pic.bmp") {
  return test::WriteBmpFile(dir, name, test::MakePicture({{kRed, kWhite, kBlue}, {kGreen, kRed, kWhite}}));
}

void ExpectOneFailureLine(const CliResult& r) {
  EXPECT_EQ(r.exit_code, 1) << r.err;
  const auto lines = r.ErrLines();
  ASSERT_EQ(lines.size(), 1u) << r.err;
  EXPECT_EQ(lines[0].rfind("kt58: ", 0), 0u) << lines[0];
}

std::unique_ptr<Project> Load(const fs::path& path) {
  auto a = std::make_unique<Project>();
  const ProjectReadResult read = a->ReadFromFile(path);
  EXPECT_TRUE(read.ok) << read.message;
  return a;
}

TEST(CliNew, EveryLayerOptionReachesTheProject) {
  TempDir dir;
  const fs::path pic = WriteSmallBmp(dir);
  const fs::path gif = test::WriteSmallAnimatedGif(dir.path(), "anim.gif");
  const fs::path out = dir / "p.apf";
  const CliResult r = RunKt58(
      dir, {"new", out.string(), "--frames", "16", "--size", "40x30", "--background", "102030",
            // bottom layer: every option
            "--layer", pic.string(), "--x", "-4", "--y", "9", "--start-angle", "45", "--rotate", "720",
            "--counter-clockwise", "--anti-alias", "--blend", "hgradient", "--transparency", "20",
            "--alt-transparency", "80", "--tint", "AABBCC", "--fade", "smooth", "--fade-start", "5", "--fade-final",
            "95", "--pixel-rotate", "left", "--mirror", "--flip", "--bevel", "7", "--bevel-highlight", "FFEEDD",
            "--bevel-shadow", "112233", "--key", "123456",
            // middle: defaults
            "--layer", pic.string(),
            // top: an animated GIF, key left as adding a layer leaves it
            "--layer", gif.string(), "--blend", "normal", "--fade", "pulse", "--pixel-rotate", "down"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_TRUE(test::StoreFilesIn(dir.path()).empty());

  const auto a = Load(out);
  EXPECT_EQ(a->FrameCount, 16);
  EXPECT_TRUE(a->FixedFrameSize);
  EXPECT_EQ(a->GetFrameSize(), (FrameSize{40, 30}));
  EXPECT_EQ(a->BackgroundColor, 0x302010u);
  ASSERT_EQ(a->LayerCount(), 3);
  ASSERT_EQ(a->References->Count(), 2);  // the picture is shared by two layers

  const auto& layers = a->ConstructorFrame->Layers;
  const Layer& top = *layers[0];
  const Layer& mid = *layers[1];
  const Layer& bottom = *layers[2];
  EXPECT_EQ(top.ImageRef->SourceType, st_Gifa);
  EXPECT_EQ(top.LayerName, "anim_1");
  EXPECT_EQ(mid.LayerName, "pic_2");
  EXPECT_EQ(bottom.LayerName, "pic_1");

  EXPECT_EQ(bottom.OffsetX, -4);
  EXPECT_EQ(bottom.OffsetY, 9);
  EXPECT_EQ(bottom.StartAngle, 45.0);
  EXPECT_EQ(bottom.Angle, 45.0);  // a master layer's angle follows its start angle
  EXPECT_EQ(bottom.DegreesToRotate, 720.0);
  EXPECT_FALSE(bottom.Clockwise);
  EXPECT_TRUE(bottom.AntiAlias);
  EXPECT_EQ(bottom.BlendType, bt_H_Blend);
  EXPECT_EQ(bottom.Transparency, 20);
  EXPECT_EQ(bottom.AltTransparency, 80);
  EXPECT_TRUE(bottom.TintEnabled);
  EXPECT_EQ(bottom.TintColor, 0xCCBBAAu);
  EXPECT_EQ(bottom.FadeMode, fm_Smooth);
  EXPECT_EQ(bottom.FadeStart, 5);
  EXPECT_EQ(bottom.FadeFinal, 95);
  EXPECT_TRUE(bottom.PixelRotate);
  EXPECT_EQ(bottom.PixelRotateDirection, pr_Left);
  EXPECT_EQ(bottom.PixelRotateShift, 0);
  EXPECT_TRUE(bottom.Mirror);
  EXPECT_TRUE(bottom.Flip);
  EXPECT_TRUE(bottom.ButtonizeEnabled);
  EXPECT_EQ(bottom.ButtonizeAmount, 7);
  EXPECT_EQ(bottom.ButtonizeHighlight, 0xDDEEFFu);
  EXPECT_EQ(bottom.ButtonizeShadow, 0x332211u);
  EXPECT_EQ(bottom.TransparentColor, 0x563412u);

  // Untouched options keep what adding the layer gave: defaults and the
  // bottom-left pixel as key.
  EXPECT_EQ(mid.TransparentColor, kGreen);
  EXPECT_EQ(mid.OffsetX, 0);
  EXPECT_EQ(mid.StartAngle, 0.0);
  EXPECT_TRUE(mid.Clockwise);
  EXPECT_FALSE(mid.AntiAlias);
  EXPECT_EQ(mid.BlendType, bt_No_Blend);
  EXPECT_FALSE(mid.TintEnabled);
  EXPECT_EQ(mid.FadeFinal, 100);
  EXPECT_FALSE(mid.PixelRotate);
  EXPECT_FALSE(mid.ButtonizeEnabled);
  EXPECT_EQ(mid.ButtonizeAmount, 1);
  EXPECT_EQ(mid.ButtonizeHighlight, kWhite);

  EXPECT_EQ(top.TransparentColor, 0u);  // not auto-detected for an animated GIF
  EXPECT_EQ(top.BlendType, bt_Blend);
  EXPECT_EQ(top.FadeMode, fm_Pulse);
  EXPECT_EQ(top.PixelRotateDirection, pr_Down);
}

// A project past 100 MB says how large it is, in MB of 10^6 bytes, on one
// line of stderr (two one-pixel images on a 4096 x 4096 screen are stored
// at the screen's size); a small one says nothing. The size counted for the
// desktop app's status bar is what the file holds, bar its settings.
TEST(CliNew, ALargeProjectSaysHowLargeItIs) {
  TempDir dir;
  const fs::path small_bmp = test::WriteBmpFile(dir, "small.bmp", test::MakeRandomPicture(6, 4, 1));
  const fs::path gif = dir / "dots.gif";
  test::WriteFileBytes(gif, test::BuildGif(4096, 4096, {{0, 0, 0}, {255, 255, 255}}, 0,
                                           {test::SolidGifImage(0, 0, 1, 1, 1), test::SolidGifImage(1, 1, 1, 1, 1)}));
  const fs::path small = dir / "small.apf", large = dir / "large.apf";
  const CliResult quiet = RunKt58(dir, {"new", small.string(), "--layer", small_bmp.string()});
  EXPECT_EQ(quiet.exit_code, 0);
  EXPECT_EQ(quiet.err, "");
  const CliResult loud = RunKt58(dir, {"new", large.string(), "--layer", gif.string()});
  EXPECT_EQ(loud.exit_code, 0);
  const uint64_t bytes = fs::file_size(large);
  ASSERT_GT(bytes, 100'000'000u);
  EXPECT_EQ(loud.err, "kt58: the project " + large.string() + " takes " + std::to_string(bytes / 1'000'000) + " MB\n");

  Project loaded;
  ASSERT_TRUE(loaded.ReadFromFile(large).ok);
  const uint64_t pictures = ProjectPictureBytes(loaded);
  EXPECT_EQ(pictures, 2 * (kBmpHeadersSize + Picture::RowBytesFor(4096) * uint64_t{4096}));
  EXPECT_LT(bytes - pictures, 64u * 1024) << "the settings take a few kilobytes";
}

TEST(CliNew, AutomaticSizeAndDefaults) {
  TempDir dir;
  const fs::path small = WriteSmallBmp(dir);
  const fs::path wide = test::WriteBmpFile(dir, "wide.bmp", test::MakeSolidPicture(7, 1, kBlue));
  const fs::path out = dir / "p.apf";
  const CliResult r = RunKt58(dir, {"new", out.string(), "--layer", small.string(), "--layer", wide.string()});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const auto a = Load(out);
  EXPECT_EQ(a->FrameCount, 10);
  EXPECT_FALSE(a->FixedFrameSize);
  EXPECT_EQ(a->GetFrameSize(), (FrameSize{7, 2}));
  EXPECT_EQ(a->BackgroundColor, 0u);
}

TEST(CliInfo, JsonAndTextShowTheProject) {
  TempDir dir;
  const fs::path pic = WriteSmallBmp(dir);
  const fs::path gif = test::WriteSmallAnimatedGif(dir.path(), "anim.gif");
  const fs::path out = dir / "p.apf";
  ASSERT_EQ(RunKt58(dir, {"new", out.string(), "--frames", "4", "--layer", pic.string(), "--tint", "010203",
                          "--rotate", "90", "--layer", gif.string(), "--x", "2"})
                .exit_code,
            0);

  const CliResult j = RunKt58(dir, {"info", out.string(), "--json"});
  ASSERT_EQ(j.exit_code, 0) << j.err;
  EXPECT_EQ(j.err, "");
  // The names and values of the options that made it.
  for (const char* part :
       {"{\"format_version\":1,", "\"frames\":4", "\"size\":\"4x3\"", "\"generated-frames\":4",
        "\"type\":\"Gifa\",", "\"size\":\"4x3\",\"frames\":3", "\"type\":\"Bmp\",",
        "\"size\":\"3x2\",\"frames\":1", "\"name\":\"anim_1\"", "\"x\":2", "\"tint\":\"010203\"",
        "\"tint\":null", "\"key\":\"00FF00\"", "\"rotate\":90", "\"background\":\"000000\"",
        "\"blend\":\"none\"", "\"fade\":\"none\"", "\"pixel-rotate\":null", "\"bevel\":null"}) {
    EXPECT_NE(j.out.find(part), std::string::npos) << part << " in " << j.out;
  }
  // Top layer first, as stored.
  EXPECT_LT(j.out.find("anim_1"), j.out.find("pic_1"));
  // One JSON object on one line.
  EXPECT_EQ(j.out.front(), '{');
  EXPECT_EQ(j.out.substr(j.out.size() - 2), "}\n");

  const CliResult t = RunKt58(dir, {"info", out.string()});
  ASSERT_EQ(t.exit_code, 0) << t.err;
  EXPECT_NE(t.out.find("Gifa 4 x 3, 3 frames"), std::string::npos) << t.out;
  EXPECT_NE(t.out.find("tint on 010203"), std::string::npos) << t.out;
  EXPECT_NE(t.out.find("Layers (2, top first)"), std::string::npos) << t.out;
  // The frame store made while reading the project is gone afterwards.
  EXPECT_TRUE(test::StoreFilesIn(dir.path()).empty());
}

TEST(CliInfo, JsonEscapesNamesFromTheFile) {
  TempDir dir;
  const fs::path pic = test::WriteBmpFile(dir, "a\"b\\c.bmp", test::MakeSolidPicture(2, 2, kRed));
  const fs::path out = dir / "p.apf";
  ASSERT_EQ(RunKt58(dir, {"new", out.string(), "--layer", pic.string()}).exit_code, 0);
  const CliResult j = RunKt58(dir, {"info", out.string(), "--json"});
  ASSERT_EQ(j.exit_code, 0) << j.err;
  EXPECT_NE(j.out.find("\"name\":\"a\\\"b\\\\c_1\""), std::string::npos) << j.out;
}

TEST(CliUsage, UsageErrorsExitTwoWithTheLineAndWhereHelpIs) {
  TempDir dir;
  const struct {
    std::vector<std::string> args;
    const char* help;
  } cases[] = {
      {{}, "Try 'kt58 --help'."},
      {{"bogus"}, "Try 'kt58 --help'."},
      {{"new", "o.apf", "--layer", "a.bmp", "--transparency", "101"}, "Try 'kt58 new --help'."},
      {{"info"}, "Try 'kt58 info --help'."},
  };
  for (const auto& c : cases) {
    const CliResult r = RunKt58(dir, c.args);
    EXPECT_EQ(r.exit_code, 2);
    ASSERT_EQ(r.ErrLines().size(), 2u) << r.err;
    EXPECT_EQ(r.ErrLines()[1], c.help);
    EXPECT_EQ(r.out, "");
  }
  const CliResult range = RunKt58(dir, {"new", "o.apf", "--layer", "a.bmp", "--transparency", "101"});
  EXPECT_EQ(range.ErrLines().at(0), "kt58: --transparency must be within 0..100, not 101");
  EXPECT_FALSE(fs::exists(dir / "o.apf"));

  const CliResult help = RunKt58(dir, {"--help"});
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_NE(help.out.find("kt58 export-avi"), std::string::npos);

  const CliResult version = RunKt58(dir, {"--version"});
  EXPECT_EQ(version.exit_code, 0);
  EXPECT_EQ(version.out, VersionLine("kt58"));
}

TEST(CliFailures, FailedWorkExitsOneWithOneLine) {
  TempDir dir;
  const fs::path pic = WriteSmallBmp(dir);
  const fs::path png = dir / "x.png";
  test::WriteFileBytes(png, {0x89, 'P', 'N', 'G'});
  const fs::path broken_bmp = dir / "broken.bmp";
  test::WriteFileBytes(broken_bmp, {'B', 'M', 1, 2, 3});
  const fs::path newer = dir / "newer.apf";
  test::WriteFileBytes(newer, {102, 0, 0, 0});
  const fs::path junk = dir / "junk.apf";
  test::WriteFileBytes(junk, {100, 0, 0, 0, 1, 2, 3});
  const fs::path good = dir / "good.apf";
  ASSERT_EQ(RunKt58(dir, {"new", good.string(), "--layer", pic.string()}).exit_code, 0);

  const struct {
    std::vector<std::string> args;
    const char* says;
  } cases[] = {
      {{"info", (dir / "missing.apf").string()}, "no project file at"},
      {{"info", dir.path().string()}, "no project file at"},
      {{"info", newer.string()}, "Incompatible file version: This file may have been created"},
      {{"info", junk.string()}, "Animation.LoadFromStream Exception"},
      {{"new", (dir / "o.apf").string(), "--layer", (dir / "none.bmp").string()}, "none.bmp"},
      {{"new", (dir / "o.apf").string(), "--layer", png.string()}, "x.png"},
      {{"new", (dir / "o.apf").string(), "--layer", broken_bmp.string()}, "broken.bmp"},
      {{"new", (dir / "no-such-folder" / "o.apf").string(), "--layer", pic.string()}, "no-such-folder"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1]);
    const CliResult r = RunKt58(dir, c.args);
    ExpectOneFailureLine(r);
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
  }
  EXPECT_FALSE(fs::exists(dir / "o.apf"));
}

TEST(CliFailures, FailedSaveKeepsTheOldProject) {
  TempDir dir;
  const fs::path pic = WriteSmallBmp(dir);
  const fs::path out = dir / "p.apf";
  ASSERT_EQ(RunKt58(dir, {"new", out.string(), "--layer", pic.string()}).exit_code, 0);
  const auto before = test::ReadFileBytes(out);
  ExpectOneFailureLine(RunKt58(dir, {"new", out.string(), "--layer", (dir / "gone.bmp").string()}));
  EXPECT_EQ(test::ReadFileBytes(out), before);
}

}  // namespace
}  // namespace kt58
