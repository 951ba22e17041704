// Importing the first video stream of an AVI file into a frame store.
#pragma once

#include <filesystem>

#include "engine/frame_store.h"
#include "engine/picture.h"

namespace kt58 {

// Decodes every frame from the stream's start position to its length - 1
// into the store, with a cancellable progress dialog. Returns the first
// frame, or none when nothing could be opened or a frame failed to convert.
// In probe mode only the first frame is decoded and nothing is stored.
WorkPicture ImportAvi(FrameStore& store, const std::filesystem::path& path, bool probe);

}  // namespace kt58
