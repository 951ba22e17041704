// SPDX-License-Identifier: GPL-3.0-or-later
// Pixel operations of frame composition on 24-bit pictures: drawing a layer
// onto a frame (colour key, blending, tint), rotation, cyclic pixel shifts,
// mirror, flip, bevel, and filling rectangles.
#pragma once

#include <cstdint>

#include "engine/colors.h"
#include "engine/errors.h"
#include "engine/picture.h"

namespace kt58 {

enum BlendType : int { bt_No_Blend = 0, bt_Blend = 1, bt_H_Blend = 2, bt_V_Blend = 3 };
enum PixelRotateDirection : int { pr_Up = 0, pr_Down = 1, pr_Left = 2, pr_Right = 3 };

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
};

struct RotationShift {
  int dx = 0, dy = 0;
  friend bool operator==(const RotationShift&, const RotationShift&) = default;
};

// Fills the rectangle (clipped to the picture) with a solid colour; system
// colours are resolved as a brush would. An inverted rectangle fills nothing.
void FillColorRect(Picture& picture, Color color, const Rect& rect);

// Draws `layer` onto `frame` with its top-left pixel at column x, row y.
// Pixels equal to transparent_color are skipped. Transparency is the percent
// of the frame pixel that stays visible (0 for blend type 0; constant for 1;
// from transparency to alt_transparency across the layer for 2 and 3; any
// other type behaves as 1). Both transparencies are clamped to 0..100: beyond
// that the byte formula leaves 0..255. The tint replaces each drawn pixel's
// hue by tint_color, keeping its brightest byte. x and y may lie anywhere,
// also far outside the frame; the layer may be the frame itself. Never raises.
void DrawLayerPicture(const Picture& layer, Picture& frame, int blend_type, int transparency,
                      int alt_transparency, Color transparent_color, bool tint_enabled, Color tint_color,
                      int x, int y) noexcept;

// Bilinear sample at fractional (row, column), both within the picture;
// raises EngineError (RasterArgument) for a point outside it (or not a number), which
// includes every point of an empty picture.
BGR SampleBilinear(const Picture& picture, double row, double column);

// Replaces the picture by itself turned by angle_degrees (counter-clockwise on
// screen for positive angles), enlarged to hold it, uncovered corners filled
// with fill_color. Returns the shifts that keep its centre in place. Raises
// EngineError (RasterArgument) for an angle that is not finite and EngineError (PictureSize) when the
// turned picture would be too large; the picture is then unchanged.
RotationShift RotatePicture(Picture& picture, Color fill_color, bool anti_alias, double angle_degrees);

// Cyclic row shift: direction 0 Up or 1 Down. Amounts are taken modulo the
// height. Never raises; on failure the picture is unchanged.
void PixelRotateVertical(Picture& picture, int direction, int amount) noexcept;
// Cyclic column shift: direction 2 Left or 3 Right. Amounts are taken modulo
// the width. Never raises; on failure the picture is unchanged.
void PixelRotateHorizontal(Picture& picture, int direction, int amount) noexcept;

// Reverses every row in place.
void MirrorPicture(Picture& picture);
// Reverses the order of the rows (through a second picture; an allocation
// failure is passed on with the picture unchanged).
void FlipPicture(Picture& picture);

// Bevels the four edges in place with bands of `width` pixels blending toward
// the highlight (left, top) and the shadow (right, bottom). The width is
// clamped to the picture's smaller side (bands may overlap); 0 or less
// changes nothing; a
// width of 1 paints the outermost ring: highlight on the left column and the
// whole top row, shadow on the rest of the right column and bottom row.
// Never raises.
void ButtonizePicture(Picture& picture, int width, Color highlight, Color shadow) noexcept;

}  // namespace kt58
