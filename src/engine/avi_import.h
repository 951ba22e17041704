// SPDX-License-Identifier: GPL-3.0-or-later
// Importing the first video stream of an AVI file into a frame store.
#pragma once

#include <filesystem>

#include "engine/frame_store.h"
#include "engine/picture.h"
#include "platform/progress.h"

namespace kt58 {

// Decodes every frame from the stream's start position to its length - 1
// into the store, reporting each frame before it is decoded. Returns the
// first frame, or none when nothing could be opened or a frame failed to
// convert. Before the first frame is written, a store folder without room
// for every frame raises ENotEnoughSpace; a frame the disk refuses raises
// EngineError (StoreWrite). When the progress asks to stop, the store is
// discarded (its file deleted) and Cancelled is raised. In probe mode only the first frame is
// decoded, nothing is stored and nothing is reported.
WorkPicture ImportAvi(FrameStore& store, const std::filesystem::path& path, bool probe, Progress& progress);

}  // namespace kt58
