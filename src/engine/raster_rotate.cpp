// SPDX-License-Identifier: GPL-3.0-or-later
// Rotation of a picture about its centre, with or without bilinear sampling.
//
// Each target pixel (x, y) maps back to the source through
//   u = xx*c - yy*s,  v = xx*s + yy*c
// with xx, yy the pixel centre in half-pixel units relative to the centre.
// xx*c and xx*s depend on the column only and yy*s, yy*c on the row only;
// they are computed once each, which gives the very same doubles as forming
// the products per pixel, while u and v themselves are formed per pixel
// (accumulating them by steps would not round the same).
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/raster_internal.h"
#include "engine/raster_ops.h"
#include "platform/numeric.h"

namespace kt58 {

using raster_detail::RoundToInt;
using raster_detail::SampleBilinearInto;

BGR SampleBilinear(const Picture& picture, double row, double column) {
  // Written so that a NaN coordinate fails every comparison.
  if (!(row >= 0 && column >= 0 && row <= picture.Height() - 1 && column <= picture.Width() - 1))
    throw EngineError(EngineErrorCode::RasterArgument, "Sample point outside the picture");
  uint8_t out[3];
  SampleBilinearInto(picture.RowStart(), picture.Stride(), row, column, out);
  return BGR{out[0], out[1], out[2]};
}

RotationShift RotatePicture(Picture& picture, Color fill_color, bool anti_alias, double angle_degrees) {
  if (!std::isfinite(angle_degrees))
    throw EngineError(EngineErrorCode::RasterArgument, "Rotation angle is not a finite number");
  const double theta = angle_degrees * 0.017453292519943295;
  const double s = std::sin(theta);
  const double c = std::cos(theta);
  const int w = picture.Width(), h = picture.Height();
  const int cx = w / 2, cy = h / 2;
  const int nw = std::abs(RoundHalfEven(h * s)) + std::abs(RoundHalfEven(w * c));
  const int nh = std::abs(RoundHalfEven(w * s)) + std::abs(RoundHalfEven(h * c));
  const RotationShift shift{(w - nw) / 2, (h - nh) / 2};

  Picture& turned = raster_detail::ScratchPicture();
  turned.SetSizeForOverwrite(nw, nh);

  std::vector<double> xc(static_cast<size_t>(nw)), xs(static_cast<size_t>(nw));
  for (int x = 0; x < nw; ++x) {
    const int xx = 2 * (x - (nw - w) / 2 - cx) + 1;
    xc[static_cast<size_t>(x)] = xx * c;
    xs[static_cast<size_t>(x)] = xx * s;
  }

  const BGR fill = ColorToBGR(fill_color);
  const uint8_t* src = picture.RowStart();
  const ptrdiff_t stride = picture.Stride();
  const double last_col = w - 1, last_row = h - 1;

  for (int y = 0; y < nh; ++y) {
    const int yy = 2 * (y - (nh - h) / 2 - cy) + 1;
    const double ys = yy * s;
    const double yc = yy * c;
    uint8_t* d = turned.Row(y);
    if (!anti_alias) {
      for (int x = 0; x < nw; ++x, d += 3) {
        const double u = xc[static_cast<size_t>(x)] - ys;
        const double v = xs[static_cast<size_t>(x)] + yc;
        const int sx = (RoundToInt(u) - 1) / 2 + cx;
        const int sy = (RoundToInt(v) - 1) / 2 + cy;
        if (static_cast<unsigned>(sx) < static_cast<unsigned>(w) && static_cast<unsigned>(sy) < static_cast<unsigned>(h)) {
          const uint8_t* p = src + sy * stride + 3 * sx;
          d[0] = p[0];
          d[1] = p[1];
          d[2] = p[2];
        } else {
          d[0] = fill.b;
          d[1] = fill.g;
          d[2] = fill.r;
        }
      }
    } else {
      for (int x = 0; x < nw; ++x, d += 3) {
        const double u = xc[static_cast<size_t>(x)] - ys;
        const double v = xs[static_cast<size_t>(x)] + yc;
        const double fx = (u - 1.0) / 2.0 + cx;
        const double fy = (v - 1.0) / 2.0 + cy;
        if (fx >= 0 && fx <= last_col && fy >= 0 && fy <= last_row) {
          SampleBilinearInto(src, stride, fy, fx, d);
        } else {
          d[0] = fill.b;
          d[1] = fill.g;
          d[2] = fill.r;
        }
      }
    }
  }

  picture.SwapWith(turned);
  return shift;
}

}  // namespace kt58
