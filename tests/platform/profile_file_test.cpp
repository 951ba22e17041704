// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "platform/atomic_file.h"
#include "platform/profile_file.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }
std::string Text(const std::vector<uint8_t>& b) { return {b.begin(), b.end()}; }

TEST(ProfileFile, SectionsAndKeysMatchWithoutRegardToCase) {
  const ProfileFile f = ProfileFile::Parse("[Window]\r\nWIDTH = 800\r\n  left=12  \r\n[mru]\nMru0001=/a/B.apf\n");
  EXPECT_EQ(f.ReadInteger("WINDOW", "Width", 1), 800);
  EXPECT_EQ(f.ReadInteger("window", "LEFT", 1), 12);
  EXPECT_EQ(f.ReadString("MRU", "mru0001", ""), "/a/B.apf");  // the value keeps its case
  EXPECT_EQ(f.ReadInteger("WINDOW", "Top", 7), 7);
  EXPECT_EQ(f.ReadString("FILE", "Width", "none"), "none");
}

TEST(ProfileFile, IntegersAreDecimalTextInIntRange) {
  const struct {
    const char* value;
    int expected;
  } cases[] = {
      {"12", 12},          {"-40", -40},        {"+3", 3},          {"007", 7},      {"2147483647", 2147483647},
      {"2147483648", 99},  {"-2147483649", 99}, {"12abc", 99},      {"0x10", 99},    {"$1F", 99},
      {"1.5", 99},         {"", 99},            {"- 4", 99},        {"--4", 99},     {"4-", 99},
  };
  for (const auto& c : cases) {
    const ProfileFile f = ProfileFile::Parse(std::string("[S]\nK=") + c.value + "\n");
    EXPECT_EQ(f.ReadInteger("S", "K", 99), c.expected) << '"' << c.value << '"';
  }
}

TEST(ProfileFile, BooleansAreOneOrZeroAndAnyNonZeroIsTrue) {
  const struct {
    const char* value;
    bool fallback, expected;
  } cases[] = {
      {"1", false, true},   {"0", true, false},   {"2", false, true},  {"-1", false, true},
      {"yes", false, false}, {"yes", true, true}, {"true", false, false}, {"", true, true},
  };
  for (const auto& c : cases) {
    const ProfileFile f = ProfileFile::Parse(std::string("[S]\nB=") + c.value + "\n");
    EXPECT_EQ(f.ReadBool("S", "B", c.fallback), c.expected) << '"' << c.value << "\" default " << c.fallback;
  }
  ProfileFile f;
  f.WriteBool("S", "On", true);
  f.WriteBool("S", "Off", false);
  EXPECT_EQ(f.ToText(), "[S]\nOn=1\nOff=0\n");
}

TEST(ProfileFile, FirstOccurrenceWinsAndOddLinesAreSkipped) {
  const ProfileFile f = ProfileFile::Parse(
      "Orphan=1\n"          // before any section
      "; comment=2\n"
      "[A]\n"
      "K=first\n"
      "k=second\n"
      "no equals sign\n"
      "=no key\n"
      "Bell=\a\n"           // a control character: the line is not text
      "[unclosed\n"
      "Lost=1\n"            // belongs to no section
      "[a]\n"
      "Other=3\n");
  EXPECT_EQ(f.ReadString("A", "K", ""), "first");
  EXPECT_EQ(f.ReadInteger("A", "Other", 0), 3);  // a repeated section adds to the first
  EXPECT_EQ(f.ReadString("A", "Bell", "default"), "default");
  EXPECT_EQ(f.ReadString("A", "Lost", "default"), "default");
  EXPECT_EQ(f.KeyCount("A"), 2u);
  EXPECT_EQ(f.ToText(), "[A]\nK=first\nOther=3\n");
}

TEST(ProfileFile, EmbeddedNulIsNotText) {
  using namespace std::string_literals;
  const ProfileFile f = ProfileFile::Parse("[S]\nK=a\0b\nL=2\n"s);
  EXPECT_EQ(f.ReadString("S", "K", "none"), "none");
  EXPECT_EQ(f.ReadInteger("S", "L", 0), 2);
}

