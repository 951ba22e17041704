// SPDX-License-Identifier: GPL-3.0-or-later
// Picture sequence export: every generated frame (or a range of them) as
// its own 24-bit BMP or PNG file, named from a pattern whose first run of
// '#' becomes a zero-padded number.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "export/frame_range.h"
#include "export/frame_scale.h"
#include "model/project.h"
#include "render/compose.h"

namespace kt58 {

// The extension of every file of the Bitmap Sequencer and export-bmp.
inline constexpr std::string_view kBitmapSequenceExtension = ".Bmp";

// The name of frame `index` for pattern and start number: n = start + index;
// the first run of '#' is replaced by n padded with '0' to the run's length
// (never cut); later '#' stay. Without '#' the pattern itself. Then the
// extension (from the last '.' after the last '/', '\\' or ':') becomes
// `extension`, or `extension` is appended. An empty result stays empty: that
// frame has no file.
std::string SequenceFileName(const std::string& pattern, int start, int index,
                             std::string_view extension = kBitmapSequenceExtension);
// Whether the pattern numbers its files (holds a '#'); without one every
// frame gets the same name and each file replaces the one before.
bool PatternHasNumber(const std::string& pattern);
// The names of frames 0 .. count-1; none at all when the pattern gives an
// empty name (the window lists nothing then).
std::vector<std::string> SequenceFileNames(const std::string& pattern, int start, int count,
                                           std::string_view extension = kBitmapSequenceExtension);

enum class SequenceStatus { Waiting, Processing, Saved, Error };
// "Waiting...", "Processing...", "Saved.", "Error.".
const char* SequenceStatusText(SequenceStatus status);

// Called with the frame index, its file name (without folder) and the new
// status: Processing before the frame, then Saved or Error; when the run
// ends without replacing the files, each Saved frame once more with Error.
using SequenceStatusCallback = std::function<void(int index, const std::string& name, SequenceStatus status)>;

struct SequenceResult {
  std::vector<std::string> names;          // as SequenceFileNames
  std::vector<SequenceStatus> statuses;    // one per name
  int saved = 0;       // files moved into the folder: all frames, or none
  int failed = 0;      // frames that could not be composed or written
  std::string error;   // the first of those: "<folder/name>: <cause>"
};

// "N of M frames could not be written, the first <folder/name>: <cause>";
// empty when every frame was written.
std::string SequenceFailureText(const SequenceResult& result);

enum class SequenceFormat { Bmp, Png };

// What the files are: their format, the extension their names get, and the
// frames of the animation (0 .. FrameCount-1) they hold. The default is the
// Bitmap Sequencer's: every frame as a BMP named ".Bmp".
struct SequenceFiles {
  SequenceFormat format = SequenceFormat::Bmp;
  std::string_view extension = kBitmapSequenceExtension;
  FrameRange frames;
  OutputSize size;  // the size the files are written at
  // PNG only: 8-bit RGBA with the project's background colour transparent,
  // keyed after scaling. With BMP, ExportBitmapSequence raises Kt58Error
  // before anything is written.
  bool transparent = false;
};

// Writes the k-th chosen frame to folder / name k (an empty folder means
// the working folder) for every listed name, existing files replaced: the
// names number the files written, 0, 1, 2 ... from start, whichever frames
// they hold. Frame i is composed stepping at i, so multi-frame layers show
// their stored frame i (the AVI export's rule). The files are written into
// a hidden staging folder in the folder (an AtomicFileSet) and moved into
// place together once every frame is written: a run that is stopped (the
// callback raises), fails or is interrupted (CommitInterrupted) leaves
// every file of the folder as it was, and files of other names are never
// touched. A frame that cannot be composed or written gets Error and the
// run goes on, to list every such frame; nothing is raised for it, and then
// no file is replaced. A frame without layers counts as an error. Before
// anything is written, the files' total size is checked
// against the free space of the folder's file system (ENotEnoughSpace,
// naming the folder). The callback's index is k. A range that does not fit
// FrameCount raises Kt58Error before anything is written.
SequenceResult ExportBitmapSequence(const Project& project, const FrameSequence& sequence,
                                    const std::filesystem::path& folder, const std::string& pattern, int start,
                                    const SequenceStatusCallback& on_status = {}, const SequenceFiles& files = {});

}  // namespace kt58
