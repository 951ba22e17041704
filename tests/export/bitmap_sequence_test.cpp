// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <stdexcept>
#include <utility>
#include <vector>

#include "engine/bmp_codec.h"
#include "export/bitmap_sequence.h"
#include "export/export_fixture.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

TEST(BitmapSequence, NamingRule) {
  struct Case {
    const char* pattern;
    int start;
    int index;
    const char* name;
  };
  for (const Case& c : {
           Case{"###", 0, 0, "000.Bmp"},
           Case{"###", 0, 11, "011.Bmp"},
           Case{"frame##.jpg", 98, 0, "frame98.Bmp"},
           Case{"frame##.jpg", 98, 2, "frame100.Bmp"},  // never cut to the run's width
           Case{"img#", 10, 1, "img11.Bmp"},
           Case{"a#b##c", 3, 0, "a3b##c.Bmp"},          // only the first run is numbered
           Case{"still", 0, 5, "still.Bmp"},            // no '#': one name for every frame
           Case{"still.png", 0, 5, "still.Bmp"},
           Case{"v1.2/x#", 0, 4, "v1.2/x4.Bmp"},        // a '.' in a folder is not an extension
           Case{"d:x#", 0, 4, "d:x4.Bmp"},
           Case{"#.", 7, 0, "7.Bmp"},
           Case{"##.tar.gz", 0, 3, "03.tar.Bmp"},
       }) {
    EXPECT_EQ(SequenceFileName(c.pattern, c.start, c.index), c.name) << c.pattern << " " << c.start << "+" << c.index;
  }
  EXPECT_EQ(SequenceFileName("", 0, 0), "");
  EXPECT_TRUE(SequenceFileNames("", 0, 12).empty());
  const auto names = SequenceFileNames("###", 0, 12);
  ASSERT_EQ(names.size(), 12u);
  EXPECT_EQ(names.front(), "000.Bmp");
  EXPECT_EQ(names.back(), "011.Bmp");
}

TEST(BitmapSequence, EveryFrameWrittenAsTheBmpOfItsComposition) {
  TempDir dir;
  auto a = test::MakeStillProject(dir, 13, 5, 4, 100);
  test::AddAnimatedGifLayer(a, dir, 4);
  fs::create_directory(dir / "out");
  std::vector<std::string> log;
  const SequenceResult r = ExportBitmapSequence(
      *a, a.sequence, dir / "out", "f##.x", 8, [&](int i, const std::string& name, SequenceStatus s) {
        log.push_back(std::to_string(i) + " " + name + " " + SequenceStatusText(s));
      });
  EXPECT_EQ(r.saved, 4);
  EXPECT_EQ(r.failed, 0);
  EXPECT_EQ(log, (std::vector<std::string>{"0 f08.Bmp Processing...", "0 f08.Bmp Saved.", "1 f09.Bmp Processing...",
                                           "1 f09.Bmp Saved.", "2 f10.Bmp Processing...", "2 f10.Bmp Saved.",
                                           "3 f11.Bmp Processing...", "3 f11.Bmp Saved."}));
  EXPECT_EQ(test::FileNamesIn(dir / "out"), (std::vector<std::string>{"f08.Bmp", "f09.Bmp", "f10.Bmp", "f11.Bmp"}));
  for (int i = 0; i < 4; ++i) {
    WorkPicture p = test::RenderStoredFrame(a, i);
    EXPECT_EQ(test::ReadFileBytes(dir / "out" / r.names[static_cast<size_t>(i)]), EncodeBmp(*p)) << "frame " << i;
  }
  EXPECT_NE(test::ReadFileBytes(dir / "out/f08.Bmp"), test::ReadFileBytes(dir / "out/f09.Bmp"));
  EXPECT_EQ(std::string(SequenceStatusText(SequenceStatus::Waiting)), "Waiting...");
  EXPECT_EQ(std::string(SequenceStatusText(SequenceStatus::Error)), "Error.");
}

// Every name and its bytes under the folder, hidden ones included, so that
// a left staging folder or temporary shows.
std::map<std::string, std::vector<uint8_t>> Contents(const fs::path& folder) {
  std::map<std::string, std::vector<uint8_t>> found;
  for (const auto& e : fs::recursive_directory_iterator(folder))
    found[fs::relative(e.path(), folder).string()] = e.is_regular_file() ? test::ReadFileBytes(e.path())
                                                                         : std::vector<uint8_t>{'/'};
  return found;
}

