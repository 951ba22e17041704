// SPDX-License-Identifier: GPL-3.0-or-later
// Frame composition: background, then every layer from the bottom of the
// list to the top, each taken from its resource, changed by its effects and
// drawn with its blending.
#pragma once

#include <cstdint>

#include "engine/colors.h"
#include "engine/picture.h"
#include "model/project.h"
#include "platform/progress.h"
#include "render/frame_cache.h"
#include "render/frame_clock.h"
#include "render/frame_sequence.h"

namespace kt58 {

// The frame-sized picture of `frame`, or none for no frame or a frame
// without layers. A function of its inputs: the same picture for the same
// frame and clock whatever was composed before and on whichever thread, as
// long as nothing changes the project, the frame or the resources
// meanwhile. Stored frames are read by index (FrameStore::ReadFrameAt); a
// layer that fails is left out and the frame goes on.
WorkPicture ComposeFrame(const Project& project, const SequencedFrame* frame, FrameClock clock);
// The same picture composed into `picture`, whose buffer is reused: a caller
// that composes frame after frame keeps one picture for them all. False
// (picture left as it was) for no frame or a frame without layers.
bool ComposeFrameInto(const Project& project, const SequencedFrame* frame, FrameClock clock, Picture& picture);

// The colour every frame is filled with before its layers: the project's
// background colour, resolved. What a transparent export keys out.
BGR BackgroundBgr(const Project& project);

// Composes every frame of the sequence, stepping, into a new frame cache,
// reporting each frame ("Rendering Frames...").
FrameCache ComposeAllFrames(const Project& project, const FrameSequence& sequence, Progress& progress);

}  // namespace kt58
