// SPDX-License-Identifier: GPL-3.0-or-later
// Real kt58 processes sharing one program folder, and runs stopped by
// signals: each process keeps to the files it made, and nothing it made
// outlives it.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "cli_run.h"
#include "support/gif_builder.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

namespace fs = std::filesystem;
using test::CliResult;
using test::RunKt58;
using test::ShellQuote;
using test::TempDir;

// Runs every argument list as its own kt58 process, all started at once
// with KT58_HOME at the folder; gives each one's exit status.
std::vector<int> RunAtOnce(const TempDir& home, const std::vector<std::vector<std::string>>& runs) {
  std::string script;
  for (size_t k = 0; k < runs.size(); ++k) {
    std::string cmd = ShellQuote(KT58_CLI_PATH);
    for (const auto& a : runs[k]) cmd += " " + ShellQuote(a);
    const fs::path rc = home / ("rc" + std::to_string(k));
    script += "(" + cmd + " >/dev/null 2>&1; echo $? >" + ShellQuote(rc.string()) + ") & ";
  }
  script += "wait";
  const std::string full = "KT58_HOME=" + ShellQuote(home.path().string() + "/") + " sh -c " + ShellQuote(script);
  EXPECT_EQ(std::system(full.c_str()), 0);
  std::vector<int> codes;
  for (size_t k = 0; k < runs.size(); ++k) {
    const fs::path rc = home / ("rc" + std::to_string(k));
    codes.push_back(std::stoi(test::ReadText(rc)));
    fs::remove(rc);
  }
  return codes;
}

// An animated GIF of 24 frames, its colours set by `seed`, so that every
// process has a clip of its own under the same file name.
fs::path WriteClip(const fs::path& folder, int seed) {
  fs::create_directories(folder);
  const std::vector<GifRgb> palette = {{0, 0, 0},
                                       {static_cast<uint8_t>(40 * seed), 0, 0},
                                       {0, static_cast<uint8_t>(30 * seed), 0},
                                       {0, 0, static_cast<uint8_t>(25 * seed)}};
  std::vector<test::GifImageSpec> images;
  for (int i = 0; i < 24; ++i) images.push_back(test::SolidGifImage(i % 16, i % 12, 16, 12, 1 + i % 3));
  const fs::path gif = folder / "anim.gif";
  test::WriteFileBytes(gif, test::BuildGif(32, 24, palette, 0, images));
  return gif;
}

std::vector<fs::path> LeftOver(const fs::path& home) {
  std::vector<fs::path> found;
  for (const auto& e : fs::directory_iterator(home)) {
    const std::string name = e.path().filename().string();
    const std::string ext = e.path().extension().string();
    if (ext == ".Dat" || ext == ".Tmp" || ext == ".tmp" || ext == ".owned") found.push_back(e.path());
  }
  return found;
}

