// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/document/window_progress.h"

#include "gui/widgets/progress_dialog.h"
#include "gui/widgets/user_feedback.h"

kt58::DialogProgress WindowProgress() {
  return kt58::DialogProgress(CreateProgressDialogHandle, [](bool cancellable) {
    if (cancellable) processPendingEvents();
  });
}