TEST(ProfileFile, ErasedSectionIsWrittenAnewAndOthersAreKept) {
  ProfileFile f = ProfileFile::Parse("[MRU]\nMruCount=3\nMru0003=/old.apf\n[Mine]\nX=1\n");
  f.EraseSection("mru");
  EXPECT_EQ(f.ReadString("MRU", "Mru0003", "gone"), "gone");
  f.WriteInteger("MRU", "MruCount", 1);
  f.WriteString("MRU", "Mru0001", "/new.apf");
  f.WriteString("mine", "x", "2");  // replaces, keeping the stored spelling
  EXPECT_EQ(f.ToText(), "[Mine]\nX=2\n\n[MRU]\nMruCount=1\nMru0001=/new.apf\n");
}

TEST(ProfileFile, ValuesThatWouldBreakTheFileAreRefused) {
  ProfileFile f;
  EXPECT_THROW(f.WriteString("S", "K", "two\nlines"), std::invalid_argument);
  EXPECT_THROW(f.WriteString("S", "K", "cr\rhere"), std::invalid_argument);
  EXPECT_THROW(f.WriteString("S", "K", std::string("nul\0", 4)), std::invalid_argument);
  EXPECT_THROW(f.WriteString("S]", "K", "v"), std::invalid_argument);
  EXPECT_THROW(f.WriteString("S", "K=J", "v"), std::invalid_argument);
  EXPECT_THROW(f.WriteString("S", " ", "v"), std::invalid_argument);
  EXPECT_EQ(f.ToText(), "");
  f.WriteString("S", "Path", "/a b/c=d;e[f]\tg");
  EXPECT_EQ(ProfileFile::Parse(f.ToText()).ReadString("S", "Path", ""), "/a b/c=d;e[f]\tg");
}

TEST(ProfileFile, MissingOversizedOrBinaryFilesReadAsEmpty) {
  test::TempDir dir;
  EXPECT_EQ(ProfileFile::Load(dir / "absent.ini").ToText(), "");
  EXPECT_EQ(ProfileFile::Load(dir.path()).ToText(), "");  // a folder

  std::string big = "[S]\nK=1\n";
  big.resize(ProfileFile::kMaxBytes + 1, 'x');
  test::WriteFileBytes(dir / "big.ini", Bytes(big));
  EXPECT_EQ(ProfileFile::Load(dir / "big.ini").ReadInteger("S", "K", 5), 5);

  std::vector<uint8_t> garbage(4096);
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<uint8_t>((i * 2654435761u) >> 13);
  test::WriteFileBytes(dir / "garbage.ini", garbage);
  const ProfileFile g = ProfileFile::Load(dir / "garbage.ini");
  EXPECT_EQ(g.ReadInteger("WINDOW", "Width", 626), 626);
}

TEST(ProfileFile, SaveReplacesTheFileAndAFailureKeepsTheOldOne) {
  // A folder of its own: the program folder (the test's) also holds this
  // process's list of the temporaries it makes.
  test::TempDir home;
  const std::filesystem::path dir = home / "User";
  std::filesystem::create_directory(dir);
  const auto path = dir / "Settings.Ini";
  test::WriteFileBytes(path, Bytes("[Old]\nA=1\n"));
  ProfileFile f = ProfileFile::Load(path);
  f.WriteInteger("New", "B", 2);
  f.Save(path);
  EXPECT_EQ(Text(test::ReadFileBytes(path)), "[Old]\nA=1\n\n[New]\nB=2\n");
  EXPECT_EQ(ProfileFile::Load(path).ReadInteger("new", "b", 0), 2);

  EXPECT_EQ(test::ErrorCodeOf<PlatformError>([&] { f.Save(dir / "no-folder" / "Settings.Ini"); }),
            PlatformErrorCode::FileWrite);
  std::filesystem::create_directory(dir / "taken.ini");
  EXPECT_EQ(test::ErrorCodeOf<PlatformError>([&] { f.Save(dir / "taken.ini"); }), PlatformErrorCode::FileWrite);
  EXPECT_TRUE(std::filesystem::is_directory(dir / "taken.ini"));
  // Nothing but the file and the folder in the way: no temporary left behind.
  size_t entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir)) ++entries;
  EXPECT_EQ(entries, 2u);
}

}  // namespace
}  // namespace kt58
