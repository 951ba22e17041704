// Thinning a frame store to the frames the user kept.
#pragma once

#include "engine/frame_store.h"

namespace kt58 {

// Rewrites the store keeping the frames whose mark (the store's FrameOffsets
// entries, replaced by the caller) is 0, through "bStream.Tmp" in the program
// folder; a failure part-way leaves the old store intact.
void ReprocessFrames(FrameStore& store);

}  // namespace kt58
