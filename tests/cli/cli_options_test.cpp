// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_options.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace kt58::cli {
namespace {

std::vector<std::string> Split(const std::string& line) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i < line.size()) {
    const size_t j = line.find(' ', i);
    out.push_back(line.substr(i, j == std::string::npos ? std::string::npos : j - i));
    if (j == std::string::npos) break;
    i = j + 1;
  }
  return out;
}

TEST(CliOptions, NewTakesEveryLayerOptionForTheLayerBeforeIt) {
  const Command c = ParseCommandLine(Split(
      "new out.apf --frames 12 --size 64x48 --background 102030 --layer a.bmp --x -3 --y 7 --start-angle 359 "
      "--rotate 1440 --counter-clockwise --anti-alias --blend vgradient --transparency 100 --alt-transparency 0 "
      "--tint A0B0C0 --fade smooth --fade-start 10 --fade-final 90 --pixel-rotate right --mirror --flip --bevel 100 "
      "--bevel-highlight 010203 --bevel-shadow FFFEFD --key 00ff00 --layer b.gif --key auto --x=5"));
  const auto& n = std::get<NewCommand>(c);
  EXPECT_EQ(n.out, "out.apf");
  EXPECT_EQ(n.frames, 12);
  ASSERT_TRUE(n.size);
  EXPECT_EQ(*n.size, std::make_pair(64, 48));
  EXPECT_EQ(n.background, 0x302010u);
  ASSERT_EQ(n.layers.size(), 2u);
  const LayerSpec& a = n.layers[0];
  EXPECT_EQ(a.file, "a.bmp");
  EXPECT_EQ(a.x, -3);
  EXPECT_EQ(a.y, 7);
  EXPECT_EQ(a.start_angle, 359);
  EXPECT_EQ(a.rotate, 1440);
  EXPECT_TRUE(a.counter_clockwise);
  EXPECT_TRUE(a.anti_alias);
  EXPECT_EQ(a.blend, 3);
  EXPECT_EQ(a.transparency, 100);
  EXPECT_EQ(a.alt_transparency, 0);
  EXPECT_EQ(a.tint, 0xC0B0A0u);
  EXPECT_EQ(a.fade, 2);
  EXPECT_EQ(a.fade_start, 10);
  EXPECT_EQ(a.fade_final, 90);
  EXPECT_EQ(a.pixel_rotate, 3);
  EXPECT_TRUE(a.mirror);
  EXPECT_TRUE(a.flip);
  EXPECT_EQ(a.bevel, 100);
  EXPECT_EQ(a.bevel_highlight, 0x030201u);
  EXPECT_EQ(a.bevel_shadow, 0xFDFEFFu);
  EXPECT_EQ(a.key, 0x00FF00u);
  const LayerSpec& b = n.layers[1];
  EXPECT_EQ(b.file, "b.gif");
  EXPECT_FALSE(b.key);
  EXPECT_EQ(b.x, 5);
  EXPECT_FALSE(b.y);
  EXPECT_FALSE(b.counter_clockwise);
}

