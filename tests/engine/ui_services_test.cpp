#include <gtest/gtest.h>

#include "engine/ui_services.h"
#include "support/recording_ui.h"

namespace kt58 {
namespace {

TEST(UiServices, DefaultDoesNothingAndGivesAUsableDialog) {
  Ui().ShowMessage("ignored");
  ProgressScope dialog;
  dialog->SetCaption("x");
  dialog->SetRange(0, 10);
  dialog->Show();
  EXPECT_FALSE(Ui().Terminating());
}

TEST(UiServices, RecorderSeesMessagesAndDialogLifecycle) {
  test::RecordingUi ui;
  Ui().ShowMessage("Internal Streaming Error");
  {
    ProgressScope dialog;
    dialog->SetCaption("Import AVI...");
    dialog->SetText("Preparing for Import...");
    dialog->Show();
  }
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0], "Internal Streaming Error");
  ASSERT_EQ(ui.dialogs.size(), 1u);
  EXPECT_EQ(ui.dialogs[0]->caption, "Import AVI...");
  EXPECT_TRUE(ui.dialogs[0]->shown);
  EXPECT_TRUE(ui.dialogs[0]->released);
}

TEST(UiServices, PendingMessagesAreSkippedWhileTerminating) {
  test::RecordingUi ui;
  ProcessPendingMessages();
  ui.terminating = true;
  ProcessPendingMessages();
  EXPECT_EQ(ui.process_messages_calls, 1);
}

}  // namespace
}  // namespace kt58
