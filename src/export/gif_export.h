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
#include "export/gif/gif_image.h"
#include "model/animation.h"

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

  // The option set for TGIFImage::Optimize: 2 merge, 1 crop, 4 remove
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

// Called after each frame is added: the frame's index, the number of
// generated frames and the composed picture (valid only during the call),
// for a preview and a progress bar.
using GifFrameObserver = std::function<void(int index, int count, const TPicture& frame)>;

// One build pass. Stores the colour reduction, reduction bits and dither
// codes as the GIF codec defaults (they stay in force for later images, as
// the single frame export expects), creates the image with Compression 1,
// sets Playing false and CurrentFrameIndex 0 (for the whole-animation
// palette, code 10, every frame is rendered once first to build it, and the
// two are set again), then for each generated frame
// i: RenderFrame, Playing true, CurrentFrameIndex + 1, Add, a loop extension
// (count 0) on frame 0, a graphic control extension with the delay. Then
// OptimizeColorMap when asked and Optimize with the option set. Playing is
// false again on return, on every way out. A frame without layers (no
// picture) is left out. Errors of rendering or of the writer pass on.
// Rendering and the observer run on the calling thread; frames are reduced
// and encoded on the GIF worker threads, and the image is the same for any
// number of them. Its frames are held packed.
// An animation without generated frames gives an image without frames,
// which WriteGifFile refuses.
std::unique_ptr<TGIFImage> BuildAnimatedGif(TAnimation& animation, const GifExportOptions& options,
                                            const GifFrameObserver& observer = {});

// Writes the image atomically (temporary file renamed into place). Raises
// GIFException for an image the writer refuses (no frames: "Unsupported GIF
// version") and EFileWrite when the file cannot be written.
void WriteGifFile(const TGIFImage& image, const std::filesystem::path& path);

// The file size the export window shows: writes ProgramFolder()/Output/
// Output.gif (creating the folder; Output_2.gif, ... when that name is
// taken), takes its size and deletes it. A file that is not there
// afterwards gives 0. Writer errors pass on.
uint64_t MeasureGifFileSize(const TGIFImage& image);

// "File Size : %s Bytes" with the size in decimal.
std::string GifFileSizeText(uint64_t size);

// Build pass and write in one: what the command line does.
void ExportAnimatedGif(TAnimation& animation, const GifExportOptions& options, const std::filesystem::path& path,
                       const GifFrameObserver& observer = {});

}  // namespace kt58