TEST(CliOptions, ExportDefaultsAndChoices) {
  const auto g = std::get<ExportGifCommand>(ParseCommandLine(Split("export-gif p.apf o.gif")));
  EXPECT_EQ(g.delay_ms, 100);
  EXPECT_EQ(g.palette, "global");
  EXPECT_EQ(g.colors, 256);
  EXPECT_EQ(g.dither, "nearest");
  EXPECT_EQ(g.optimize, (std::vector<std::string>{"merge", "crop", "remove-passive"}));
  EXPECT_EQ(g.compression, "lzw");
  const auto none =
      std::get<ExportGifCommand>(ParseCommandLine(Split("export-gif p.apf o.gif --optimize none --compression rle")));
  EXPECT_TRUE(none.optimize.empty());
  EXPECT_EQ(none.compression, "rle");
  const auto h = std::get<ExportGifCommand>(ParseCommandLine(
      Split("export-gif p.apf o.gif --delay 10 --palette windows-gray --colors 8 --dither burkes "
            "--optimize sort,crop,sort,single-map")));
  EXPECT_EQ(h.delay_ms, 10);
  EXPECT_EQ(h.palette, "windows-gray");
  EXPECT_EQ(h.colors, 8);
  EXPECT_EQ(h.dither, "burkes");
  EXPECT_EQ(h.optimize, (std::vector<std::string>{"sort", "crop", "single-map"}));

  const auto b = std::get<ExportBmpCommand>(ParseCommandLine(Split("export-bmp p.apf dir")));
  EXPECT_EQ(b.pattern, "###");
  EXPECT_EQ(b.start, 0);
  EXPECT_FALSE(b.threads) << "one a core";
  const auto b2 = std::get<ExportBmpCommand>(
      ParseCommandLine(Split("export-bmp p.apf dir --pattern f## --start 100000 --threads 3")));
  EXPECT_EQ(b2.pattern, "f##");
  EXPECT_EQ(b2.start, 100000);
  EXPECT_EQ(b2.threads, 3);

  const auto f = std::get<ExportFrameCommand>(ParseCommandLine(Split("export-frame p.apf 3 o.jpg")));
  EXPECT_EQ(f.frame_index, 3);
  EXPECT_EQ(f.out, "o.jpg");
  EXPECT_TRUE(std::holds_alternative<ExportAviCommand>(ParseCommandLine(Split("export-avi p.apf o.avi"))));
  EXPECT_TRUE(std::holds_alternative<InfoCommand>(ParseCommandLine(Split("info p.apf --json"))));

  const auto v = std::get<ExportVideoCommand>(ParseCommandLine(Split("export-video p.apf o.WebM")));
  EXPECT_EQ(v.delay_ms, 0) << "the project's own delay";
  EXPECT_EQ(v.quality, 75);
  EXPECT_FALSE(v.lossless);
  const auto w = std::get<ExportVideoCommand>(
      ParseCommandLine(Split("export-video p.apf a:b.webp --delay 10 --quality 0 --lossless")));
  EXPECT_EQ(w.out, "a:b.webp");
  EXPECT_EQ(w.delay_ms, 10);
  EXPECT_EQ(w.quality, 0);
  EXPECT_TRUE(w.lossless);
  for (const char* name : {"o.apng", "o.png", "o.mp4", "o.webp"})
    EXPECT_NO_THROW(ParseCommandLine(Split(std::string("export-video p.apf ") + name + " --quality 100")));
}

// The part of the animation a command was given; none for a command that
// exports no animation.
std::optional<FrameRange> RangeOf(const Command& command) {
  return std::visit(
      [](const auto& c) -> std::optional<FrameRange> {
        if constexpr (requires { c.frames.step; })
          return c.frames;
        else
          return std::nullopt;
      },
      command);
}

TEST(CliOptions, FramesAndEveryChooseAPartOfEveryAnimationExport) {
  const struct {
    const char* options;
    int first;
    std::optional<int> last;
    int step;
  } ranges[] = {
      {"", 0, std::nullopt, 1},
      {"--frames 3-7", 3, 7, 1},
      {"--frames 3-", 3, std::nullopt, 1},
      {"--frames -4", 0, 4, 1},
      {"--frames=-4", 0, 4, 1},
      {"--frames 5", 5, 5, 1},
      {"--frames 0-999 --every 1000", 0, 999, 1000},
      {"--every 3", 0, std::nullopt, 3},
      {"--frames 1-2 --frames 6- --every 2", 6, std::nullopt, 2},  // the last one given counts
  };
  const char* commands[] = {"export-gif p.apf o.gif", "export-video p.apf o.mp4", "export-avi p.apf o.avi",
                            "export-bmp p.apf dir", "export-sequence p.apf dir"};
  for (const char* command : commands)
    for (const auto& r : ranges) {
      const std::string line = std::string(command) + " " + r.options;
      SCOPED_TRACE(line);
      const std::optional<FrameRange> got = RangeOf(ParseCommandLine(Split(line)));
      ASSERT_TRUE(got);
      EXPECT_EQ(got->first, r.first);
      EXPECT_EQ(got->last, r.last);
      EXPECT_EQ(got->step, r.step);
    }
  // export-sequence: PNG unless told, and otherwise export-bmp's options.
  const auto png = std::get<ExportSequenceCommand>(ParseCommandLine(Split("export-sequence p.apf dir")));
  EXPECT_EQ(png.format, SequenceFormat::Png);
  EXPECT_EQ(png.pattern, "###");
  const auto bmp = std::get<ExportSequenceCommand>(
      ParseCommandLine(Split("export-sequence p.apf dir --format bmp --pattern f## --start 9")));
  EXPECT_EQ(bmp.format, SequenceFormat::Bmp);
  EXPECT_EQ(bmp.pattern, "f##");
  EXPECT_EQ(bmp.start, 9);
}

