// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <ostream>
#include <stdexcept>

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "model/project.h"
#include "platform/atomic_file.h"
#include "platform/owned_files.h"
#include "export/export_fixture.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

TEST(AtomicFile, ReplacesTheTargetOnlyWhenComplete) {
  TempDir dir;
  const fs::path target = dir / "t.bin";
  test::WriteFileBytes(target, {'o', 'l', 'd'});
  {
    AtomicFile file(target);
    EXPECT_EQ(file.TempPath().parent_path(), target.parent_path());
    test::WriteFileBytes(file.TempPath(), {'n', 'e', 'w'});
    EXPECT_EQ(test::ReadFileBytes(target), (std::vector<uint8_t>{'o', 'l', 'd'}));
    // Not committed: the temporary goes, the old file stays.
  }
  EXPECT_EQ(test::FileNamesIn(dir.path()), std::vector<std::string>{"t.bin"});
  EXPECT_EQ(test::ReadFileBytes(target), (std::vector<uint8_t>{'o', 'l', 'd'}));

  WriteFileAtomically(target, std::vector<uint8_t>{'n', 'e', 'w'});
  EXPECT_EQ(test::ReadFileBytes(target), (std::vector<uint8_t>{'n', 'e', 'w'}));
  EXPECT_EQ(test::FileNamesIn(dir.path()), std::vector<std::string>{"t.bin"});
}

TEST(AtomicFile, AWriterThatFailsLeavesNothing) {
  TempDir dir;
  EXPECT_THROW(WriteFileAtomically(dir / "x", [](std::ostream& out) {
                 out << "partial";
                 throw std::runtime_error("disk full");
               }),
               std::runtime_error);
  EXPECT_TRUE(test::FileNamesIn(dir.path()).empty());
}

TEST(AtomicFile, UnusableFoldersRaiseAndLeaveNothing) {
  TempDir dir;
  test::WriteFileBytes(dir / "file", {'x'});
  EXPECT_EQ(test::ErrorCodeOf<PlatformError>([&] { WriteFileAtomically(dir / "file" / "x", std::vector<uint8_t>{1}); }),
            PlatformErrorCode::FileWrite);
  EXPECT_EQ(
      test::ErrorCodeOf<PlatformError>([&] { WriteFileAtomically(dir / "missing" / "x", std::vector<uint8_t>{1}); }),
      PlatformErrorCode::FileWrite);
  fs::create_directory(dir / "folder");
  EXPECT_EQ(test::ErrorCodeOf<PlatformError>([&] { WriteFileAtomically(dir / "folder", std::vector<uint8_t>{1}); }),
            PlatformErrorCode::FileWrite);
  EXPECT_EQ(test::FileNamesIn(dir.path()), (std::vector<std::string>{"file", "folder"}));
  EXPECT_TRUE(fs::is_empty(dir / "folder"));
}

