// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/gif/gif_screen.h"

#include <algorithm>
#include <unordered_map>

#include "export/gif/gif_frame_optimizer.h"
#include "export/gif/lzw_encoder.h"

namespace kt58 {
namespace {

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

// Refuses the transparent index (beneath) outside such runs, except where
// the transparent index is wanted itself.
void KeepTransparencyToLongRuns(int width, int height, int t, const std::vector<uint8_t>& wanted, uint32_t max_error,
                                std::vector<uint32_t>& beneath) {
  for (int y = 0; y < height; ++y) {
    const size_t row = static_cast<size_t>(y) * width;
    const auto open = [&](int x) { return beneath[row + x] <= max_error && wanted[row + x] != t; };
    for (int x = 0; x < width;) {
      if (!open(x)) {
        ++x;
        continue;
      }
      int end = x;
      while (end < width && open(end)) ++end;
      if (end - x < kMinTransparentRun)
        std::fill(beneath.begin() + static_cast<ptrdiff_t>(row + x), beneath.begin() + static_cast<ptrdiff_t>(row + end),
                  0xFFFFFFFFu);
      x = end;
    }
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

GifLossyFrame GifScreen::Encode(const GifFrame& f, const std::vector<uint8_t>& indices, const GifPalette& map,
                                int code_size, uint32_t max_error) const {
  GifLossyFrame out;
  out.wanted = indices;
  const int t = f.TransparentIndex();
  std::vector<uint32_t> beneath;
  if (f.MergedTransparency() && t >= 0) {
    // A merged pixel wants what the frame before wanted (merging compares
    // the exact colours), which the frame's table holds under an index
    // other than the transparent one.
    std::unordered_map<uint32_t, uint8_t> index_of;
    for (size_t c = map.size(); c-- > 0;)
      if (static_cast<int>(c) != t) index_of[Rgb(map[c])] = static_cast<uint8_t>(c);
    constexpr uint32_t kRefused = 0xFFFFFFFFu;
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
  }
  if (!beneath.empty()) KeepTransparencyToLongRuns(f.Width(), f.Height(), t, out.wanted, max_error, beneath);
  out.data = LzwEncoder::EncodeLossy(out.wanted.data(), out.wanted.size(), code_size,
                                     LzwTolerance{&map, t, max_error, beneath.empty() ? nullptr : beneath.data()},
                                     &out.written);
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
