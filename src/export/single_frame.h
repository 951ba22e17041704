// SPDX-License-Identifier: GPL-3.0-or-later
// Single frame export: one composed frame as a BMP, JPEG, one-frame GIF or
// PNG, the type chosen by the file name's extension.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "engine/errors.h"
#include "export/frame_scale.h"
#include "model/project.h"
#include "render/compose.h"

namespace kt58 {

// Refusals and failures with the program's texts:
//   "The file type you have specified is unsupported."
//   "Unknown error saving file. <cause>"    (making or writing a JPEG, GIF or PNG)
//   "Error saving file\r<file name>"        (composing)
//   "Error saving file\r<file name>: <cause>" (writing the BMP)
// where the cause names the file and the system's reason.
class ESingleFrameExport : public Kt58Error {
 public:
  using Kt58Error::Kt58Error;
};

inline constexpr const char* kUnsupportedFileTypeText = "The file type you have specified is unsupported.";
inline constexpr const char* kUnknownSaveErrorText = "Unknown error saving file.";
// "Error saving file" + '\r' + the file name as given.
std::string ErrorSavingFileText(const std::filesystem::path& path);

inline constexpr int kSingleFrameJpegQuality = 90;

// Writes the composition of `frame` (a generated frame, or the project's
// ConstructorFrame) to path, atomically. Type by SourceTypeFromFileName:
// 0 BMP, 1 JPEG at quality 90, 3 GIF (ColorReduction 8, ReductionBits 8,
// Compression 1, the dither code `gif_dither`, screen = picture size),
// decided by SourceTypeFromExtension, or, for ".png" in any letter case, an
// 8-bit RGB PNG of the exact pixels: an existing file of that name is
// replaced, never read, whatever it holds. Anything else raises
// ESingleFrameExport(kUnsupportedFileTypeText) and writes nothing.
// `transparent` writes the PNG as 8-bit RGBA with the project's background
// colour transparent, keyed after scaling; with any other type it raises
// ESingleFrameExport(kUnsupportedFileTypeText) before anything is composed.
void SaveFrameToFile(const Project& project, const SequencedFrame* frame, FrameClock clock,
                     const std::filesystem::path& path, int gif_dither, const OutputSize& size = {},
                     bool transparent = false);

// Generated frame `index`, stepping, through SaveFrameToFile with
// nearest-colour GIFs. An index outside the sequence raises
// ESingleFrameExport(ErrorSavingFileText(path)).
void ExportSingleFrame(const Project& project, const FrameSequence& sequence, int index,
                       const std::filesystem::path& path, const OutputSize& size = {}, bool transparent = false);

// The main window's command after its dialog: saves the frame shown (as
// SaveFrameToFile). Gives the text to show when the file could not be
// written, none when it was.
std::optional<std::string> SaveCurrentFrameCommand(const Project& project, const SequencedFrame* frame,
                                                   FrameClock clock, const std::filesystem::path& path,
                                                   int gif_dither);

}  // namespace kt58
