// SPDX-License-Identifier: GPL-3.0-or-later
// Exports written at another size: every export and every way of asking.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "cli_run.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

namespace fs = std::filesystem;
using test::RunKt58;
using test::TempDir;

// Width and height of the file's first stream as ffprobe reads them.
std::pair<int, int> ProbedSize(const fs::path& file) {
  const std::string command = "ffprobe -v error -select_streams v:0 -show_entries stream=width,height -of csv=p=0 " +
                              test::ShellQuote(file.string());
  std::FILE* pipe = popen(command.c_str(), "r");
  int width = 0, height = 0;
  if (pipe) {
    if (std::fscanf(pipe, "%d,%d", &width, &height) != 2) width = height = 0;
    pclose(pipe);
  }
  return {width, height};
}

TEST(CliScale, EveryExportWritesTheAskedSize) {
  TempDir dir;
  const fs::path picture = test::WriteBmpFile(dir, "pic.bmp", test::MakeRandomPicture(8, 6, 4));
  const fs::path project = dir / "p.apf";
  ASSERT_EQ(RunKt58(dir, {"new", project.string(), "--frames", "2", "--size", "64x48", "--layer", picture.string()})
                .exit_code,
            0);
  const struct {
    std::vector<std::string> options;
    int width, height;
  } sizes[] = {
      {{"--scale", "32x20"}, 32, 20},
      {{"--scale=32"}, 32, 24},
      {{"--width", "31"}, 31, 23},  // 23.25 rounds down
      {{"--height", "18"}, 24, 18},
      {{"--height", "1"}, 1, 1},    // 1.33 rounds to 1
      {{"--width", "1"}, 1, 1},     // 0.75 rounds up to 1
      {{"--width", "100", "--height", "10"}, 100, 10},
      {{"--scale", "130"}, 130, 98},  // 97.5 rounds up
  };
  const struct {
    std::vector<std::string> command;
    fs::path probed;
  } exports[] = {
      {{"export-gif", project.string(), (dir / "o.gif").string()}, dir / "o.gif"},
      {{"export-video", project.string(), (dir / "o.webp").string()}, dir / "o.webp"},
      {{"export-video", project.string(), (dir / "o.mp4").string()}, dir / "o.mp4"},
      {{"export-avi", project.string(), (dir / "o.avi").string()}, dir / "o.avi"},
      {{"export-frame", project.string(), "1", (dir / "o.png").string()}, dir / "o.png"},
      {{"export-frame", project.string(), "1", (dir / "o.bmp").string()}, dir / "o.bmp"},
      {{"export-bmp", project.string(), dir.path().string()}, dir / "001.Bmp"},
      {{"export-sequence", project.string(), dir.path().string()}, dir / "001.png"},
  };
  for (const auto& e : exports)
    for (const auto& s : sizes) {
      // MP4 pads odd sides; its coded size is not the asked one.
      if (e.probed.extension() == ".mp4" && (s.width % 2 || s.height % 2)) continue;
      std::vector<std::string> args = e.command;
      args.insert(args.end(), s.options.begin(), s.options.end());
      args.push_back("-q");
      const auto r = RunKt58(dir, args);
      ASSERT_EQ(r.exit_code, 0) << args[0] << " " << s.options[0] << ": " << r.err;
      const std::pair<int, int> want{s.width, s.height};
      EXPECT_EQ(ProbedSize(e.probed), want) << args[0] << " " << e.probed.filename() << " " << s.options[0];
      if (e.probed.extension() == ".gif") {
        const std::vector<uint8_t> gif = test::ReadFileBytes(e.probed);
        ASSERT_GE(gif.size(), 10u);
        EXPECT_EQ(std::make_pair(gif[6] | (gif[7] << 8), gif[8] | (gif[9] << 8)), want) << "logical screen";
      }
    }
}

TEST(CliScale, SizesOutsideTheLimitsAreRefused) {
  TempDir dir;
  const fs::path picture = test::WriteBmpFile(dir, "pic.bmp", test::MakeRandomPicture(8, 6, 4));
  const fs::path project = dir / "p.apf";
  ASSERT_EQ(RunKt58(dir, {"new", project.string(), "--size", "64x48", "--layer", picture.string()}).exit_code, 0);
  const fs::path out = dir / "o.gif";
  const struct {
    std::vector<std::string> options;
    int exit_code;
    std::string line;
  } cases[] = {
      {{"--scale", "0x10"}, 2, "kt58: --scale width must be"},
      {{"--scale", "10x"}, 2, "kt58: --scale height must be"},
      {{"--width", "16385"}, 2, "kt58: --width must be"},
      {{"--height", "-3"}, 2, "kt58: --height must be"},
      {{"--scale", "abc"}, 2, "kt58: --scale must be"},
      {{"--scale", "8192x8192"}, 2, "kt58: --scale 8192 x 8192 is beyond the picture size limit"},
      {{"--width", "8192", "--height", "8192"}, 2, "kt58: --height 8192 x 8192 is beyond the picture size limit"},
      // The other side follows the aspect: known once the project is read.
      {{"--width", "16384"}, 1, "kt58: the scaled size 16384 x 12288 is beyond the picture size limit"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"export-gif", project.string(), out.string()};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const auto r = RunKt58(dir, args);
    EXPECT_EQ(r.exit_code, c.exit_code) << c.options[0] << " " << c.options[1];
    ASSERT_FALSE(r.ErrLines().empty());
    EXPECT_EQ(r.ErrLines()[0].rfind(c.line, 0), 0u) << r.ErrLines()[0];
    EXPECT_FALSE(fs::exists(out));
  }
}

}  // namespace
}  // namespace kt58