// Every usage error names what is wrong; the expected text is part of the
// message.
TEST(CliOptions, UsageErrorsNameTheArgument) {
  const struct {
    const char* line;
    const char* names;
  } cases[] = {
      {"", "no command"},
      {"frobnicate x", "frobnicate"},
      {"info", "<project.apf>"},
      {"info a.apf b.apf", "\"b.apf\""},
      {"info a.apf --jsn", "--jsn"},
      {"info a.apf --json=1", "--json"},
      {"new out.apf", "--layer"},
      {"new --layer a.bmp", "<out.apf>"},
      {"new o.apf --x 3 --layer a.bmp", "--x must follow --layer"},
      {"new o.apf --layer", "--layer needs a value"},
      {"new o.apf --frames 1 --layer a.bmp", "--frames must be within 2..1000"},
      {"new o.apf --frames 1001 --layer a.bmp", "--frames"},
      {"new o.apf --frames 2.5 --layer a.bmp", "--frames must be a whole number"},
      {"new o.apf --frames 99999999999 --layer a.bmp", "--frames"},
      {"new o.apf --size 0x10 --layer a.bmp", "--size width"},
      {"new o.apf --size 10 --layer a.bmp", "--size must be WxH"},
      {"new o.apf --size 10x99999 --layer a.bmp", "--size height"},
      {"new o.apf --size 8192x4097 --layer a.bmp", "--size 8192 x 4097 is beyond the picture size limit"},
      {"new o.apf --background 12345 --layer a.bmp", "--background must be a colour RRGGBB"},
      {"new o.apf --background 0x1234 --layer a.bmp", "--background"},
      {"new o.apf --layer a.bmp --start-angle 360", "--start-angle must be within 0..359"},
      {"new o.apf --layer a.bmp --start-angle -1", "--start-angle"},
      {"new o.apf --layer a.bmp --rotate 1441", "--rotate must be within 0..1440"},
      {"new o.apf --layer a.bmp --transparency 101", "--transparency"},
      {"new o.apf --layer a.bmp --alt-transparency -1", "--alt-transparency"},
      {"new o.apf --layer a.bmp --fade-start 101", "--fade-start"},
      {"new o.apf --layer a.bmp --fade-final 101", "--fade-final"},
      {"new o.apf --layer a.bmp --bevel 101", "--bevel must be within 0..100"},
      {"new o.apf --layer a.bmp --blend half", "--blend must be one of none|normal|hgradient|vgradient"},
      {"new o.apf --layer a.bmp --fade blink", "--fade"},
      {"new o.apf --layer a.bmp --pixel-rotate sideways", "--pixel-rotate"},
      {"new o.apf --layer a.bmp --tint reddish", "--tint must be a colour RRGGBB, #RRGGBB or a CSS colour name"},
      {"new o.apf --layer a.bmp --key none", "--key"},
      {"new o.apf --layer a.bmp --bevel-shadow GG0000", "--bevel-shadow"},
      {"new o.apf --layer a.bmp --mirror=yes", "--mirror takes no value"},
      {"new o.apf --layer a.bmp --x 100001", "--x"},
      {"export-gif p.apf", "<out.gif>"},
      {"export-gif p.apf o.gif --delay 9", "--delay must be within 10..1000"},
      {"export-gif p.apf o.gif --delay 1001", "--delay"},
      {"export-bmp p.apf dir --threads 0", "--threads must be within 1..256"},
      {"export-video p.apf o.mp4 --threads 257", "--threads"},
      {"export-gif p.apf o.gif --colors 12", "--colors"},
      {"export-gif p.apf o.gif --palette vga", "--palette"},
      {"export-gif p.apf o.gif --dither atkinson", "--dither"},
      {"export-gif p.apf o.gif --optimize crop,shrink", "\"shrink\""},
      {"export-gif p.apf o.gif --compression zip", "--compression"},
      {"export-bmp p.apf dir --start -1", "--start"},
      {"export-bmp p.apf dir --start 100001", "--start"},
      {"export-bmp p.apf dir --pattern ../x###", "--pattern"},
      {"export-bmp p.apf dir --pattern", "--pattern needs a value"},
      {"export-bmp p.apf dir --pattern frame", "--pattern must hold a run of # for the frame number"},
      {"export-frame p.apf x o.bmp", "<frame-index>"},
      {"export-frame p.apf -1 o.bmp", "-1"},
      {"export-frame p.apf 1", "<out.bmp|.jpg|.gif|.png>"},
      {"export-avi p.apf o.avi extra", "\"extra\""},
      {"export-video p.apf", "<out.webp|.apng|.png|.mp4|.webm>"},
      {"export-video p.apf o.gif", "export-video writes webp, apng, png, mp4, webm files, not \"o.gif\""},
      {"export-video p.apf o.avi", "webp, apng, png, mp4, webm"},
      {"export-video p.apf webm", "not \"webm\""},
      {"export-video p.apf o.mp4 --lossless", "--lossless is for .webp"},
      {"export-video p.apf o.webm --lossless", "--lossless"},
      {"export-video p.apf o.webp --quality 101", "--quality must be within 0..100"},
      {"export-video p.apf o.webp --delay 5", "--delay must be within 10..1000"},
      {"export-video p.apf o.webp --lossless=1", "--lossless takes no value"},
      {"export-gif p.apf o.gif --frames 5-3", "--frames must not end before it starts, not \"5-3\""},
      {"export-gif p.apf o.gif --frames -", "--frames must be A-B, A-, -B or N, not \"-\""},
      {"export-video p.apf o.mp4 --frames x-3", "--frames must be a whole number, not \"x\""},
      {"export-avi p.apf o.avi --frames 1-2-3", "--frames must be a whole number, not \"2-3\""},
      {"export-bmp p.apf dir --frames 1000", "--frames must be within 0..999"},
      {"export-sequence p.apf dir --frames 2-1000", "--frames must be within 0..999"},
      {"export-sequence p.apf dir --frames", "--frames needs a value"},
      {"export-gif p.apf o.gif --every 0", "--every must be within 1..1000"},
      {"export-avi p.apf o.avi --every -2", "--every must be within 1..1000"},
      {"export-bmp p.apf dir --every 1.5", "--every must be a whole number"},
      {"export-frame p.apf 1 o.png --frames 1", "unknown option --frames for export-frame"},
      {"export-bmp p.apf dir --format png", "unknown option --format for export-bmp"},
      {"export-sequence p.apf dir --format tif", "--format must be one of png|bmp, not \"tif\""},
      {"export-sequence p.apf dir --pattern frame", "--pattern must hold a run of # for the frame number"},
      {"export-sequence p.apf -", "export-sequence writes files only"},
      {"export-sequence p.apf", "export-sequence needs <folder>"},
      {"export-avi p.apf o.avi --frmes 2", "did you mean --frames?"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    try {
      ParseCommandLine(Split(c.line));
      ADD_FAILURE() << "accepted";
    } catch (const UsageError& e) {
      EXPECT_NE(std::string(e.what()).find(c.names), std::string::npos) << e.what();
    }
  }
}

TEST(CliOptions, ColoursAreWrittenRedFirst) {
  EXPECT_EQ(ParseColorOption("--tint", "FF0000"), 0x0000FFu);
  EXPECT_EQ(ParseColorOption("--tint", "00ff00"), 0x00FF00u);
  EXPECT_EQ(ParseColorOption("--tint", "0000Ff"), 0xFF0000u);
  EXPECT_EQ(ColorText(0x332211u), "112233");
  EXPECT_EQ(ColorText(ParseColorOption("--tint", "A1B2C3")), "A1B2C3");
}

}  // namespace
}  // namespace kt58::cli
