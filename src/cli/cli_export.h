// The export commands of the kt58 tool: animated GIF, bitmap sequence,
// single frame and AVI video, each from a project file.
#pragma once

#include "cli/cli_options.h"

namespace kt58::cli {

class CliUi;

void RunExportGif(const ExportGifCommand& cmd, CliUi& ui);
void RunExportBmp(const ExportBmpCommand& cmd, CliUi& ui);
void RunExportFrame(const ExportFrameCommand& cmd, CliUi& ui);
void RunExportAvi(const ExportAviCommand& cmd, CliUi& ui);

}  // namespace kt58::cli
