// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "platform/dialog_progress.h"

#include <filesystem>

#include "engine/avi_import.h"
#include "support/avi_test_support.h"
#include "support/recording_ui.h"
#include "support/test_support.h"

namespace kt58 {
namespace {

// The import window as the user has always seen it: the caption and Cancel
// the import asks for, the two texts, the bar over the frames, events at
// every step.
TEST(DialogProgress, ShowsAnImportAsItsWindowAlwaysDid) {
  test::TempDir dir;
  const auto avi = dir / "a.avi";
  ASSERT_TRUE(test::MakeAvi(test::FindAviCase("bgr24_bottomup"), avi));
  test::RecordingUi ui;
  {
    FrameStore store;
    ASSERT_TRUE(store.CreateStoreFile(dir / "s.Dat"));
    DialogProgress progress = ui.MakeProgress();
    EXPECT_TRUE(ui.dialogs.empty()) << "no dialog before the work begins";
    ASSERT_TRUE(ImportAvi(store, avi, false, progress));
    EXPECT_TRUE(ui.dialogs[0]->cancel_shown);
    EXPECT_FALSE(ui.dialogs[0]->released);
  }
  ASSERT_EQ(ui.dialogs.size(), 1u);
  const test::RecordedDialog& d = *ui.dialogs[0];
  EXPECT_EQ(d.caption, "Import AVI...");
  EXPECT_EQ(d.texts, (std::vector<std::string>{"Preparing for Import...", "Converting AVI to kt58 BlitStream"}));
  EXPECT_EQ(d.minimum, 0);
  EXPECT_EQ(d.maximum, 10);
  EXPECT_EQ(d.positions, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_TRUE(d.shown);
  EXPECT_TRUE(d.released);
  EXPECT_EQ(ui.process_messages_calls, 11);
}

TEST(DialogProgress, CancelClickedDuringAStepStopsTheWork) {
  test::TempDir dir;
  const auto avi = dir / "a.avi";
  ASSERT_TRUE(test::MakeAvi(test::FindAviCase("bgr24_bottomup"), avi));
  test::RecordingUi ui;
  // The click arrives with the events of the fourth report (frame 2).
  ui.on_process_messages = [&ui] {
    if (ui.process_messages_calls == 4) ui.dialogs.at(0)->on_cancel();
  };
  {
    FrameStore store;
    ASSERT_TRUE(store.CreateStoreFile(dir / "s.Dat"));
    DialogProgress progress = ui.MakeProgress();
    EXPECT_THROW(ImportAvi(store, avi, false, progress), Cancelled);
    EXPECT_TRUE(progress.Cancelled());
    EXPECT_EQ(ui.process_messages_calls, 4);
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "s.Dat"));
  EXPECT_TRUE(ui.dialogs.at(0)->released);
}

// Work that offers no Cancel keeps the dialog's own caption and runs no
// events.
TEST(DialogProgress, WithoutCancelNoEventsRun) {
  test::RecordingUi ui;
  {
    DialogProgress progress = ui.MakeProgress();
    progress.Begin("", false);
    progress.Report("Re-Processing Video...", 0, 3);
    progress.Report("Re-Processing Video...", 7, 3);  // past the end: the bar stops full
    progress.Report("Working", 1, 0);                  // total unknown: the bar stays
  }
  const test::RecordedDialog& d = *ui.dialogs.at(0);
  EXPECT_EQ(d.caption, "");
  EXPECT_FALSE(d.cancel_shown);
  EXPECT_EQ(d.texts, (std::vector<std::string>{"Re-Processing Video...", "Working"}));
  EXPECT_EQ(d.maximum, 3);
  EXPECT_EQ(d.positions, (std::vector<int>{0, 3}));
  EXPECT_EQ(ui.process_messages_calls, 0);
}

}  // namespace
}  // namespace kt58