// A frame that cannot be written is listed as an error and the run goes on
// to list every such frame, but then no file is replaced: the frames written
// meanwhile are reported as errors again, and the folder holds what it held.
TEST(BitmapSequence, AFrameThatCannotBeWrittenReplacesNoFile) {
  TempDir dir;
  auto a = test::MakeStillProject(dir, 6, 4, 3, 100);
  // Pattern "#/p": frame i goes into folder i; folder 1 is a regular file.
  const fs::path out = dir / "out";
  fs::create_directories(out / "0");
  test::WriteFileBytes(out / "0/p.Bmp", {'o', 'l', 'd'});
  test::WriteFileBytes(out / "1", {'x'});
  fs::create_directory(out / "2");
  const auto before = Contents(out);
  std::vector<std::pair<int, SequenceStatus>> reported;
  const SequenceResult r = ExportBitmapSequence(*a, a.sequence, out, "#/p", 0,
                                                [&](int i, const std::string&, SequenceStatus status) {
                                                  if (status != SequenceStatus::Processing) reported.emplace_back(i, status);
                                                });
  using S = SequenceStatus;
  EXPECT_EQ(reported, (std::vector<std::pair<int, S>>{{0, S::Saved}, {1, S::Error}, {2, S::Saved}, {0, S::Error},
                                                      {2, S::Error}}));
  EXPECT_EQ(r.statuses, (std::vector<S>{S::Error, S::Error, S::Error}));
  EXPECT_EQ(r.saved, 0);
  EXPECT_EQ(r.failed, 1);
  EXPECT_EQ(r.error.rfind((out / "1/p.Bmp").string() + ": ", 0), 0u) << r.error;
  EXPECT_NE(r.error.find("Not a directory"), std::string::npos) << r.error;
  EXPECT_EQ(Contents(out), before);
}

// All files move in together, into subfolders the pattern names as well;
// files of other names stay. A run stopped by its callback (the command
// line's Ctrl+C) leaves the folder as it was, the staging folder gone.
TEST(BitmapSequence, FilesMoveInTogetherOrNotAtAll) {
  TempDir dir;
  auto a = test::MakeStillProject(dir, 6, 4, 3, 100);
  fs::create_directories(dir / "out/0");
  test::WriteFileBytes(dir / "out/0/p.Bmp", {'o', 'l', 'd'});
  test::WriteFileBytes(dir / "out/other.Bmp", {'k', 'e', 'e', 'p'});
  const auto before = Contents(dir / "out");
  for (int stop_at = 0; stop_at < 3; ++stop_at) {
    SCOPED_TRACE(stop_at);
    EXPECT_THROW(ExportBitmapSequence(*a, a.sequence, dir / "out", "0/p#", 0,
                                      [&](int i, const std::string&, SequenceStatus status) {
                                        if (i == stop_at && status == SequenceStatus::Saved)
                                          throw std::runtime_error("stopped");
                                      }),
                 std::runtime_error);
    EXPECT_EQ(Contents(dir / "out"), before);
  }
  const SequenceResult r = ExportBitmapSequence(*a, a.sequence, dir / "out", "0/p#", 0);
  EXPECT_EQ(r.saved, 3);
  auto after = Contents(dir / "out");
  for (int i = 0; i < 3; ++i) {
    WorkPicture frame = test::RenderStoredFrame(a, i);
    EXPECT_EQ(after["0/p" + std::to_string(i) + ".Bmp"], EncodeBmp(*frame)) << i;
    after.erase("0/p" + std::to_string(i) + ".Bmp");
  }
  EXPECT_EQ(after, (std::map<std::string, std::vector<uint8_t>>{
                       {"0", {'/'}}, {"0/p.Bmp", {'o', 'l', 'd'}}, {"other.Bmp", {'k', 'e', 'e', 'p'}}}));
}

TEST(BitmapSequence, OneNameForAllKeepsTheLastFrameAndEmptyPatternWritesNothing) {
  TempDir dir;
  auto a = test::MakeStillProject(dir, 9, 3, 3, 100);
  fs::create_directory(dir / "o");
  const SequenceResult r = ExportBitmapSequence(*a, a.sequence, dir / "o", "same", 0);
  EXPECT_EQ(r.saved, 3);
  EXPECT_EQ(test::FileNamesIn(dir / "o"), std::vector<std::string>{"same.Bmp"});
  WorkPicture last = test::RenderStoredFrame(a, 2);
  EXPECT_EQ(test::ReadFileBytes(dir / "o/same.Bmp"), EncodeBmp(*last));

  fs::create_directory(dir / "e");
  const SequenceResult none = ExportBitmapSequence(*a, a.sequence, dir / "e", "", 0);
  EXPECT_TRUE(none.names.empty());
  EXPECT_TRUE(fs::is_empty(dir / "e"));
}

}  // namespace
}  // namespace kt58
