// SPDX-License-Identifier: GPL-3.0-or-later
// Everyday mistakes at the command line: each is refused with one line that
// says what is wrong, and no file the user had is touched.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
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

// Every file below the folder and its bytes, but the program's own folders.
std::map<std::string, std::vector<uint8_t>> FilesIn(const TempDir& dir) {
  std::map<std::string, std::vector<uint8_t>> files;
  for (const auto& e : fs::recursive_directory_iterator(dir.path())) {
    if (!e.is_regular_file() || e.is_symlink()) continue;
    const std::string rel = fs::relative(e.path(), dir.path()).string();
    if (rel.starts_with("Output/") || rel.starts_with("Projects/")) continue;
    files[rel] = test::ReadFileBytes(e.path());
  }
  return files;
}

TEST(CliMistakes, AreRefusedInOneLineAndTouchNoFile) {
  TempDir dir;
  const fs::path picture = test::WriteBmpFile(dir, "victim.bmp", test::MakeRandomPicture(6, 5, 1));
  const fs::path project = dir / "p.apf";
  ASSERT_EQ(RunKt58(dir, {"new", project.string(), "--layer", picture.string()}).exit_code, 0);
  fs::create_symlink(picture, dir / "victim-link.apf");
  const std::string p = project.string();
  const std::string d = dir.path().string();

  const struct {
    std::vector<std::string> args;
    int exit_code;
    std::string line;
  } cases[] = {
      {{"new", d + "/victim.bmp", "--layer", d + "/victim.bmp"},
       2, "kt58: new writes a project: the output must end in .apf, not \"victim.bmp\""},
      {{"new", d + "/victim-link.apf", "--layer", d + "/victim.bmp"},
       1, "kt58: the output " + d + "/victim-link.apf is the layer file " + d + "/victim.bmp; nothing was written"},
      {{"new", d + "/out.gif", "--layer", d + "/victim.bmp"},
       2, "kt58: new writes a project: the output must end in .apf, not \"out.gif\""},
      {{"export-gif", p, d + "/o.png"}, 2, "kt58: export-gif writes a GIF: the output must end in .gif, not \"o.png\""},
      {{"export-gif", p, d + "/nodir/o.gif"}, 1, "kt58: the folder " + d + "/nodir does not exist"},
      {{"export-bmp", p, d + "/nodir"}, 1, "kt58: the folder " + d + "/nodir does not exist"},
      {{"export-avi", p, d + "/nodir/o.avi"}, 1, "kt58: the folder " + d + "/nodir does not exist"},
      {{"new", d + "/nodir/q.apf", "--layer", d + "/victim.bmp"}, 1, "kt58: the folder " + d + "/nodir does not exist"},
      {{"info", d + "/victim.bmp"}, 1, "kt58: victim.bmp is not a kt58 project"},
      {{"export-frame", p, "0", d + "/o.tif"}, 2, "kt58: export-frame writes .bmp, .jpg, .gif or .png files, not \"o.tif\""},
      {{"export-gif", p, d + "/o.gif", "--colour", "64"},
       2, "kt58: unknown option --colour for export-gif; did you mean --colors?"},
      {{"export-gif", p, d + "/o.gif", "--lossy", "101"}, 2, "kt58: --lossy must be within 0..100, not 101"},
      {{"export-gif", p, d + "/o.gif", "--lossy", "-5"}, 2, "kt58: --lossy must be within 0..100, not -5"},
      {{"export-gif", p, d + "/o.gif", "--lossy", "much"}, 2, "kt58: --lossy must be a whole number, not \"much\""},
      {{"export-gif", p, d + "/o.gif", "--lossy", "40", "--compression", "rle"},
       2, "kt58: --lossy needs --compression lzw, not rle"},
      {{"export-avi", p, "-"},
       2, "kt58: export-avi writes files only; standard output (-) takes a GIF, WebP or APNG from export-gif or "
          "export-video"},
      {{"export-video", p, "-"}, 2, "kt58: export-video to standard output (-) needs --format webp or --format apng"},
      {{"export-video", p, "-", "--format", "mp4"}, 2, "kt58: export-video writes only WebP or APNG to standard output (-)"},
      {{"export-video", p, d + "/o.mp4", "--transparent"},
       2, "kt58: --transparent is for WebP and APNG; MP4 has no alpha channel"},
      {{"export-video", p, d + "/o.webm", "--transparent"},
       2, "kt58: --transparent is for WebP and APNG; WebM has no alpha channel"},
      {{"export-sequence", p, d, "--transparent", "--format", "bmp"},
       2, "kt58: --transparent is for PNG; BMP has no alpha channel"},
      {{"export-frame", p, "0", d + "/o.bmp", "--transparent"},
       2, "kt58: --transparent is for PNG; \"o.bmp\" has no alpha channel"},
      {{"export-bmp", p, d, "--transparent"},
       2, "kt58: unknown option --transparent for export-bmp"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1] + (c.args.size() > 2 ? " " + c.args[2] : ""));
    const auto before = FilesIn(dir);
    const CliResult r = RunKt58(dir, c.args);
    EXPECT_EQ(r.exit_code, c.exit_code) << r.err;
    ASSERT_FALSE(r.ErrLines().empty());
    EXPECT_EQ(r.ErrLines()[0], c.line);
    // A usage error adds where the help is, and only that.
    EXPECT_EQ(r.ErrLines().size(), c.exit_code == 2 ? 2u : 1u) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(FilesIn(dir), before);
  }
  EXPECT_FALSE(fs::exists(dir / "nodir"));
}

