#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <stdexcept>

#include "export/atomic_file.h"
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
  EXPECT_THROW(WriteFileAtomically(dir / "file" / "x", std::vector<uint8_t>{1}), EFileWrite);
  EXPECT_THROW(WriteFileAtomically(dir / "missing" / "x", std::vector<uint8_t>{1}), EFileWrite);
  fs::create_directory(dir / "folder");
  EXPECT_THROW(WriteFileAtomically(dir / "folder", std::vector<uint8_t>{1}), EFileWrite);
  EXPECT_EQ(test::FileNamesIn(dir.path()), (std::vector<std::string>{"file", "folder"}));
  EXPECT_TRUE(fs::is_empty(dir / "folder"));
}

}  // namespace
}  // namespace kt58
