// SPDX-License-Identifier: GPL-3.0-or-later
// The frame optimiser's steps that need no more than one frame and the frame
// shown before it. GifImage::Optimize applies them to a whole image; the
// animated GIF export applies them to each frame as soon as it is built, so
// that the frames never have to be held together.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>

#include "export/gif/gif_image.h"

namespace kt58 {

// Colour table sorted by use, most used first (ties keep their order),
// unused entries dropped unless `keep` says so (a transparent index). remap
// receives each old index's new one.
GifPalette SortedByUse(const GifPalette& map, const std::array<uint64_t, 256>& counts,
                       const std::array<bool, 256>& keep, std::array<uint8_t, 256>& remap);

// What merging did to one frame.
struct GifMergeResult {
  std::optional<GifFrame> frame;  // the smaller form (packed); none: keep the frame
  bool needs_global_entry = false;    // only a new global entry would serve
  bool grows_global = false;          // the form uses a new black entry appended to the global table
};

// Frame cur (indices referring to cur_map) loses the pixels that show what
// the frame before it, `shown` (as it was before merging, indices referring
// to shown_map), already shows there. Three forms are tried (one when the
// frame is to be written at a lossy level above 0) and the one that takes
// the fewest bytes in the file (cropped first when cropping follows,
// encoded exactly with `compression`) is kept when it is smaller than
// cur_size, the bytes cur takes encoded so. A frame that could
// only merge by adding an entry to the global table gives
// needs_global_entry unless may_grow_global. The pixels compared are the
// exact ones: with lossy writing, a pixel left transparent shows the earlier
// frame's written colour, which lies within the lossy bound of the colour
// both frames want there. A frame that had no transparency before is marked
// as merged (GifFrame::MergedTransparency).
GifMergeResult MergeWithShown(const GifFrame& shown, const GifPalette& shown_map, const GifFrame& cur,
                              const GifPalette& cur_map, size_t cur_size, bool crop_follows, int compression,
                              int lossy, bool may_grow_global);

// Crops a transparent frame to its pixels that are not transparent. False,
// leaving the frame as it was, when every pixel is transparent.
bool CropToOpaque(GifFrame& frame);

// Whether the extension changes nothing a viewer shows: comments, texts and
// foreign application blocks; the loop extension except on the first frame
// of an animation; a graphic control extension without delay, input,
// transparency or a disposal that clears.
bool IsPassiveExtension(const GifExtension& ext, bool first, bool single);

// The single colour map's pieces. Colours are pooled as counts of pixels per
// colour over every frame (a transparent index's pixels count for nothing);
// the table keeps the most used 256 (255 when a frame is transparent; ties
// in colour order) and every frame's entry maps to the kept colour with the
// smallest sum of absolute component differences.
using GifColorCounts = std::map<uint32_t, uint64_t>;  // 0xRRGGBB -> pixels
void CountColors(const GifPalette& map, const std::array<uint64_t, 256>& index_counts, int transparent,
                 GifColorCounts& counts);
GifPalette SingleColorMapOf(const GifColorCounts& counts, bool needs_transparent);
std::array<uint8_t, 256> SingleColorMapRemap(const GifPalette& map, int transparent, const GifPalette& kept,
                                             int transparent_entry);

// Disposal method of a frame's graphic control extension (0 without one).
int DisposalOf(const GifFrame& frame);

}  // namespace kt58