// Two, then eight processes make projects from different clips of the same
// name and export them, all at once: each gets what it gets alone, and a
// file of the user's under the first store name stays as it was.
TEST(CliSharedFolder, ProcessesAtOnceGiveWhatEachGivesAlone) {
  for (const int n : {2, 8}) {
    SCOPED_TRACE(std::to_string(n) + " processes");
    TempDir home;
    test::WriteFileBytes(home / "anim0.Dat", {'m', 'i', 'n', 'e'});
    std::vector<fs::path> clips;
    for (int k = 0; k < n; ++k) clips.push_back(WriteClip(home / ("clip" + std::to_string(k)), k + 1));

    // Alone, one after the other.
    std::vector<std::vector<uint8_t>> alone_gif;
    std::vector<std::string> alone_info;
    for (int k = 0; k < n; ++k) {
      const fs::path p = home / ("alone" + std::to_string(k) + ".apf");
      const fs::path g = home / ("alone" + std::to_string(k) + ".gif");
      ASSERT_EQ(RunKt58(home, {"new", p.string(), "--frames", "24", "--layer", clips[k].string()}).exit_code, 0);
      ASSERT_EQ(RunKt58(home, {"export-gif", p.string(), g.string()}).exit_code, 0);
      const CliResult info = RunKt58(home, {"info", p.string(), "--json"});
      ASSERT_EQ(info.exit_code, 0) << info.err;
      alone_gif.push_back(test::ReadFileBytes(g));
      alone_info.push_back(info.out);
    }

    // At once: first the projects, then their exports and a GIF export of a
    // project made alone, whose store the others' stores must not touch.
    std::vector<std::vector<std::string>> makes, exports;
    for (int k = 0; k < n; ++k) {
      makes.push_back({"new", (home / ("at" + std::to_string(k) + ".apf")).string(), "--frames", "24", "--layer",
                       clips[k].string()});
      exports.push_back({"export-gif", (home / ("at" + std::to_string(k) + ".apf")).string(),
                         (home / ("at" + std::to_string(k) + ".gif")).string()});
    }
    exports.push_back({"export-gif", (home / "alone0.apf").string(), (home / "again0.gif").string()});
    for (int code : RunAtOnce(home, makes)) EXPECT_EQ(code, 0);
    for (int code : RunAtOnce(home, exports)) EXPECT_EQ(code, 0);

    for (int k = 0; k < n; ++k) {
      SCOPED_TRACE("process " + std::to_string(k));
      EXPECT_EQ(test::ReadFileBytes(home / ("at" + std::to_string(k) + ".gif")), alone_gif[k]);
      const CliResult info = RunKt58(home, {"info", (home / ("at" + std::to_string(k) + ".apf")).string(), "--json"});
      ASSERT_EQ(info.exit_code, 0) << info.err;
      // Info shows the clip's name, never the store's, which may differ.
      EXPECT_EQ(info.out, alone_info[k]);
    }
    EXPECT_EQ(test::ReadFileBytes(home / "again0.gif"), alone_gif[0]);
    EXPECT_EQ(test::ReadFileBytes(home / "anim0.Dat"), (std::vector<uint8_t>{'m', 'i', 'n', 'e'}));
    fs::remove(home / "anim0.Dat");
    EXPECT_TRUE(LeftOver(home.path()).empty()) << LeftOver(home.path()).front();
  }
}

// The program folder is made when the first frame store goes there, and goes
// again with the last: a run that only reads leaves no folder behind, even
// one that needed the folder while it ran.
TEST(CliSharedFolder, AProgramFolderMadeForARunGoesWithIt) {
  TempDir dir;
  const fs::path project = dir / "p.apf";
  ASSERT_EQ(RunKt58(dir, {"new", project.string(), "--layer", WriteClip(dir / "clip", 1).string()}).exit_code, 0);
  const fs::path made = dir / "made";
  const std::string cmd = "KT58_HOME=" + ShellQuote((made / "for/it/").string()) + " " + ShellQuote(KT58_CLI_PATH) +
                          " info --json " + ShellQuote(project.string()) + " >" + ShellQuote((dir / "out").string());
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  // The clip's frames were counted from its store, which lay in the folder.
  EXPECT_NE(test::ReadText(dir / "out").find("\"frames\":24"), std::string::npos) << test::ReadText(dir / "out");
  EXPECT_FALSE(fs::exists(made));
}

// A project export long enough to be stopped part-way.
fs::path MakeLongProject(const TempDir& home) {
  const fs::path clip = WriteClip(home / "clip", 3);
  const fs::path p = home / "long.apf";
  const CliResult r = RunKt58(home, {"new", p.string(), "--frames", "1000", "--size", "640x480", "--layer",
                                     clip.string(), "--rotate", "360", "--anti-alias"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  return p;
}

// Starts kt58 with KT58_HOME at the folder, output to files there.
pid_t Start(const TempDir& home, const std::vector<std::string>& args) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::setenv("KT58_HOME", (home.path().string() + "/").c_str(), 1);
    std::vector<char*> argv{const_cast<char*>(KT58_CLI_PATH)};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    if (!std::freopen((home / "err.txt").c_str(), "w", stderr) || !std::freopen("/dev/null", "w", stdout)) ::_exit(126);
    ::execv(KT58_CLI_PATH, argv.data());
    ::_exit(127);
  }
  return pid;
}

