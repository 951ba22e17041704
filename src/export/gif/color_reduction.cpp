// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/gif/color_reduction.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "export/gif/color_lookup.h"
#include "export/gif/dither.h"
#include "export/gif/gif_exception.h"
#include "export/gif/global_palette.h"
#include "export/gif/octree_quantizer.h"
#include "export/gif/palette_refinement.h"
#include "export/gif/palettes.h"

namespace kt58 {

namespace {

constexpr int kWindowsHead = 10;         // entries 0-9 of the system palette
constexpr int kWindowsTailStart = 246;   // entries 246-255
constexpr int kWindowsOctreeColors = kWindowsTailStart - kWindowsHead;  // 236

template <class Lookup>
IndexedPicture Map(const Picture& picture, int dither, Lookup& lookup, GifPalette palette,
                   const PreviousFrame& previous = {}) {
  IndexedPicture out;
  out.width = picture.Width();
  out.height = picture.Height();
  out.palette = std::move(palette);
  out.indices.resize(static_cast<size_t>(out.width) * static_cast<size_t>(out.height));
  MapPicture(picture, dither, lookup, out.indices.data(), previous);
  return out;
}

IndexedPicture MapNearest(const Picture& picture, int dither, const GifPalette& palette) {
  NearestEntryLookup lookup(palette);
  return Map(picture, dither, lookup, palette);
}

// Assignment and update passes after the octree (each about 1 ms on a
// 640x480 frame); the gain levels off at about six. The refinement models
// the undithered look-up (each 5-bit cell decided by its first colour);
// under error diffusion the colours looked up are others, and there it
// measurably lowers the quality, so diffused frames keep the octree's
// palette.
constexpr int kRefinePasses = 6;

int RefinePassesFor(int dither) { return dither == dmNearest ? kRefinePasses : 0; }

// The octree's palette; merged tells whether leaves were merged (only then
// is it worth refining: otherwise it holds every colour exactly).
GifPalette QuantizedPalette(const ColorHistogram& histogram, int colors, bool& merged) {
  OctreeQuantizer quantizer(colors);
  quantizer.AddHistogram(histogram);
  merged = quantizer.Merged();
  return quantizer.Palette();
}

// Removes entries equal to an earlier one (the look-up never picks them).
void DropRepeats(GifPalette& palette) {
  GifPalette kept;
  kept.reserve(palette.size());
  for (const GifColor& c : palette)
    if (std::find(kept.begin(), kept.end(), c) == kept.end()) kept.push_back(c);
  palette = std::move(kept);
}

}  // namespace

IndexedPicture ReduceColors(const Picture& picture, int reduction, int bits, int dither,
                            const GifPalette* caller_palette) {
  // An unknown dither code is refused before any work is done.
  DitherKernelFor(dither);
  if (picture.Empty()) throw GIFException("Image is empty");

  switch (reduction) {
    case rmNone: {
      // Kept exactly when it fits in one colour table; no colour changes, so
      // there is no error to diffuse.
      ExactLookup lookup;
      if (!lookup.Build(picture.RowStart(), picture.Stride(), picture.Width(), picture.Height()))
        throw GIFException("Invalid reduction method");
      return Map(picture, dmNearest, lookup, lookup.Palette());
    }
    case rmWindows20:
      return MapNearest(picture, dither, WindowsSystemPalette20());
    case rmWindowsGray:
      return MapNearest(picture, dither, FourGreysPalette());
    case rmMonochrome: {
      MonochromeLookup lookup;
      return Map(picture, dither, lookup, MonochromePalette());
    }
    case rmGrayScale: {
      GreyLevelLookup lookup;
      return Map(picture, dither, lookup, GreyScalePalette());
    }
    case rmNetscape: {
      CubeLookup lookup;
      return Map(picture, dither, lookup, NetscapeCubePalette());
    }
    case rmQuantize: {
      if (bits < 3 || bits > 8) throw GIFException("Invalid Bits Per Pixel value");
      bool merged = false;
      const ColorHistogram histogram = ColorHistogramOf(picture);
      GifPalette palette = QuantizedPalette(histogram, 1 << bits, merged);
      if (merged) {
        RefinePalette(histogram, palette, 0, palette.size(), RefinePassesFor(dither));
        DropRepeats(palette);
      }
      return MapNearest(picture, dither, palette);
    }
    case rmQuantizeWindows: {
      // Always 256 entries so the Windows colours keep their places; slots
      // the quantiser leaves empty are black.
      const GifPalette& windows = WindowsSystemPalette20();
      bool merged = false;
      const ColorHistogram histogram = ColorHistogramOf(picture);
      const GifPalette quantized = QuantizedPalette(histogram, kWindowsOctreeColors, merged);
      GifPalette palette(256, GifColor{0, 0, 0});
      for (int i = 0; i < kWindowsHead; ++i) palette[static_cast<size_t>(i)] = windows[static_cast<size_t>(i)];
      for (size_t i = 0; i < quantized.size(); ++i) palette[kWindowsHead + i] = quantized[i];
      for (int i = 0; i < 10; ++i)
        palette[static_cast<size_t>(kWindowsTailStart + i)] = windows[static_cast<size_t>(kWindowsHead + i)];
      // The system colours stay put but serve pixels like any other entry.
      if (merged)
        RefinePalette(histogram, palette, kWindowsHead, kWindowsHead + quantized.size(), RefinePassesFor(dither));
      return MapNearest(picture, dither, palette);
    }
    case rmGlobal: {
      if (bits < 3 || bits > 8) throw GIFException("Invalid Bits Per Pixel value");
      GlobalPaletteBuilder builder(1 << bits);
      builder.AddHistogram(ColorHistogramOf(picture));
      const GifPalette palette = builder.Palette();
      if (palette.empty()) throw GIFException("Color table is empty");
      return MapToSharedPalette(picture, ExactNearestAnswers(palette), dither);
    }
    case rmPalette: {
      if (caller_palette == nullptr || caller_palette->empty()) throw GIFException("Color table is empty");
      if (caller_palette->size() > 256) throw GIFException("Invalid reduction method");
      return MapNearest(picture, dither, *caller_palette);
    }
    case rmWindows256:  // the halftone palette is not supplied
    default:
      throw GIFException("Invalid reduction method");
  }
}

IndexedPicture MapToSharedPalette(const Picture& picture, const ExactNearestAnswers& shared, int dither,
                                  const PreviousFrame& previous) {
  DitherKernelFor(dither);
  if (picture.Empty()) throw GIFException("Image is empty");
  ExactNearestLookup lookup(shared);
  return Map(picture, dither, lookup, shared.Palette(), previous);
}

}  // namespace kt58
