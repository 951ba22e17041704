// SPDX-License-Identifier: GPL-3.0-or-later
// Where a copy keeps its files: one folder for a portable copy, the desktop's
// folders for the others, a private temporary folder without a home.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/program_folder.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

namespace fs = std::filesystem;

TEST(OwnFolders, EachCopyKeepsItsFilesWhereItsKindBelongs) {
  struct Case {
    const char* what;
    FolderEnvironment env;
    bool installed, writable;
    const char *one, *settings, *work;
    bool shared_temp;
    const char *fallback, *former;
  };
  const Case cases[] = {
      {"KT58_HOME wins, even for an installed copy",
       {"/k", "/h", "/c", "/x", "/d", "", 1000}, true, true,
       "/k/", "/k/User/", "/k/", false, "/k/", ""},
      {"a build folder it can write keeps everything beside the executable",
       {"", "/h", "/c", "/x", "/d", "", 1000}, false, true,
       "/exe/", "/exe/User/", "/exe/", false, "/exe/", ""},
      {"installed: the desktop's defaults below the home, even as root",
       {"", "/h", "", "", "", "", 0}, true, true,
       "", "/h/.config/kt58-animator/", "/h/.cache/kt58-animator/", false, "/h/", "/h/.local/share/kt58-animator/"},
      {"a folder it cannot write counts as installed",
       {"", "/h", "", "", "", "", 1000}, false, false,
       "", "/h/.config/kt58-animator/", "/h/.cache/kt58-animator/", false, "/h/", "/h/.local/share/kt58-animator/"},
      {"the base directory variables, when absolute",
       {"", "/h", "/c", "/x", "/d", "/t", 1000}, true, false,
       "", "/c/kt58-animator/", "/x/kt58-animator/", false, "/h/", "/d/kt58-animator/"},
      {"relative base directory variables are ignored",
       {"", "/h", "c", "x", "d", "", 1000}, true, false,
       "", "/h/.config/kt58-animator/", "/h/.cache/kt58-animator/", false, "/h/", "/h/.local/share/kt58-animator/"},
      {"no home: a temporary folder named after the user",
       {"", "", "", "", "", "", 1000}, true, false,
       "", "/tmp/kt58-animator-1000/", "/tmp/kt58-animator-1000/", true, "/tmp/kt58-animator-1000/", ""},
      {"no home: $TMPDIR, and the cache variable still counts",
       {"", "relative", "", "/x", "", "/t", 42}, true, false,
       "", "/t/kt58-animator-42/", "/x/kt58-animator/", false, "/t/kt58-animator-42/", ""},
  };
  for (const Case& c : cases) {
    const OwnFolders f = PlanFolders(c.env, "/exe", c.installed, c.writable);
    EXPECT_EQ(f.one_folder, fs::path(c.one)) << c.what;
    EXPECT_EQ(f.settings, fs::path(c.settings)) << c.what;
    EXPECT_EQ(f.work, fs::path(c.work)) << c.what;
    EXPECT_EQ(f.work_in_shared_temp, c.shared_temp) << c.what;
    EXPECT_EQ(f.fallback, fs::path(c.fallback)) << c.what;
    EXPECT_EQ(f.former_data, fs::path(c.former)) << c.what;
  }
}

TEST(OwnFolders, ProposalsAreTheOneFoldersOwnOrTheDesktops) {
  const FolderEnvironment portable{"/k", "/h", "", "", "", "", 1000};
  const FolderEnvironment desktop{"", "/h", "", "", "", "", 1000};
  const OwnFolders one = PlanFolders(portable, "/exe", true, true);
  const OwnFolders own = PlanFolders(desktop, "/exe", true, true);
  EXPECT_EQ(one.Projects("/h/Dokumente"), fs::path("/k/Projects"));
  EXPECT_EQ(one.Exports("/h/Bilder"), fs::path("/k/Output"));
  EXPECT_EQ(own.Projects("/h/Dokumente"), fs::path("/h/Dokumente/kt58 Animator"));
  EXPECT_EQ(own.Exports("/h/Bilder"), fs::path("/h/Bilder"));
}

TEST(OwnFolders, AskingCreatesNothing) {
  test::TempDir dir;
  ::setenv("KT58_HOME", (dir / "not-yet/below").c_str(), 1);
  EXPECT_EQ(ProgramFolder(), dir / "not-yet/below/");
  EXPECT_EQ(ProgramFolderProblem(), "");  // it can be made
  EXPECT_FALSE(fs::exists(dir / "not-yet"));
}

TEST(OwnFolders, AProgramFolderThatCannotBeMadeIsNamed) {
  test::TempDir dir;
  test::WriteFileBytes(dir / "file", {'x'});
  ::setenv("KT58_HOME", (dir / "file/below").c_str(), 1);
  EXPECT_EQ(ProgramFolderProblem(),
            "The program folder " + (dir / "file/below/").string() + " cannot be written: it does not exist and cannot be made");
}

// Without a home the folder lies where every user can make folders: one
// that another user made, or can write into, must not take the user's
// frame stores.
TEST(OwnFolders, ATemporaryProgramFolderMustBeTheUsersAlone) {
  test::TempDir dir;
  const FolderEnvironment env{"", "", "", "", "", dir.path().string(), static_cast<unsigned>(::getuid())};
  const OwnFolders f = PlanFolders(env, "/exe", true, false);
  ASSERT_TRUE(f.work_in_shared_temp);
  const fs::path folder = f.work.parent_path();
  EXPECT_EQ(ProgramFolderProblem(f), "");  // missing: ours to make

  fs::create_directory(folder);
  ::chmod(folder.c_str(), 0700);
  EXPECT_EQ(ProgramFolderProblem(f), "");
  ::chmod(folder.c_str(), 0777);
  EXPECT_NE(ProgramFolderProblem(f).find("not a folder of this user's alone"), std::string::npos);
  ::chmod(folder.c_str(), 0700);
  if (::getuid() == 0) {
    // Only root can give a folder away.
    ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
    EXPECT_NE(ProgramFolderProblem(f).find("not a folder of this user's alone"), std::string::npos);
  }
  fs::remove(folder);
  fs::create_directory_symlink(dir.path(), folder);  // a link, even to a folder of ours
  EXPECT_NE(ProgramFolderProblem(f).find("not a folder of this user's alone"), std::string::npos);
}

}  // namespace
}  // namespace kt58
