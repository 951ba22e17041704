// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/gif/rle_encoder.h"

#include <algorithm>
#include <vector>

#include "export/gif/gif_code_writer.h"

namespace kt58 {

// The encoder mirrors the decoder's table. Every code a decoder reads after
// the first one since a clear defines the entry "previous string + first index
// of this string". Because only runs are sent, the previous string is always
// c^j (j copies of index c); when this code's string starts with c too, the
// decoder learns c^(j+1). So for each index the learned run lengths are always
// 1..max_len, and the code for "c^(j+1)" may be sent before the decoder has
// defined it: that is the code being defined right now, which a decoder
// resolves as previous + its first index.
std::vector<uint8_t> RleEncoder::Encode(const uint8_t* indices, size_t count, int min_code_size) {
  std::vector<uint8_t> out;
  out.reserve(count / 8 + 16);
  GifCodeWriter writer(out);
  const int colors = 1 << min_code_size;
  const int clear = colors;
  const int eoi = clear + 1;
  int bits = min_code_size + 1;
  int next = eoi + 1;  // entry the decoder defines on the next code it reads
  bool have_prev = false;
  int prev_color = 0;
  int prev_len = 0;

  // code_of_len[c * kGifTableSize + k]: a code whose string is c^k, valid for
  // k <= max_len[c]. Lengths never exceed the table size.
  std::vector<uint16_t> code_of_len(static_cast<size_t>(colors) * kGifTableSize);
  std::vector<int> max_len(colors, 1);
  for (int c = 0; c < colors; ++c) code_of_len[static_cast<size_t>(c) * kGifTableSize + 1] = static_cast<uint16_t>(c);
  std::vector<int> touched;  // indices whose max_len grew since the last clear

  auto reset = [&] {
    for (int c : touched) max_len[c] = 1;
    touched.clear();
    bits = min_code_size + 1;
    next = eoi + 1;
    have_prev = false;
  };

  writer.Put(static_cast<unsigned>(clear), bits);
  size_t i = 0;
  while (i < count) {
    const int c = indices[i];
    size_t run = 1;
    while (i + run < count && indices[i + run] == c) ++run;
    i += run;
    while (run > 0) {
      // Keep the decoder's table below its last code (4095), as an LZW
      // encoder restarting the table one entry early would.
      if (have_prev && next >= kGifTableSize - 1) {
        writer.Put(static_cast<unsigned>(clear), bits);
        reset();
      }
      int len = static_cast<int>(std::min<size_t>(run, static_cast<size_t>(max_len[c])));
      int code = code_of_len[static_cast<size_t>(c) * kGifTableSize + len];
      if (have_prev && prev_color == c && prev_len + 1 > len && static_cast<size_t>(prev_len) + 1 <= run) {
        len = prev_len + 1;
        code = next;
      }
      writer.Put(static_cast<unsigned>(code), bits);
      if (have_prev) {
        if (prev_color == c && prev_len + 1 > max_len[c]) {
          if (max_len[c] == 1) touched.push_back(c);
          max_len[c] = prev_len + 1;
          code_of_len[static_cast<size_t>(c) * kGifTableSize + max_len[c]] = static_cast<uint16_t>(next);
        }
        ++next;
      }
      if (next >= (1 << bits) && bits < kGifMaxCodeBits) ++bits;
      have_prev = true;
      prev_color = c;
      prev_len = len;
      run -= static_cast<size_t>(len);
    }
  }
  writer.Put(static_cast<unsigned>(eoi), bits);
  writer.Flush();
  return out;
}

}  // namespace kt58
