// SPDX-License-Identifier: GPL-3.0-or-later
// Animated GIF export: the build pass that turns every generated frame of
// the animation into a looping GIF image, the measured file size, and
// writing the file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "engine/picture.h"
#include "export/frame_range.h"
#include "export/frame_scale.h"
#include "export/gif/gif_image.h"
#include "model/project.h"
#include "render/frame_sequence.h"
#include "platform/atomic_file.h"

namespace kt58 {

// What the export window's menus and check boxes hold, as codes.
struct GifExportOptions {
  // Milliseconds per frame; the graphic control extension carries
  // FrameDelayMs / 10 hundredths (remainder dropped). The window offers 10
  // to 1000; anything in 0 .. 655359 is accepted, beyond that raises Kt58Error.
  int FrameDelayMs = 100;
  int ColorReduction = rmQuantizeWindows;  // ColorReduction code (1, 3..8)
  int ReductionBits = 8;                   // 3..8, used by code 7
  int DitherMode = dmNearest;              // DitherMode code (0..6)
  bool OptimizeColorMap = false;           // "Optimize to single color map"
  bool Merge = false;                      // "Merge similar frames"
  bool Crop = false;                       // "Crop unused transparent areas"
  bool RemovePassive = false;              // "Remove passive extensions"
  bool SortColors = false;                 // "Sort color maps"
  // The export window writes with the run-length encoder; dictionary LZW
  // gives smaller files of detailed pictures, and is the command line's.
  int Compression = gcRLE;
  // Lossy LZW level, 0 (exact) to kMaxLossy: a pixel may be written in
  // another palette colour up to LossyErrorBound(Lossy) away where that
  // makes the file smaller. A level outside that range, or above 0 with
  // RLE (which has no dictionary), raises Kt58Error before anything is built.
  int Lossy = 0;
  // How often the animation plays: 0 forever (the loop extension with count
  // 0), 1 once (no loop extension), n: the extension repeats it n - 1 times.
  int Plays = 0;
  // The frames written; each is composed as in the whole animation. A
  // range outside the sequence raises Kt58Error before anything is built.
  FrameRange Frames;
  // The size every frame is written at, scaled before its colours are
  // reduced; the logical screen takes it.
  OutputSize Size;
  // The project's background colour written transparent: a pixel of that
  // exact colour (after scaling) gets the frame's transparent index, every
  // frame shows only its own pixels over a transparent screen (a frame is
  // disposed to background where the next one would show it through its
  // transparent pixels), and the reduction keeps an entry free for it (the
  // whole-animation palette: one colour fewer, the background colour not
  // among them unless diffusion needs its exact entry).
  bool Transparent = false;

  // The option set for GifImage::Optimize: 2 merge, 1 crop, 4 remove
  // passive, 8 sort.
  int OptimizeOptions() const;
};

// Command-line names of the palettes and ditherers:
//   global = 10 (with ReductionBits), optimized = 7 (with ReductionBits),
//   optimized-windows = 8, web = 6,
//   mono = 4, gray = 5, windows-gray = 3, windows = 1;
//   nearest = 0, floyd-steinberg = 1, stucki = 2, sierra = 3, burkes = 6.
// Names compare case-insensitively; an unknown name gives none.
std::optional<int> GifPaletteCodeFromName(std::string_view name);
std::optional<int> GifDitherCodeFromName(std::string_view name);

// Called after each frame is built: its place among the frames written, their
// number and the composed picture (valid only during the call),
// for a preview and a progress bar.
using GifFrameObserver = std::function<void(int index, int count, const Picture& frame)>;

// A GIF built into a hidden temporary file in the program's Output folder,
// kept until it is saved or dropped (the object's end removes it).
class BuiltGif {
 public:
  explicit BuiltGif(std::unique_ptr<AtomicFile> file);
  // The bytes the saved file will have: what the export window shows.
  uint64_t FileSize() const;
  const std::filesystem::path& Path() const { return file_->TempPath(); }
  // Copies the GIF to target through a temporary renamed into place; the
  // build stays, so it can be saved again. Raises PlatformError (FileWrite).
  void SaveAs(const std::filesystem::path& target) const;

 private:
  std::unique_ptr<AtomicFile> file_;
};

// BuildAnimatedGif and ExportAnimatedGif make the animated GIF of every
// frame of the sequence. For the
// whole-animation palette, code 10, every frame is rendered once first to
// build it. Then for each generated frame i: ComposeFrame with the clock of
// the animation played from frame 0 (FrameClock::Playing(0, i)); the frame
// is reduced, optimised with the option set and written, with a loop
// extension (count 0) on the first frame and a graphic control extension
// with the delay on each. A frame without layers (no picture) is left
// out. Frames are composed, reduced, optimised and encoded on worker
// threads and written in order as they are done (the observer runs on the
// calling thread), so memory does not grow with the frame count; the file
// is the same for any number of threads. Options that need the whole
// animation before the first frame (the single colour map, sorting a table
// every frame shares) keep the built frames packed in a temporary file of
// this process in the program's Output folder until they are written.
// A sequence without frames raises GIFException("Unsupported
// GIF version"); errors of rendering, of the writer and of writing
// (PlatformError, FileWrite) pass on, and leave no file behind.

// The GIF built into ProgramFolder()/Output/ (created when missing).
std::unique_ptr<BuiltGif> BuildAnimatedGif(const Project& project, const FrameSequence& sequence,
                                           const GifExportOptions& options, const GifFrameObserver& observer = {});

// "File Size : %s Bytes" with the size in decimal.
std::string GifFileSizeText(uint64_t size);

// The GIF written to path atomically (temporary file renamed into place):
// what the command line does.
void ExportAnimatedGif(const Project& project, const FrameSequence& sequence, const GifExportOptions& options,
                       const std::filesystem::path& path, const GifFrameObserver& observer = {});

}  // namespace kt58
