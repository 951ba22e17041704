// SPDX-License-Identifier: GPL-3.0-or-later
// What an export will hold in memory at its peak, worked out from the frame
// size before it starts, and how it stays within the process's memory
// budget: fewer encoder threads, less lookahead, fewer GIF frames in flight,
// or a refusal in one line that names the numbers.
//
// The figures are bytes per pixel of a frame, measured on 8192 x 4096
// frames with each encoder's settings and rounded up; our own buffers (the
// composed frame, its scaled copy and the encoder's input) come on top.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/errors.h"
#include "export/frame_scale.h"
#include "model/project.h"
#include "platform/video_writer.h"

namespace kt58 {

// "Exporting 8192 x 4096 frames as MP4 needs about 1700 MB of memory; the
// memory limit is 1024 MB."
class ENotEnoughMemory : public Kt58Error {
 public:
  using Kt58Error::Kt58Error;
};

struct EncoderPlan {
  int threads = 0;     // 0: the encoder's own choice
  int lookahead = -1;  // -1: the encoder's default
  uint64_t bytes = 0;  // the peak expected
};

// The encoder settings for the project's frames written at `size`: the
// encoder's defaults while their peak fits the budget, else one thread
// fewer at a time and then less lookahead. Raises ENotEnoughMemory when one
// thread without lookahead does not fit.
EncoderPlan PlanVideoEncoder(VideoFormat format, const Project& project, const OutputSize& size, uint64_t budget);

// How many GIF frames may be between composing and writing at once (at most
// `wanted`). Raises ENotEnoughMemory when not even one fits.
int PlanGifFramesInFlight(const Project& project, const OutputSize& size, int wanted, uint64_t budget);

// Exports whose writer holds one frame at a time (AVI, picture sequences, a
// single frame): raises ENotEnoughMemory when one composed frame and its
// writing do not fit; else the bytes that takes. `what` names the output
// ("AVI", "BMP").
uint64_t CheckFrameAtATime(const std::string& what, const Project& project, const OutputSize& size,
                           uint64_t budget);

// How many frames may be composed ahead of the writer at once (the slots
// of an OrderedFrames): two a worker thread, as far as the budget allows
// beyond the `planned` bytes of the rest of the export, which hold one
// already. At least 1.
size_t PlanComposedFrames(const Project& project, const OutputSize& size, uint64_t planned, uint64_t budget);

}  // namespace kt58
