// SPDX-License-Identifier: GPL-3.0-or-later
// Run-length compressed BMP pixel data (RLE4, RLE8 and OS/2 RLE24).
//
// The stream is a sequence of byte pairs. A pair (n > 0, v) is a run of n
// pixels; (0, 0) ends the row, (0, 1) ends the bitmap, (0, 2) is followed by
// a column and a row delta, and (0, n >= 3) by n literal pixels padded to an
// even number of bytes. Rows run bottom-up: compressed data cannot be stored
// top-down, so row y of the stream is stored row y of the picture.
#include <algorithm>
#include <cstring>

#include "engine/bmp_layout.h"

namespace kt58::bmp {

namespace {

class RleWriter {
 public:
  RleWriter(Picture& pic) : pic_(pic), width_(pic.Width()), height_(pic.Height()) {}

  bool Done() const { return y_ >= height_; }
  // The last row is full: a stream that stops here without its end codes
  // still described every pixel.
  bool Complete() const { return Done() || (y_ == height_ - 1 && x_ >= width_); }

  // Pixels past the right edge are dropped; x stops at the edge so that it
  // cannot grow without bound over a long row of runs.
  void Put(const uint8_t* bgr) {
    if (x_ < width_) {
      std::memcpy(pic_.Bits() + static_cast<size_t>(y_) * pic_.RowBytes() + static_cast<size_t>(x_) * 3, bgr, 3);
      ++x_;
    }
  }
  void Skip(int n) { x_ = std::min(width_, x_ + n); }
  void EndRow() {
    x_ = 0;
    ++y_;
  }
  void Delta(int dx, int dy) {
    Skip(dx);
    y_ = std::min(height_, y_ + dy);
  }
  void Finish() { y_ = height_; }

 private:
  Picture& pic_;
  int width_, height_;
  int x_ = 0, y_ = 0;
};

}  // namespace

void DecodeRle(const Layout& layout, const Palette& palette, const uint8_t* data, size_t size, Picture& pic,
               const std::string& source_name) {
  RleWriter out(pic);
  size_t p = 0;
  const auto need = [&](size_t n) { return size - p >= n; };
  while (!out.Done()) {
    if (!need(2)) break;
    const uint8_t n = data[p];
    const uint8_t code = data[p + 1];
    if (n > 0) {
      // A run of n pixels of one colour (RLE4: two alternating colours).
      if (layout.form == PixelForm::kRle24) {
        if (!need(4)) break;
        const uint8_t bgr[3] = {data[p + 1], data[p + 2], data[p + 3]};
        for (int i = 0; i < n; ++i) out.Put(bgr);
        p += 4;
      } else if (layout.form == PixelForm::kRle8) {
        for (int i = 0; i < n; ++i) out.Put(palette[code].data());
        p += 2;
      } else {
        for (int i = 0; i < n; ++i) out.Put(palette[(i & 1) ? (code & 15) : (code >> 4)].data());
        p += 2;
      }
      continue;
    }
    p += 2;
    if (code == 0) {
      out.EndRow();
    } else if (code == 1) {
      out.Finish();
    } else if (code == 2) {
      if (!need(2)) break;
      out.Delta(data[p], data[p + 1]);
      p += 2;
    } else {
      // Literal pixels, padded to a 16-bit boundary.
      const size_t bytes = layout.form == PixelForm::kRle24  ? size_t{3} * code
                           : layout.form == PixelForm::kRle8 ? size_t{code}
                                                             : (size_t{code} + 1) / 2;
      if (!need(bytes)) break;
      const uint8_t* lit = data + p;
      for (int i = 0; i < code; ++i) {
        if (layout.form == PixelForm::kRle24)
          out.Put(lit + 3 * i);
        else if (layout.form == PixelForm::kRle8)
          out.Put(palette[lit[i]].data());
        else
          out.Put(palette[(i & 1) ? (lit[i / 2] & 15) : (lit[i / 2] >> 4)].data());
      }
      p += bytes + (bytes & 1);
      p = std::min(p, size);
    }
  }
  if (!out.Complete()) Fail(source_name, "compressed pixel data is cut short");
}

}  // namespace kt58::bmp
