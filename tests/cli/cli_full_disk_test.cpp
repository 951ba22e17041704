// SPDX-License-Identifier: GPL-3.0-or-later
// A disk that fills up at each stage of each command (a file-size limit
// stands in for it): the command fails with exit 1 and one line that starts
// with its own words, names the file and gives the system's reason, and
// leaves no partial output, temporary or staging folder behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "cli_run.h"
#include "support/gif_builder.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

namespace fs = std::filesystem;
using test::CliResult;
using test::RunKt58;
using test::TempDir;

// Every name under the folder, hidden ones and folders included.
std::vector<std::string> NamesUnder(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::recursive_directory_iterator(folder)) names.push_back(fs::relative(e.path(), folder).string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(CliFullDisk, EveryStageNamesTheFileAndTheReason) {
  TempDir dir;
  // Pictures of noise, so that no file format squeezes a frame under the limit.
  const fs::path pic = test::WriteBmpFile(dir, "pic.bmp", test::MakeRandomPicture(64, 48, 7));
  const std::vector<GifRgb> palette = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
  const fs::path gif = dir / "anim.gif";
  // Stored at its 64 x 48 screen: 9 KB a frame.
  test::WriteFileBytes(gif, test::BuildGif(64, 48, palette, 0,
                                           {test::SolidGifImage(0, 0, 8, 8, 1), test::SolidGifImage(8, 8, 8, 8, 2),
                                            test::SolidGifImage(16, 16, 8, 8, 3)}));
  const fs::path project = dir / "p.apf";
  const CliResult made = RunKt58(dir, {"new", project.string(), "--frames", "4", "--size", "160x120", "--layer",
                                       pic.string(), "--rotate", "360"});
  ASSERT_EQ(made.exit_code, 0) << made.err;
  // A sequence's folder with a file of the user's that must stay alone.
  const fs::path seq = dir / "seq";
  fs::create_directory(seq);
  test::WriteFileBytes(seq / "000.Bmp", {'o', 'l', 'd'});
  const std::vector<std::string> before = NamesUnder(dir.path());

  struct Case {
    const char* stage;
    std::vector<std::string> args;
    std::string first_words;  // the line after "kt58: "
    std::string named;        // the file the line names
  };
  const std::string p = project.string();
  auto out = [&](const char* name) { return (dir / name).string(); };
  const std::vector<Case> cases = {
      {"import", {"new", out("q.apf"), "--layer", gif.string()}, "cannot add layer: Cannot write the frame store file",
       out("q.apf")},
      {"new/save", {"new", out("q.apf"), "--layer", pic.string()}, "Cannot save " + out("q.apf"), out("q.apf")},
      {"export-frame .bmp", {"export-frame", p, "0", out("o.bmp")}, "Error saving file " + out("o.bmp"), out("o.bmp")},
      {"export-frame .jpg", {"export-frame", p, "0", out("o.jpg")}, "Unknown error saving file.", out("o.jpg")},
      {"export-frame .gif", {"export-frame", p, "0", out("o.gif")}, "Unknown error saving file.", out("o.gif")},
      {"export-frame .png", {"export-frame", p, "0", out("o.png")}, "Unknown error saving file.", out("o.png")},
      {"export-avi", {"export-avi", p, out("o.avi")}, "Failed to add frame to AVI", out("o.avi")},
      {"export-gif", {"export-gif", p, out("o.gif")}, "Cannot write", out("o.gif")},
      {"export-video .webp", {"export-video", p, out("o.webp")}, "Cannot finish the WebP file", out("o.webp")},
      {"export-video .mp4", {"export-video", p, out("o.mp4")}, "Cannot finish the MP4 file", out("o.mp4")},
      {"export-bmp", {"export-bmp", p, seq.string()}, "4 of 4 frames could not be written", (seq / "000.Bmp").string()},
      {"export-sequence", {"export-sequence", p, seq.string()}, "4 of 4 frames could not be written",
       (seq / "000.png").string()},
  };
  test::CliEnv full;
  full.file_size = 2048;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stage);
    std::vector<std::string> args = c.args;
    args.push_back("--quiet");
    const CliResult r = RunKt58(dir, args, full);
    EXPECT_EQ(r.exit_code, 1);
    ASSERT_EQ(r.ErrLines().size(), 1u) << r.err;
    const std::string line = r.ErrLines()[0];
    EXPECT_EQ(line.rfind("kt58: " + c.first_words, 0), 0u) << line;
    EXPECT_NE(line.find(c.named), std::string::npos) << line;
    EXPECT_NE(line.find("File too large"), std::string::npos) << line;
    EXPECT_EQ(NamesUnder(dir.path()), before);
    EXPECT_EQ(test::ReadFileBytes(seq / "000.Bmp"), (std::vector<uint8_t>{'o', 'l', 'd'}));
  }
}

}  // namespace
}  // namespace kt58
