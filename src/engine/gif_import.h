// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures from GIF files: the still picture of a GIF, and every frame of an
// animated GIF rendered into a frame store.
#pragma once

#include <filesystem>
#include <memory>

#include "engine/frame_store.h"
#include "engine/picture.h"
#include "platform/gif_decoder.h"
#include "platform/progress.h"

namespace kt58 {

// The decoded GIF; raises EngineError (GifDecode) with the decoder's reason (a file that
// is no GIF, a logical screen beyond the picture limits, no image at all).
DecodedGif ReadGifFile(const std::filesystem::path& path);
// The decoded GIF, or none when the file cannot be read.
std::unique_ptr<DecodedGif> LoadGifFile(const std::filesystem::path& path);

// Paints the whole GIF as a still picture (no transparency) over the picture,
// which must be the logical screen's size: the background colour, then the
// first image at its position.
void PaintGifStill(const DecodedGif& gif, Picture& target);
// Draws image i at its own position, transparent pixels leaving the target
// unchanged; no tiling, parts outside the target are clipped.
void DrawGifImage(const DecodedGif& gif, int index, Picture& target);

// Renders every image into the store (no disposal: each frame is the one
// before with image i drawn over it), reporting each frame. Returns the
// first still picture, or none when the file cannot be read. A store folder
// without room for every frame raises ENotEnoughSpace before the first is
// written; a frame the disk refuses raises EngineError (StoreWrite). When the
// progress asks to stop, the store is discarded (its file deleted) and
// Cancelled is raised. In probe mode, or without an open store file, only
// the still picture is made and nothing is reported.
WorkPicture ImportGif(FrameStore& store, const std::filesystem::path& path, bool probe, Progress& progress);

}  // namespace kt58
