#include "cli/cli_export.h"

#include "cli/cli_project.h"

namespace kt58::cli {

// The export library is not in this build yet.
void RunExportGif(const ExportGifCommand&, CliUi&) { throw CommandFailed("export-gif is not available in this build"); }
void RunExportBmp(const ExportBmpCommand&, CliUi&) { throw CommandFailed("export-bmp is not available in this build"); }
void RunExportFrame(const ExportFrameCommand&, CliUi&) {
  throw CommandFailed("export-frame is not available in this build");
}
void RunExportAvi(const ExportAviCommand&, CliUi&) { throw CommandFailed("export-avi is not available in this build"); }

}  // namespace kt58::cli
