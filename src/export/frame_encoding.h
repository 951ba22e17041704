// SPDX-License-Identifier: GPL-3.0-or-later
// The pass over the generated frames that every video export makes: compose
// each frame, hand its pixels to a VideoWriter writing a temporary file
// beside the target, reporting progress as it goes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "export/frame_range.h"
#include "export/frame_scale.h"
#include "platform/atomic_file.h"
#include "model/project.h"
#include "render/compose.h"
#include "platform/video_writer.h"

namespace kt58 {

// Frame duration in milliseconds: FrameDelay, or 100 when it is 0 or
// negative.
int FrameDurationMs(const Project& project);

enum class FramePassResult { Written, NothingToWrite, Cancelled };

struct EncodedFrames {
  FramePassResult result = FramePassResult::NothingToWrite;
  // Written: the finished temporary, not yet renamed into place (Commit),
  // removed with the object otherwise.
  std::unique_ptr<AtomicFile> file;
};

struct FramePassDialog {
  std::string caption, label;
  bool cancellable = false;  // shows Cancel; a click stops before the next frame
};

// Encodes the frames of `frames` (every generated frame by default; a
// range outside the sequence raises Kt58Error before anything is made).
// Reports each to `progress` (caption, label, 0 .. the number encoded) and
// stops when it is cancelled. Frame i is composed stepping at i; with
// settings.alpha its pixels of the project's background colour are written
// transparent (keyed after scaling).
// The frame size (settings.width and height) is that of the first encoded
// frame's composition. No generated frames, or a first frame without a
// picture: NothingToWrite, no file. Cancel: Cancelled, the temporary
// removed. `bytes_bound`, when given, bounds the file's size from the frame
// size and the number encoded: ENotEnoughSpace (free_space.h) is raised
// before anything is written when the target's file system cannot hold
// that much.
// Raises PlatformError: VideoCreateFile when the temporary cannot be made,
// VideoWriteFrame when a later frame has another size or no picture, and
// whatever the writer raises; the
// temporary is removed on every way out but Written.
EncodedFrames EncodeGeneratedFrames(const Project& project, const FrameSequence& sequence,
                                    const std::filesystem::path& target, VideoWriterSettings settings,
                                    const FramePassDialog& dialog, Progress& progress, const FrameRange& frames,
                                    uint64_t (*bytes_bound)(int width, int height, int frames) = nullptr,
                                    const OutputSize& size = {});

}  // namespace kt58
