// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/numeric.h"
#include "platform/program_folder.h"
#include "platform/text_helpers.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

TEST(Rounding, HalvesGoToTheEvenNeighbour) {
  const struct { double in; int out; } cases[] = {
      {0.5, 0}, {1.5, 2}, {2.5, 2}, {-0.5, 0}, {-1.5, -2}, {-2.5, -2}, {2.4999, 2}, {7.0710678, 7}, {-7.6, -8}};
  for (const auto& c : cases) EXPECT_EQ(RoundHalfEven(c.in), c.out) << c.in;
}

TEST(Rounding, MulDivRoundsHalvesAwayFromZero) {
  const struct { int a, b, d, out; } cases[] = {
      {1, 1, 2, 1},    {1, -1, 2, -1},  {3, 5, 2, 8},     {1, 255, 2, 128}, {1, -255, 2, -128},
      {2, 100, 3, 67}, {1, 100, 3, 33}, {5, 7, 0, -1},    {0, 9, 1, 0},     {-3, 5, -2, 8},
      {1, 3, 4, 1},    {1, 1, 4, 0},    {1, -3, 4, -1},
  };
  for (const auto& c : cases) EXPECT_EQ(MulDiv(c.a, c.b, c.d), c.out) << c.a << "*" << c.b << "/" << c.d;
}

TEST(TextHelpers, ZeroPadPadsButNeverCuts) {
  EXPECT_EQ(ZeroPad(7, 3), "007");
  EXPECT_EQ(ZeroPad(98, 2), "98");
  EXPECT_EQ(ZeroPad(100, 2), "100");
  EXPECT_EQ(ZeroPad(0, 0), "0");
  EXPECT_EQ(ZeroPad(5, 1), "5");
}

TEST(TextHelpers, TextThatIsNotANumberCountsAsZero) {
  const struct { const char* in; int out; } cases[] = {
      {"400", 400}, {"-12", -12}, {" 15 ", 15}, {"abc", 0}, {"", 0}, {"12abc", 0}, {"99999999999", 0}, {"+3", 3}};
  for (const auto& c : cases) EXPECT_EQ(ParseIntOrZero(c.in), c.out) << c.in;
}

TEST(TextHelpers, TrailingSeparators) {
  EXPECT_EQ(IncludeTrailingSeparator("/a/b"), "/a/b/");
  EXPECT_EQ(IncludeTrailingSeparator("/a/b/"), "/a/b/");
  EXPECT_EQ(IncludeTrailingSeparator(""), "");
  EXPECT_EQ(ExcludeTrailingSeparator("/a/b/"), "/a/b");
  EXPECT_EQ(ExcludeTrailingSeparator("/a/b"), "/a/b");
  EXPECT_EQ(ExcludeTrailingSeparator("C:\\x\\"), "C:\\x");
}

TEST(TextHelpers, ShortenPathKeepsRootAndName) {
  auto width = [](const std::string& s) { return static_cast<int>(s.size()); };
  EXPECT_EQ(ShortenPath("/home/user/pictures/logo.bmp", 100, width), "/home/user/pictures/logo.bmp");
  EXPECT_EQ(ShortenPath("/home/user/pictures/logo.bmp", 22, width), "/.../pictures/logo.bmp");
  EXPECT_EQ(ShortenPath("C:\\Data\\Art\\logo.bmp", 16, width), "C:\\.../logo.bmp");
  EXPECT_EQ(ShortenPath("/a/b/c/very-long-name.bmp", 5, width), "/.../very-long-name.bmp");
}

TEST(TextHelpers, FormatFollowsPrintf) {
  EXPECT_EQ(Format("Creating Frame : %d", 12), "Creating Frame : 12");
  EXPECT_EQ(Format("%s_%d", "logo", 2), "logo_2");
}

TEST(ProgramFolder, HonoursKt58HomeWithTrailingSeparator) {
  test::TempDir dir;  // sets KT58_HOME
  const std::string folder = ProgramFolder().string();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  EXPECT_TRUE(std::filesystem::equivalent(folder, dir.path()));
}

TEST(ProgramFolder, InsideFolderResolvesDotDot) {
  test::TempDir dir;
  EXPECT_TRUE(IsInsideFolder(dir / "x.Dat", dir.path()));
  EXPECT_FALSE(IsInsideFolder(dir.path() / ".." / ".." / "x", dir.path()));
  EXPECT_FALSE(IsInsideFolder("/etc/passwd", dir.path()));
}

TEST(ProgramFolder, InstalledCopyIsRecognisedByItsSharedResources) {
  namespace fs = std::filesystem;
  test::TempDir dir;
  fs::create_directories(dir / "usr/bin");
  fs::create_directories(dir / "usr/share/kt58-animator");
  fs::create_directories(dir / "build");
  fs::create_directories(dir / "share/kt58-animator");  // beside a folder not called bin
  fs::create_directories(dir / "opt/bin");              // no resources beside
  const struct {
    const char* exe_folder;
    bool installed;
    const char* resources;
  } cases[] = {
      {"usr/bin", true, "usr/share/kt58-animator/"},
      {"build", false, "build/"},
      {"opt/bin", false, "opt/bin/"},
  };
  for (const auto& c : cases) {
    const ProgramLayout layout = LayoutOf(dir / c.exe_folder);
    EXPECT_EQ(layout.installed, c.installed) << c.exe_folder;
    EXPECT_EQ(layout.resources, dir.path() / c.resources) << c.exe_folder;
  }
}

}  // namespace
}  // namespace kt58