// Runs `commit` in a child process after an interruption (the flag is for
// good, so not in this one) and expects it to raise CommitInterrupted.
void ExpectRefusedOnceInterrupted(const std::function<void()>& commit) {
  const pid_t child = ::fork();
  if (child == 0) {
    InterruptCommits();
    try {
      commit();
    } catch (const PlatformError& e) {
      ::_exit(e.Code() == PlatformErrorCode::CommitInterrupted ? 0 : 2);
    }
    ::_exit(1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the commit went through or raised something else";
}

// Once interrupted, no commit replaces a target: the old file stays and no
// temporary is left. Run in a child process, as the flag is for good.
TEST(AtomicFile, NoCommitAfterAnInterruption) {
  TempDir dir;
  const fs::path target = dir / "t.bin";
  test::WriteFileBytes(target, {'o', 'l', 'd'});
  ExpectRefusedOnceInterrupted([&] { WriteFileAtomically(target, std::vector<uint8_t>{'n', 'e', 'w'}); });
  EXPECT_EQ(test::ReadFileBytes(target), (std::vector<uint8_t>{'o', 'l', 'd'}));
  EXPECT_EQ(test::FileNamesIn(dir.path()), std::vector<std::string>{"t.bin"});
}

// A link planted at the temporary's name is never written through; the
// temporary takes another name.
TEST(AtomicFile, PlantedLinksAtTheTemporaryNameAreNotFollowed) {
  TempDir dir;
  const fs::path victim = dir / "victim";
  test::WriteFileBytes(victim, {'v'});
  const std::string pid = std::to_string(::getpid());
  fs::create_symlink(victim, dir / (".out.apf." + pid + ".tmp"));
  fs::create_symlink(victim, dir / (".out.apf." + pid + "_2.tmp"));
  Project project;
  project.SaveToFile(dir / "out.apf");
  EXPECT_EQ(test::ReadFileBytes(victim), std::vector<uint8_t>{'v'});
  EXPECT_EQ(fs::file_size(dir / "out.apf"), 46u);
  EXPECT_TRUE(fs::is_symlink(dir / (".out.apf." + pid + ".tmp")));
}

// Exclusive free names: the taken ones are passed over, never emptied, and
// a process deletes only what it made.
TEST(OwnedFiles, FreeNamesAreTakenExclusivelyAndOnlyOwnFilesGo) {
  TempDir dir;
  test::WriteFileBytes(dir / "s0.Dat", {'u'});
  const fs::path made = CreateFreeOwnedFile(dir.path(), "s0", ".Dat");
  EXPECT_EQ(made, dir / "s0_2.Dat");
  EXPECT_EQ(CreateOwnedFile(made), -1);
  EXPECT_EQ(errno, EEXIST);
  EXPECT_TRUE(IsOwnedFile(made));
  EXPECT_FALSE(IsOwnedFile(dir / "s0.Dat"));
  RemoveOwnedFile(dir / "s0.Dat");
  RemoveOwnedFile(made);
  EXPECT_EQ(test::ReadFileBytes(dir / "s0.Dat"), std::vector<uint8_t>{'u'});
  EXPECT_FALSE(fs::exists(made));
}

// What a killed process listed is deleted by the next one; a user's file
// the list names but the program would never make is not.
TEST(OwnedFiles, StaleRegistriesAreCleaned) {
  TempDir dir;
  test::WriteFileBytes(dir / "walk3.Dat", {1});
  test::WriteFileBytes(dir / "notes.txt", {2});
  test::WriteFileBytes(dir / "kept.Dat", {3});
  const std::string registry = "+" + (dir / "walk3.Dat").string() + "\n+" + (dir / "notes.txt").string() + "\n+" +
                               (dir / "kept.Dat").string() + "\n-" + (dir / "kept.Dat").string() + "\n";
  test::WriteFileBytes(dir / ".kt58.999999.owned", std::vector<uint8_t>(registry.begin(), registry.end()));
  RemoveStaleFiles(dir.path());
  EXPECT_FALSE(fs::exists(dir / "walk3.Dat"));
  EXPECT_TRUE(fs::exists(dir / "notes.txt"));
  EXPECT_TRUE(fs::exists(dir / "kept.Dat"));
  EXPECT_FALSE(fs::exists(dir / ".kt58.999999.owned"));
}

// A dead process's staging folder goes with its contents; a folder listed
// under any other name, or a staging folder of another process, stays.
TEST(OwnedFiles, StaleStagingFoldersGoWithTheirContents) {
  TempDir dir;
  const std::vector<fs::path> folders = {dir / "out/.kt58-staging.999999.tmp", dir / "out/.kt58-staging.999999_2.tmp",
                                         dir / "out/.kt58-staging.9999990.tmp", dir / "out/photos",
                                         dir / "out/.kt58-staging.1.tmp"};
  std::string registry;
  for (const fs::path& f : folders) {
    fs::create_directories(f / "sub");
    test::WriteFileBytes(f / "sub/frame.Bmp", {1});
    registry += "+" + f.string() + "\n";
  }
  // A link inside is removed, never what it points to.
  test::WriteFileBytes(dir / "precious", {7});
  fs::create_symlink(dir / "precious", folders[0] / "link");
  test::WriteFileBytes(dir / ".kt58.999999.owned", std::vector<uint8_t>(registry.begin(), registry.end()));
  RemoveStaleFiles(dir.path());
  EXPECT_FALSE(fs::exists(folders[0]));
  EXPECT_FALSE(fs::exists(folders[1]));
  for (size_t k = 2; k < folders.size(); ++k) EXPECT_TRUE(fs::exists(folders[k] / "sub/frame.Bmp")) << folders[k];
  EXPECT_EQ(test::ReadFileBytes(dir / "precious"), std::vector<uint8_t>{7});
}

// Staged files replace their targets only at the commit, all of them; a set
// dropped before its commit, or one committed after an interruption,
// leaves the folder as it was.
TEST(AtomicFileSet, ReplacesEveryTargetAtTheCommitOrNone) {
  TempDir dir;
  const fs::path out = dir / "out";
  fs::create_directory(out);
  test::WriteFileBytes(out / "a", {'o', 'l', 'd'});
  auto stage_both = [&](AtomicFileSet& set) {
    test::WriteFileBytes(set.Stage(out / "a"), {'n', 'e', 'w'});
    test::WriteFileBytes(set.Stage(out / "b"), {'b'});
    // A target staged again: the later contents win.
    test::WriteFileBytes(set.Stage(out / "b"), {'b', '2'});
  };
  {
    AtomicFileSet set(out);
    stage_both(set);
    EXPECT_EQ(test::FileNamesIn(out).size(), 2u);  // "a" and the staging folder
  }
  EXPECT_EQ(test::FileNamesIn(out), std::vector<std::string>{"a"});
  EXPECT_EQ(test::ReadFileBytes(out / "a"), (std::vector<uint8_t>{'o', 'l', 'd'}));
  ExpectRefusedOnceInterrupted([&] {
    AtomicFileSet set(out);
    stage_both(set);
    set.Commit();
  });
  EXPECT_EQ(test::FileNamesIn(out), std::vector<std::string>{"a"});
  EXPECT_EQ(test::ReadFileBytes(out / "a"), (std::vector<uint8_t>{'o', 'l', 'd'}));
  {
    AtomicFileSet set(out);
    stage_both(set);
    set.Commit();
  }
  EXPECT_EQ(test::FileNamesIn(out), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(test::ReadFileBytes(out / "a"), (std::vector<uint8_t>{'n', 'e', 'w'}));
  EXPECT_EQ(test::ReadFileBytes(out / "b"), (std::vector<uint8_t>{'b', '2'}));
}

}  // namespace
}  // namespace kt58
