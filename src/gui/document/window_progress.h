// SPDX-License-Identifier: GPL-3.0-or-later
// Long work started from the desktop shows its progress in a progress
// window; work that offers Cancel lets events run at each report, so that
// the button can be clicked while it goes on.
#pragma once

#include "platform/dialog_progress.h"

kt58::DialogProgress WindowProgress();
