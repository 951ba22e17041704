// SPDX-License-Identifier: GPL-3.0-or-later
// The export commands of the kt58 tool: animated GIF, bitmap sequence,
// single frame, AVI video and the FFmpeg-encoded video and web animation
// formats, each from a project file.
#pragma once

#include "cli/cli_options.h"

namespace kt58::cli {

class CliUi;

void RunExportGif(const ExportGifCommand& cmd, CliUi& ui);
void RunExportBmp(const ExportBmpCommand& cmd, CliUi& ui);
void RunExportSequence(const ExportSequenceCommand& cmd, CliUi& ui);
void RunExportFrame(const ExportFrameCommand& cmd, CliUi& ui);
void RunExportAvi(const ExportAviCommand& cmd, CliUi& ui);
void RunExportVideo(const ExportVideoCommand& cmd, CliUi& ui);

}  // namespace kt58::cli
