// SPDX-License-Identifier: GPL-3.0-or-later
// kt58 export-video through the built binary: each format read back by
// ffprobe/ffmpeg or Pillow, usage and failure exits, and Ctrl+C sent to a
// running export.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "cli_run.h"
#include "engine/bmp_codec.h"
#include "export/video_decode.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

namespace fs = std::filesystem;
using test::CliResult;
using test::RunKt58;
using test::TempDir;

fs::path MakeProject(const TempDir& dir, int width, int height, int frames) {
  const fs::path base = dir / "base.bmp";
  test::WriteFileBytes(base, EncodeBmp(test::MakeRandomPicture(width, height, 3)));
  const fs::path project = dir / "p.apf";
  const CliResult r = RunKt58(dir, {"new", project.string(), "--frames", std::to_string(frames), "--layer",
                                    base.string(), "--pixel-rotate", "left"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  return project;
}

// Everything in the folder but the project and its picture.
std::vector<std::string> Leftovers(const TempDir& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir.path())) {
    const std::string n = e.path().filename().string();
    if (n != "p.apf" && n != "base.bmp") names.push_back(n);
  }
  return names;
}

TEST(CliVideo, EachFormatWithAColonInTheName) {
  TempDir dir;
  const fs::path project = MakeProject(dir, 11, 6, 3);
  const struct {
    const char* name;
    std::vector<std::string> options;
    int delay_ms;
  } cases[] = {
      {"v:1.webp", {}, 100},
      {"v:2.webp", {"--lossless", "--delay", "30"}, 30},
      {"v:3.png", {"--delay=1000"}, 1000},
      {"v:4.mp4", {"--quality", "100"}, 100},
      {"v:5.webm", {"--quality", "0", "--delay", "10"}, 10},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args = {"export-video", project.string(), (dir / c.name).string()};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const CliResult r = RunKt58(dir, args);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.err, "") << "no progress bar off a terminal, no library chatter";
    const test::DecodedVideo v = test::DecodeVideo(dir / c.name, dir.path());
    ASSERT_EQ(v.error, "");
    EXPECT_EQ(v.durations_ms, std::vector<int>(3, c.delay_ms));
  }
  EXPECT_TRUE(test::StoreFilesIn(dir.path()).empty());
}

TEST(CliVideo, UsageAndFailureExits) {
  TempDir dir;
  const fs::path project = MakeProject(dir, 4, 4, 2);
  const CliResult gif = RunKt58(dir, {"export-video", project.string(), (dir / "x.gif").string()});
  EXPECT_EQ(gif.exit_code, 2);
  EXPECT_NE(gif.err.find("export-video writes webp, apng, png, mp4, webm files, not \"x.gif\""), std::string::npos)
      << gif.err;
  const CliResult lossless = RunKt58(dir, {"export-video", project.string(), (dir / "x.mp4").string(), "--lossless"});
  EXPECT_EQ(lossless.exit_code, 2);

  test::WriteFileBytes(dir / "plain", {'x'});
  const struct {
    fs::path out;
    std::string says;
  } cases[] = {
      {dir / "missing" / "x.webp", "kt58: the folder " + (dir / "missing").string() + " does not exist"},
      {dir / "plain" / "x.mp4", "kt58: " + (dir / "plain").string() + " is not a folder"},
  };
  for (const auto& c : cases) {
    const CliResult r = RunKt58(dir, {"export-video", project.string(), c.out.string()});
    EXPECT_EQ(r.exit_code, 1);
    ASSERT_EQ(r.ErrLines().size(), 1u) << r.err;
    EXPECT_EQ(r.ErrLines()[0], c.says);
  }
  EXPECT_EQ(Leftovers(dir), std::vector<std::string>{"plain"});
}

// A real SIGINT to a real export: the tool stops at the next frame, says so
// in one line, exits 1 and leaves neither the file nor its temporary.
TEST(CliVideo, CtrlCMidExportLeavesNothing) {
  TempDir dir;
  // Noise at 640x480 over 1000 frames: tens of seconds of encoding.
  const fs::path project = MakeProject(dir, 640, 480, 1000);
  const fs::path out = dir / "long.apng", err = dir / "err.txt";
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    const int fd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(fd, STDERR_FILENO);
    ::setenv("KT58_HOME", (dir.path().string() + "/").c_str(), 1);
    ::execl(KT58_CLI_PATH, "kt58", "export-video", project.c_str(), out.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  // The temporary beside the target shows that encoding has begun.
  const auto started = [&] {
    for (const std::string& n : Leftovers(dir))
      if (n.starts_with(".long.apng.")) return true;
    return false;
  };
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  while (!started() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  const bool was_running = started();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  ::kill(pid, SIGINT);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(was_running) << "the export never started";
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_EQ(test::ReadText(err), "kt58: interrupted\n");
  fs::remove(err);
  EXPECT_EQ(Leftovers(dir), std::vector<std::string>{});
  EXPECT_TRUE(test::StoreFilesIn(dir.path()).empty());
}

}  // namespace
}  // namespace kt58
