// SPDX-License-Identifier: GPL-3.0-or-later
// AVI video export: every generated frame as one uncompressed 24-bit key
// frame (BI_RGB, bottom-up rows padded to 4 bytes) in an AVI file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "engine/errors.h"
#include "export/frame_range.h"
#include "export/frame_scale.h"
#include "model/project.h"
#include "render/frame_sequence.h"

namespace kt58 {

// The export's failures, with the program's texts:
//   "Failed to create AVI file", "Failed to create AVI stream",
//   "Failed to set AVI stream format", "Failed to add frame to AVI"; a
// failure of the writer adds ": " and its cause (the file, the system's
// reason).
class EAviExport : public Kt58Error {
 public:
  using Kt58Error::Kt58Error;
};

inline constexpr const char* kAviExportCaption = "AVI Export...";
inline constexpr const char* kAviExportLabel = "Building AVI file";

// Bytes of one frame's pixel data (biSizeImage): 3 * width rounded up to a
// multiple of 4, times height.
size_t AviFrameImageSize(int width, int height);

// Bytes the file takes at most with `frames` frames: per frame its pixel
// data, its chunk header (8 bytes) and its entries in the legacy and the
// OpenDML indexes (16 + 8); 64 KiB for the headers and the super index.
uint64_t AviFileBytes(int width, int height, int frames);

// Writes Frames[0 .. FrameCount-1] (the generated frames present), each
// shown for FrameDurationMs (frame_encoding.h), to path through a temporary
// file renamed into place; a failure removes the temporary and leaves
// nothing under the name. Reports progress ("AVI Export...", "Building AVI
// file", 0 .. frame count) once per frame. Frame i is composed stepping at i.
// The frame size is that of frame 0's composition; a later frame of another size, or one without
// a picture, raises "Failed to add frame to AVI". No generated frames, or a
// first frame without a picture, ends without a file and without an error
// (returns false); true when the file was written. Before the file is
// created, AviFileBytes is checked against the free space of the target's
// file system (ENotEnoughSpace). `frames` limits the file to a part of the
// animation, each frame composed as in the whole (Kt58Error when it lies
// outside the sequence).
bool ExportAvi(const Project& project, const FrameSequence& sequence, const std::filesystem::path& path,
               Progress& progress = NoProgress(), const FrameRange& frames = {},
               const OutputSize& size = {});

}  // namespace kt58
