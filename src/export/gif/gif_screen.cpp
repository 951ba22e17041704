// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/gif/gif_screen.h"

#include <algorithm>
#include <unordered_map>

#include "export/gif/gif_frame_optimizer.h"

namespace kt58 {
namespace {

constexpr uint32_t kRefused = 0xFFFFFFFFu;  // beneath: the transparent index may not stand in

uint32_t Rgb(const GifColor& c) { return (uint32_t{c.r} << 16) | (uint32_t{c.g} << 8) | c.b; }

uint32_t SquaredDistance(uint32_t a, uint32_t b) {
  const int dr = static_cast<int>((a >> 16) & 255) - static_cast<int>((b >> 16) & 255);
  const int dg = static_cast<int>((a >> 8) & 255) - static_cast<int>((b >> 8) & 255);
  const int db = static_cast<int>(a & 255) - static_cast<int>(b & 255);
  return static_cast<uint32_t>(dr * dr + dg * dg + db * db);
}

// Transparency scattered through moving content breaks the strings of
// the colours around it and fills the table with strings of both: a pixel
// may become transparent only within a run of at least this many pixels of
// a row that all may. On the benchmark video this gives a smaller file at
// a tenth of a decibel more than transparency wherever it is near enough,
// and what is shown no longer drifts away from the animation frame by frame.
constexpr int kMinTransparentRun = 32;
// Inside a run of pixels left by merging over exactly the colour they stand
// for, a colour would only break the transparency; the pixels this near
// either end of the run may still carry on a string of the colours beside.
constexpr int kTransparentRunEdge = 4;

// Refuses the transparent index (beneath) outside runs of kMinTransparentRun
// pixels that may take it, and keeps the pixels inside the runs of merged
// pixels shown exactly (more than kTransparentRunEdge from either end) to
// the transparent index alone (wanted). indices: the frame's own.
void ShapeTransparency(const GifFrame& f, int t, const std::vector<uint8_t>& indices, uint32_t max_error,
                       std::vector<uint8_t>& wanted, std::vector<uint32_t>& beneath) {
  const auto runs = [&](size_t row, const auto& in, const auto& apply) {
    for (int x = 0; x < f.Width();) {
      if (!in(row + x)) {
        ++x;
        continue;
      }
      int end = x;
      while (end < f.Width() && in(row + end)) ++end;
      apply(row + x, row + end);
      x = end;
    }
  };
  for (int y = 0; y < f.Height(); ++y) {
    const size_t row = static_cast<size_t>(y) * f.Width();
    runs(row, [&](size_t k) { return beneath[k] <= max_error && wanted[k] != t; },
         [&](size_t from, size_t to) {
           if (to - from < kMinTransparentRun) std::fill(beneath.begin() + static_cast<ptrdiff_t>(from), beneath.begin() + static_cast<ptrdiff_t>(to), kRefused);
         });
    runs(row, [&](size_t k) { return beneath[k] == 0 && indices[k] == t; },
         [&](size_t from, size_t to) {
           for (size_t k = from + kTransparentRunEdge; k + kTransparentRunEdge < to; ++k)
             wanted[k] = static_cast<uint8_t>(t);
         });
  }
}

}  // namespace

GifScreen::GifScreen(int left, int top, int width, int height)
    : left_(left),
      top_(top),
      width_(width),
      height_(height),
      shown_(static_cast<size_t>(width) * static_cast<size_t>(height), kNothing),
      wanted_(shown_) {}

ptrdiff_t GifScreen::At(const GifFrame& f, int x, int y) const {
  const int sx = f.Left() + x - left_, sy = f.Top() + y - top_;
  if (sx < 0 || sy < 0 || sx >= width_ || sy >= height_) return -1;
  return static_cast<ptrdiff_t>(sy) * width_ + sx;
}

GifLossyFrame GifScreen::Encode(const GifFrame& f, const std::vector<uint8_t>& indices, const LzwTolerance& tolerance,
                                int code_size, const Picture* source) const {
  GifLossyFrame out;
  out.wanted = indices;
  const GifPalette& map = *tolerance.colors;
  const int t = f.TransparentIndex();
  const bool merged = f.MergedTransparency() && t >= 0;
  std::vector<uint32_t> beneath;
  if (merged) {
    // A merged pixel wants what the frame before wanted (merging compares
    // the exact colours), which the frame's table holds under an index
    // other than the transparent one.
    std::unordered_map<uint32_t, uint8_t> index_of;
    for (size_t c = map.size(); c-- > 0;)
      if (static_cast<int>(c) != t) index_of[Rgb(map[c])] = static_cast<uint8_t>(c);
    beneath.assign(indices.size(), kRefused);
    uint32_t last_colour = kNothing;
    int last_index = -1;
    for (int y = 0; y < f.Height(); ++y) {
      for (int x = 0; x < f.Width(); ++x) {
        const size_t k = static_cast<size_t>(y) * f.Width() + x;
        const ptrdiff_t p = At(f, x, y);
        const uint32_t shown = p >= 0 ? shown_[static_cast<size_t>(p)] : kNothing;
        if (indices[k] != t) {
          if (shown != kNothing) beneath[k] = SquaredDistance(shown, Rgb(map[indices[k]]));
          continue;
        }
        beneath[k] = 0;
        const uint32_t want = p >= 0 ? wanted_[static_cast<size_t>(p)] : kNothing;
        if (shown == kNothing || want == kNothing) continue;
        if (want != last_colour) {
          const auto it = index_of.find(want);
          last_colour = want;
          last_index = it == index_of.end() ? -1 : it->second;
        }
        if (last_index < 0) continue;
        out.wanted[k] = static_cast<uint8_t>(last_index);
        beneath[k] = SquaredDistance(shown, want);
      }
    }
    ShapeTransparency(f, t, indices, tolerance.max_error, out.wanted, beneath);
  }
  // The source and, for the transparent index, what is shown, as RGB per
  // pixel of the frame.
  std::vector<uint8_t> source_rgb, shown_rgb;
  if (source && f.Left() + f.Width() <= source->Width() && f.Top() + f.Height() <= source->Height()) {
    source_rgb.resize(indices.size() * 3);
    if (merged) shown_rgb.resize(indices.size() * 3);
    for (int y = 0; y < f.Height(); ++y) {
      const uint8_t* bgr = source->Row(f.Top() + y) + 3 * static_cast<size_t>(f.Left());
      for (int x = 0; x < f.Width(); ++x, bgr += 3) {
        const size_t k = 3 * (static_cast<size_t>(y) * f.Width() + x);
        source_rgb[k] = bgr[2];
        source_rgb[k + 1] = bgr[1];
        source_rgb[k + 2] = bgr[0];
        const ptrdiff_t p = At(f, x, y);
        if (!merged || p < 0) continue;
        const uint32_t c = shown_[static_cast<size_t>(p)];
        shown_rgb[k] = static_cast<uint8_t>(c >> 16);
        shown_rgb[k + 1] = static_cast<uint8_t>(c >> 8);
        shown_rgb[k + 2] = static_cast<uint8_t>(c);
      }
    }
  }
  LzwTolerance full = tolerance;
  full.beneath = beneath.empty() ? nullptr : beneath.data();
  full.source = source_rgb.empty() ? nullptr : source_rgb.data();
  full.shown = shown_rgb.empty() ? nullptr : shown_rgb.data();
  out.data = LzwEncoder::EncodeLossy(out.wanted.data(), out.wanted.size(), code_size, full, &out.written);
  return out;
}

void GifScreen::Show(const GifFrame& f, const GifPalette& map, const GifLossyFrame& lossy) {
  const int disposal = DisposalOf(f);
  // The picture a later frame is drawn over is the one left after disposal.
  if (disposal == dmPrevious) return;
  const int t = f.TransparentIndex();
  for (int y = 0; y < f.Height(); ++y) {
    for (int x = 0; x < f.Width(); ++x) {
      const ptrdiff_t p = At(f, x, y);
      if (p < 0) continue;
      const auto s = static_cast<size_t>(p);
      if (disposal == dmBackground) {
        shown_[s] = wanted_[s] = kNothing;
        continue;
      }
      const size_t k = static_cast<size_t>(y) * f.Width() + x;
      if (lossy.wanted[k] != t) wanted_[s] = Rgb(map[lossy.wanted[k]]);
      if (lossy.written[k] != t) shown_[s] = Rgb(map[lossy.written[k]]);
    }
  }
}

}  // namespace kt58
