// SPDX-License-Identifier: GPL-3.0-or-later
// Damaged projects, odd output targets and an unusable program folder: each
// gives exit 1 with one line that says what is wrong, and changes nothing.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "cli_run.h"
#include "engine/bmp_codec.h"
#include "support/gif_builder.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

namespace fs = std::filesystem;
using test::CliResult;
using test::RunKt58;
using test::TempDir;

void ExpectFailure(const CliResult& r, const std::string& says) {
  EXPECT_EQ(r.exit_code, 1) << r.err;
  ASSERT_EQ(r.ErrLines().size(), 1u) << r.err;
  EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
}

// A project of a still picture and an animated GIF of 3 frames.
fs::path MakeProject(const TempDir& dir) {
  const fs::path pic = test::WriteBmpFile(dir, "pic.bmp", test::MakeRandomPicture(6, 5, 3));
  const fs::path gif = test::WriteSmallAnimatedGif(dir.path(), "spin.gif");
  const fs::path p = dir / "p.apf";
  const CliResult r = RunKt58(dir, {"new", p.string(), "--layer", pic.string(), "--layer", gif.string()});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  return p;
}

TEST(CliHostile, DamagedProjectsAreErrorsNamingWhatIsWrong) {
  TempDir dir;
  const fs::path good = MakeProject(dir);
  const std::vector<uint8_t> bytes = test::ReadFileBytes(good);
  // The store's frames are the BMP images after the still picture's.
  std::vector<size_t> bm;
  for (size_t i = 0; i + 1 < bytes.size(); ++i)
    if (bytes[i] == 'B' && bytes[i + 1] == 'M') bm.push_back(i);
  ASSERT_EQ(bm.size(), 4u);

  std::vector<uint8_t> damaged = bytes;
  damaged[bm[2] + 28] = 8;  // frame 1 of the clip claims 8 bits per pixel
  test::WriteFileBytes(dir / "damaged.apf", damaged);
  test::WriteFileBytes(dir / "cut.apf", std::vector<uint8_t>(bytes.begin(), bytes.begin() + bm[3] + 30));
  test::WriteFileBytes(dir / "newer.apf", {102, 0, 0, 0});
  std::vector<uint8_t> empty_bmp(54, 0);
  WriteBmpHeaders(0, 0, empty_bmp.data());
  test::WriteFileBytes(dir / "empty.bmp", empty_bmp);

  const struct {
    std::vector<std::string> args;
    const char* says;
  } cases[] = {
      {{"info", (dir / "damaged.apf").string()}, "Frame 1 of 3 stored in the project is damaged"},
      {{"export-gif", (dir / "damaged.apf").string(), (dir / "o.gif").string()}, "Resource 2 of 2 (Gifa"},
      {{"info", (dir / "cut.apf").string()}, "Resource 2 of 2 (Gifa): Frame store image is cut short."},
      {{"info", (dir / "newer.apf").string()},
       "Incompatible file version: This file may have been created with a later version of kt58. The file has "
       "version 102"},
      {{"new", (dir / "o.apf").string(), "--layer", (dir / "empty.bmp").string()}, "empty.bmp"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1]);
    ExpectFailure(RunKt58(dir, c.args), c.says);
  }
  EXPECT_FALSE(fs::exists(dir / "o.gif"));
  EXPECT_FALSE(fs::exists(dir / "o.apf"));
  EXPECT_TRUE(test::StoreFilesIn(dir.path()).empty());
}

