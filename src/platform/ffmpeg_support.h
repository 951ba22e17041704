// SPDX-License-Identifier: GPL-3.0-or-later
// Small helpers every user of FFmpeg's libraries in platform/ shares.
#pragma once

#include <string>

namespace kt58 {

// FFmpeg's text for an error code (AVERROR_...).
std::string AvErrorText(int code);

// Keeps the libraries from writing their own messages to stderr: failures
// reach the user through our errors, in one line.
void QuietFfmpegLog();

}  // namespace kt58