// The habits of other tools: help for each command, "--" before file names
// that look like options, colours as #RRGGBB or by name, "-" for standard
// output, --quiet.
TEST(CliMistakes, ConventionsOfOtherToolsHold) {
  TempDir dir;
  const fs::path picture = test::WriteBmpFile(dir, "pic.bmp", test::MakeRandomPicture(6, 5, 2));

  const CliResult help = RunKt58(dir, {"export-gif", "--help"});
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_NE(help.out.find("kt58 export-gif <project.apf>"), std::string::npos) << help.out;
  EXPECT_EQ(help.out.find("kt58 export-avi"), std::string::npos) << "only the command's own usage";

  // The same colour three ways gives the same project.
  std::vector<std::vector<uint8_t>> projects;
  for (const std::string tint : {"FF0000", "#FF0000", "Red"}) {
    const fs::path out = dir / ("t" + std::to_string(projects.size()) + ".apf");
    const CliResult r = RunKt58(dir, {"new", out.string(), "--quiet", "--layer", picture.string(), "--tint", tint});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    projects.push_back(test::ReadFileBytes(out));
  }
  EXPECT_EQ(projects[0], projects[1]);
  EXPECT_EQ(projects[0], projects[2]);

  // A file whose name begins with "-" after "--".
  fs::copy_file(dir / "t0.apf", dir / "-odd.apf");
  const CliResult info = RunKt58(dir, {"info", "--", "-odd.apf"}, {0, 0, dir.path()});
  EXPECT_EQ(info.exit_code, 0) << info.err;

  // "-" writes the whole GIF to standard output: the same bytes as the file.
  ASSERT_EQ(RunKt58(dir, {"export-gif", (dir / "t0.apf").string(), (dir / "o.gif").string()}).exit_code, 0);
  const CliResult piped = RunKt58(dir, {"export-gif", (dir / "t0.apf").string(), "-"});
  ASSERT_EQ(piped.exit_code, 0) << piped.err;
  const std::vector<uint8_t> file = test::ReadFileBytes(dir / "o.gif");
  EXPECT_EQ(std::vector<uint8_t>(piped.out.begin(), piped.out.end()), file);
}

// A delay browsers would not honour is written as given, with one warning
// that says what they will show.
TEST(CliMistakes, AShortGifDelayIsWrittenAndWarnedAboutOnce) {
  TempDir dir;
  const fs::path picture = test::WriteBmpFile(dir, "pic.bmp", test::MakeRandomPicture(6, 5, 3));
  const fs::path project = dir / "p.apf";
  ASSERT_EQ(RunKt58(dir, {"new", project.string(), "--frames", "3", "--layer", picture.string(), "--rotate", "90"})
                .exit_code,
            0);
  for (const int delay : {10, 19, 20}) {
    SCOPED_TRACE(delay);
    const fs::path gif = dir / ("d" + std::to_string(delay) + ".gif");
    const CliResult r = RunKt58(dir, {"export-gif", project.string(), gif.string(), "--delay", std::to_string(delay)});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const std::vector<uint8_t> bytes = test::ReadFileBytes(gif);
    // The first graphic control extension's delay, in hundredths.
    size_t gce = 0;
    while (gce + 5 < bytes.size() && !(bytes[gce] == 0x21 && bytes[gce + 1] == 0xF9)) ++gce;
    ASSERT_LT(gce + 5, bytes.size());
    EXPECT_EQ(bytes[gce + 4] | (bytes[gce + 5] << 8), delay / 10);
    if (delay < 20) {
      ASSERT_EQ(r.ErrLines().size(), 1u) << r.err;
      EXPECT_EQ(r.ErrLines()[0], "kt58: warning: a delay of " + std::to_string(delay) + " ms is written as 1/100 s, "
                                 "which most browsers show at 100 ms; 20 ms or more plays as given");
    } else {
      EXPECT_EQ(r.err, "");
    }
  }
}

}  // namespace
}  // namespace kt58