TEST(CliHostile, OutputsThatAreNotPlainWritableFilesAreRefused) {
  TempDir dir;
  const fs::path project = MakeProject(dir);
  const fs::path fifo = dir / "fifo.gif";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  fs::create_directory(dir / "folder.gif");
  const fs::path locked = dir / "locked.gif";
  test::WriteFileBytes(locked, {'k', 'e', 'e', 'p'});
  fs::permissions(locked, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);

  const struct {
    std::vector<std::string> args;
    const char* says;
  } cases[] = {
      {{"export-gif", project.string(), fifo.string()}, "it is not a regular file"},
      {{"export-gif", project.string(), (dir / "folder.gif").string()}, "it is a folder"},
      {{"export-gif", project.string(), locked.string()}, "the file is read-only"},
      {{"export-frame", project.string(), "0", (dir / "fifo.bmp").string()}, "fifo.bmp"},
      // The project under an output's name: refused by identity, not name.
      {{"export-gif", project.string(), (dir / "p-link.gif").string()}, "is the project being read"},
      {{"export-avi", project.string(), (dir / "p-link.avi").string()}, "is the project being read"},
  };
  fs::create_symlink(project, dir / "p-link.gif");
  fs::create_symlink(project, dir / "p-link.avi");
  ASSERT_EQ(::mkfifo((dir / "fifo.bmp").c_str(), 0600), 0);
  const auto before = test::ReadFileBytes(project);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args.back());
    ExpectFailure(RunKt58(dir, c.args), c.says);
  }
  EXPECT_TRUE(fs::is_fifo(fifo));
  EXPECT_TRUE(fs::is_empty(dir / "folder.gif"));
  EXPECT_EQ(test::ReadFileBytes(locked), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));
  EXPECT_EQ(test::ReadFileBytes(project), before);

  // A link is followed: the file it points to is replaced, the link stays.
  fs::create_directory(dir / "real");
  test::WriteFileBytes(dir / "real" / "t.gif", {'o', 'l', 'd'});
  fs::create_symlink(dir / "real" / "t.gif", dir / "link.gif");
  const CliResult r = RunKt58(dir, {"export-gif", project.string(), (dir / "link.gif").string()});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_TRUE(fs::is_symlink(dir / "link.gif"));
  const auto written = test::ReadFileBytes(dir / "real" / "t.gif");
  ASSERT_GE(written.size(), 6u);
  EXPECT_EQ(std::string(written.begin(), written.begin() + 6), "GIF89a");
}

// A project's clip is read where it lies in the project file: with no room
// left for a copy of it (a file-size limit stands in for a full disk), the
// project still reads, and nothing is written.
TEST(CliHostile, ReadingAProjectWritesNoCopyOfItsClips) {
  TempDir dir;
  const std::vector<GifRgb> palette = {{0, 0, 0}, {200, 10, 10}, {10, 200, 10}, {10, 10, 200}};
  std::vector<test::GifImageSpec> images;
  for (int i = 0; i < 24; ++i) images.push_back(test::SolidGifImage(i % 16, i % 12, 16, 12, 1 + i % 3));
  const fs::path gif = dir / "clip.gif";
  test::WriteFileBytes(gif, test::BuildGif(32, 24, palette, 0, images));
  const fs::path project = dir / "p.apf";
  ASSERT_EQ(RunKt58(dir, {"new", project.string(), "--layer", gif.string()}).exit_code, 0);
  ASSERT_GT(fs::file_size(project), 50'000u);
  // 40 blocks of 512 or 1024 bytes: the project fits, a copy of its store
  // would not.
  const std::string cmd = "ulimit -f 40; KT58_HOME=" + test::ShellQuote(dir.path().string() + "/") + " " +
                          test::ShellQuote(KT58_CLI_PATH) + " info " + test::ShellQuote(project.string()) +
                          " >/dev/null 2>" + test::ShellQuote((dir / "err.txt").string());
  const int status = std::system(("sh -c " + test::ShellQuote(cmd)).c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << test::ReadText(dir / "err.txt");
  EXPECT_TRUE(test::StoreFilesIn(dir.path()).empty());
}

TEST(CliHostile, AnUnwritableProgramFolderIsNamed) {
  TempDir dir;
  const fs::path project = MakeProject(dir);
  const fs::path not_a_folder = dir / "home-file";
  test::WriteFileBytes(not_a_folder, {'x'});
  const std::string cmd = "KT58_HOME=" + test::ShellQuote(not_a_folder.string()) + " " +
                          test::ShellQuote(KT58_CLI_PATH) + " export-gif " + test::ShellQuote(project.string()) + " " +
                          test::ShellQuote((dir / "o.gif").string()) + " 2>" + test::ShellQuote((dir / "err.txt").string());
  const int status = std::system(cmd.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_EQ(test::ReadText(dir / "err.txt"),
            "kt58: The program folder " + not_a_folder.string() + "/ cannot be written: it is not a folder\n");
}

}  // namespace
}  // namespace kt58
