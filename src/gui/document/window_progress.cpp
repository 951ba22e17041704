// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/document/window_progress.h"

kt58::DialogProgress WindowProgress() {
  return kt58::DialogProgress([] { return kt58::Ui().CreateProgressDialog(); },
                              [] { kt58::ProcessPendingMessages(); });
}
