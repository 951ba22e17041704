// SPDX-License-Identifier: GPL-3.0-or-later
// Opens a document or web address with the desktop's handler, reporting a
// failure in an "Error" message box owned by the given window.
#pragma once

#include <QString>

class QWidget;

namespace kt58::controls {

// Classic shell result codes: above 32 is success.
inline constexpr int kShellOk = 42;
inline constexpr int kShellOutOfMemory = 0;
inline constexpr int kShellFileNotFound = 2;
inline constexpr int kShellPathNotFound = 3;
inline constexpr int kShellBadFormat = 11;
inline constexpr int kShellNoAssociation = 31;

// The text shown for a failed result (at most 32).
QString ShellErrorText(int result);

// Opens target (a web address, a file: URL or a local path) and returns the
// shell-style result. A local target whose folder or file is missing fails
// before anything is started.
int ShellOpenResult(const QString& target);

void ShellOpen(QWidget* parent, const QString& target);

}  // namespace kt58::controls
