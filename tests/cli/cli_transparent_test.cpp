// SPDX-License-Identifier: GPL-3.0-or-later
// --transparent from the command line: every export that takes it writes
// the project's background colour transparent, and the same export without
// it stays opaque.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "cli_run.h"
#include "export/video_decode.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

namespace fs = std::filesystem;
using test::RunKt58;
using test::TempDir;

TEST(CliTransparent, EveryExportThatTakesItKeysOutTheBackground) {
  TempDir dir;
  const fs::path picture = test::WriteBmpFile(dir, "pic.bmp", test::MakeRandomPicture(8, 6, 5));
  const fs::path project = dir / "p.apf";
  ASSERT_EQ(RunKt58(dir, {"new", project.string(), "--frames", "3", "--size", "32x24", "--background", "navy",
                          "--layer", picture.string(), "--x", "10", "--y", "7", "--key", "010203"})
                .exit_code,
            0);
  const std::string p = project.string();
  const fs::path seq = dir / "seq";
  fs::create_directory(seq);
  const struct {
    std::vector<std::string> command;
    fs::path file;
  } exports[] = {
      {{"export-gif", p, (dir / "o.gif").string()}, dir / "o.gif"},
      {{"export-video", p, (dir / "o.webp").string(), "--lossless"}, dir / "o.webp"},
      {{"export-video", p, (dir / "o.apng").string()}, dir / "o.apng"},
      {{"export-frame", p, "1", (dir / "o.png").string()}, dir / "o.png"},
      {{"export-sequence", p, seq.string()}, seq / "001.png"},
  };
  for (const auto& e : exports)
    for (const bool transparent : {true, false}) {
      SCOPED_TRACE(e.file.filename().string() + (transparent ? " transparent" : " opaque"));
      std::vector<std::string> args = e.command;
      if (transparent) args.push_back("--transparent");
      args.push_back("-q");
      const auto r = RunKt58(dir, args);
      ASSERT_EQ(r.exit_code, 0) << r.err;
      const test::DecodedVideo v = test::DecodeVideo(e.file, dir.path(), true);
      ASSERT_EQ(v.error, "");
      ASSERT_EQ(v.width * v.height, 32 * 24);
      // The first frame: the picture's 8 x 6 pixels over the background.
      const auto first = v.alpha.begin() + 32 * 24;
      EXPECT_EQ(std::count(v.alpha.begin(), first, 0), transparent ? 32 * 24 - 8 * 6 : 0);
      EXPECT_EQ(std::count(v.alpha.begin(), first, 255), transparent ? 8 * 6 : 32 * 24);
    }
}

}  // namespace
}  // namespace kt58
