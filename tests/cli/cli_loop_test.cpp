// SPDX-License-Identifier: GPL-3.0-or-later
// How often an exported animation plays, as the file tells a viewer: the
// GIF's loop extension, WebP's ANIM chunk and APNG's acTL chunk.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli_run.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

namespace fs = std::filesystem;
using test::CliResult;
using test::RunKt58;
using test::TempDir;

// The offset just past the first occurrence of the tag; none without it.
std::optional<size_t> After(const std::vector<uint8_t>& bytes, const std::string& tag) {
  const auto it = std::search(bytes.begin(), bytes.end(), tag.begin(), tag.end());
  if (it == bytes.end()) return std::nullopt;
  return static_cast<size_t>(it - bytes.begin()) + tag.size();
}

// Plays as the viewer counts them: 0 forever.
int GifPlays(const std::vector<uint8_t>& gif) {
  const auto at = After(gif, "NETSCAPE2.0");
  if (!at) return 1;  // no loop extension: once
  const int repeats = gif[*at + 2] | (gif[*at + 3] << 8);
  return repeats == 0 ? 0 : repeats + 1;
}

int WebpPlays(const std::vector<uint8_t>& webp) {
  const auto at = After(webp, "ANIM");
  EXPECT_TRUE(at);
  // Chunk size (4), background colour (4), then the loop count (2).
  return at ? webp[*at + 8] | (webp[*at + 9] << 8) : -1;
}

int ApngPlays(const std::vector<uint8_t>& png) {
  const auto at = After(png, "acTL");
  EXPECT_TRUE(at);
  // Frame count (4), then the play count (4), big-endian.
  return at ? (png[*at + 4] << 24) | (png[*at + 5] << 16) | (png[*at + 6] << 8) | png[*at + 7] : -1;
}

TEST(CliLoop, TheFileSaysHowOftenItPlays) {
  TempDir dir;
  const fs::path picture = test::WriteBmpFile(dir, "pic.bmp", test::MakeRandomPicture(8, 6, 4));
  const fs::path project = dir / "p.apf";
  ASSERT_EQ(RunKt58(dir, {"new", project.string(), "--frames", "3", "--layer", picture.string(), "--rotate", "90"})
                .exit_code,
            0);
  const struct {
    std::vector<std::string> options;
    int plays;
  } cases[] = {{{}, 0}, {{"--loop", "0"}, 0}, {{"--once"}, 1}, {{"--loop", "1"}, 1}, {{"--loop", "3"}, 3},
               {{"--loop", "65536"}, 65536}};
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options.empty() ? "default" : c.options[0] + (c.options.size() > 1 ? " " + c.options[1] : ""));
    const std::string stem = (dir / ("o" + std::to_string(n++))).string();
    const auto run = [&](const std::string& command, const std::string& out) {
      std::vector<std::string> args = {command, project.string(), out};
      args.insert(args.end(), c.options.begin(), c.options.end());
      const CliResult r = RunKt58(dir, args);
      EXPECT_EQ(r.exit_code, 0) << r.err;
      return test::ReadFileBytes(out);
    };
    EXPECT_EQ(GifPlays(run("export-gif", stem + ".gif")), c.plays);
    if (c.plays > 0xFFFF) continue;  // WebP and APNG count in 16 bits and more, GIF's repeats in 16
    EXPECT_EQ(WebpPlays(run("export-video", stem + ".webp")), c.plays);
    EXPECT_EQ(ApngPlays(run("export-video", stem + ".apng")), c.plays);
  }
  const CliResult mp4 = RunKt58(dir, {"export-video", project.string(), (dir / "o.mp4").string(), "--once"});
  EXPECT_EQ(mp4.exit_code, 2);
  EXPECT_EQ(mp4.ErrLines().front(), "kt58: --loop and --once are for WebP and APNG; a video plays once");
}

}  // namespace
}  // namespace kt58