// The export is under way once its temporary exists beside the output.
bool WaitForTemporary(const fs::path& folder) {
  for (int i = 0; i < 600; ++i) {
    for (const auto& e : fs::directory_iterator(folder))
      if (e.path().extension() == ".tmp") return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

// Each stopping signal ends the run with "interrupted", exit 1, the old
// output untouched and no store or temporary left; after SIGKILL the next
// run removes what the killed one left.
TEST(CliSharedFolder, SignalsCleanUpAndKillLeftoversGoNextRun) {
  TempDir home;
  const fs::path project = MakeLongProject(home);
  const fs::path out = home / "out.avi";
  test::WriteFileBytes(out, {'o', 'l', 'd'});
  for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGKILL}) {
    SCOPED_TRACE(signal);
    const pid_t pid = Start(home, {"export-avi", project.string(), out.string()});
    ASSERT_TRUE(WaitForTemporary(home.path()));
    ::kill(pid, signal);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_EQ(test::ReadFileBytes(out), (std::vector<uint8_t>{'o', 'l', 'd'}));
    if (signal == SIGKILL) {
      EXPECT_FALSE(LeftOver(home.path()).empty());
      // Any run, even one that writes nothing, clears up after the dead.
      EXPECT_EQ(RunKt58(home, {"info", project.string()}).exit_code, 0);
    } else {
      ASSERT_TRUE(WIFEXITED(status));
      EXPECT_EQ(WEXITSTATUS(status), 1);
      EXPECT_EQ(test::ReadText(home / "err.txt"), "kt58: interrupted\n");
    }
    EXPECT_TRUE(LeftOver(home.path()).empty()) << LeftOver(home.path()).front();
  }
}

// Every name and its bytes under the folder, hidden ones included.
std::map<std::string, std::vector<uint8_t>> Contents(const fs::path& folder) {
  std::map<std::string, std::vector<uint8_t>> found;
  for (const auto& e : fs::recursive_directory_iterator(folder))
    found[fs::relative(e.path(), folder).string()] = e.is_regular_file() ? test::ReadFileBytes(e.path())
                                                                         : std::vector<uint8_t>{'/'};
  return found;
}

// The files of a sequence export written so far (and the one being
// written): they lie in the hidden staging folder until all are there.
size_t StagedFiles(const fs::path& folder) {
  size_t n = 0;
  for (const auto& e : fs::directory_iterator(folder))
    if (e.is_directory() && e.path().filename().string().rfind(".kt58-staging.", 0) == 0)
      n += static_cast<size_t>(std::distance(fs::directory_iterator(e.path()), fs::directory_iterator()));
  return n;
}

