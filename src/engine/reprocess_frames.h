// SPDX-License-Identifier: GPL-3.0-or-later
// Thinning a frame store to the frames the user kept.
#pragma once

#include "engine/frame_store.h"
#include "platform/progress.h"

namespace kt58 {

// Rewrites the store keeping the frames whose mark (the store's FrameOffsets
// entries, replaced by the caller) is 0, through "bStream.Tmp" in the program
// folder; a failure part-way leaves the old store intact. Reports each frame
// read but does not stop early: the old offsets, which the marks replaced,
// are only known again once every frame has been walked.
void ReprocessFrames(FrameStore& store, Progress& progress);

}  // namespace kt58