// A sequence export stopped after some files (Ctrl+C, SIGTERM, SIGKILL)
// leaves the folder exactly as an earlier export left it, every file's
// bytes the same, no hidden folder left (after SIGKILL: once the next run
// cleared up). A complete export then replaces the files of the same names
// and keeps the others.
TEST(CliSharedFolder, AStoppedSequenceLeavesTheFolderAsItWas) {
  TempDir home;
  const fs::path clip = WriteClip(home / "clip", 2);
  const fs::path a = home / "a.apf", b = home / "b.apf", seq = home / "seq", alone = home / "alone";
  ASSERT_EQ(RunKt58(home, {"new", a.string(), "--frames", "30", "--size", "40x30", "--layer", clip.string()}).exit_code,
            0);
  // Long enough to be stopped part-way.
  ASSERT_EQ(RunKt58(home, {"new", b.string(), "--frames", "1000", "--size", "160x120", "--layer", clip.string(),
                           "--rotate", "360", "--anti-alias"})
                .exit_code,
            0);
  fs::create_directories(seq);
  fs::create_directories(alone);
  ASSERT_EQ(RunKt58(home, {"export-bmp", a.string(), seq.string()}).exit_code, 0);
  test::WriteFileBytes(seq / "notes.txt", {'m', 'i', 'n', 'e'});
  const auto before = Contents(seq);
  ASSERT_EQ(before.size(), 31u);
  for (const int signal : {SIGINT, SIGTERM, SIGKILL}) {
    SCOPED_TRACE(signal);
    const pid_t pid = Start(home, {"export-bmp", b.string(), seq.string()});
    bool started = false;
    int status = 0;
    bool ended = false;
    for (int i = 0; i < 6000 && !started && !ended; ++i) {
      started = StagedFiles(seq) >= 5;
      ended = !started && ::waitpid(pid, &status, WNOHANG) == pid;
      if (!started && !ended) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(started) << test::ReadText(home / "err.txt");
    ::kill(pid, signal);
    ::waitpid(pid, &status, 0);
    if (signal == SIGKILL) {
      EXPECT_NE(Contents(seq), before);  // the staging folder is left ...
      EXPECT_EQ(RunKt58(home, {"info", a.string()}).exit_code, 0);  // ... until the next run
    } else {
      ASSERT_TRUE(WIFEXITED(status));
      EXPECT_EQ(WEXITSTATUS(status), 1);
      EXPECT_EQ(test::ReadText(home / "err.txt"), "kt58: interrupted\n");
    }
    EXPECT_EQ(Contents(seq), before);
  }
  ASSERT_EQ(RunKt58(home, {"export-bmp", b.string(), seq.string(), "--frames", "0-9"}).exit_code, 0);
  ASSERT_EQ(RunKt58(home, {"export-bmp", b.string(), alone.string(), "--frames", "0-9"}).exit_code, 0);
  auto expected = before;
  for (const auto& [name, bytes] : Contents(alone)) expected[name] = bytes;
  EXPECT_EQ(Contents(seq), expected);
}

// The rename is the end of the work: a stop signal at any moment around it
// either stops the run before it (exit 1, "interrupted", the old output as
// it was) or comes after it and changes nothing (exit 0, the new output).
// The signals are spread over the run's length, 200 times; whenever they
// come, those are the only outcomes, apart from death by the signal while
// the program is still starting, which leaves the old output too.
TEST(CliSharedFolder, ASignalAroundTheCommitNeverUndoesASuccess) {
  TempDir home;
  const fs::path project = home / "p.apf";
  ASSERT_EQ(RunKt58(home, {"new", project.string(), "--frames", "2", "--layer", WriteClip(home / "clip", 1).string()})
                .exit_code,
            0);
  const fs::path out = home / "o.gif";
  const std::vector<uint8_t> old_bytes = {'o', 'l', 'd'};
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(RunKt58(home, {"export-gif", project.string(), out.string()}).exit_code, 0);
  const auto run_us = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
  const std::vector<uint8_t> new_bytes = test::ReadFileBytes(out);
  int successes = 0, stops = 0;
  for (int i = 0; i < 200; ++i) {
    SCOPED_TRACE(i);
    test::WriteFileBytes(out, old_bytes);
    const pid_t pid = Start(home, {"export-gif", project.string(), out.string()});
    std::this_thread::sleep_for(run_us * (20 + i % 100) / 100);
    ::kill(pid, i % 2 ? SIGINT : SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    const std::vector<uint8_t> now = test::ReadFileBytes(out);
    if (WIFSIGNALED(status)) {
      EXPECT_EQ(now, old_bytes) << "killed by signal " << WTERMSIG(status) << " after the output was in place";
    } else if (WEXITSTATUS(status) == 0) {
      ++successes;
      EXPECT_EQ(now, new_bytes);
    } else {
      ++stops;
      EXPECT_EQ(WEXITSTATUS(status), 1);
      EXPECT_EQ(now, old_bytes);
      EXPECT_EQ(test::ReadText(home / "err.txt"), "kt58: interrupted\n");
    }
  }
  RecordProperty("successes", successes);
  RecordProperty("stops", stops);
}

// A file-size limit makes the write fail: a clear error, exit 1, nothing
// left behind, instead of death by SIGXFSZ.
TEST(CliSharedFolder, AFileSizeLimitIsAWriteError) {
  TempDir home;
  const fs::path project = MakeLongProject(home);
  const fs::path out = home / "out.avi";
  const std::string cmd = "ulimit -f 2048; KT58_HOME=" + ShellQuote(home.path().string() + "/") + " " +
                          ShellQuote(KT58_CLI_PATH) + " export-avi " + ShellQuote(project.string()) + " " +
                          ShellQuote(out.string()) + " 2>" + ShellQuote((home / "err.txt").string());
  const int status = std::system(("sh -c " + ShellQuote(cmd)).c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_NE(test::ReadText(home / "err.txt").find("kt58: "), std::string::npos);
  EXPECT_FALSE(fs::exists(out));
  EXPECT_TRUE(LeftOver(home.path()).empty()) << LeftOver(home.path()).front();
}

}  // namespace
}  // namespace kt58
