// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/gif/lzw_decoder.h"

#include <array>

#include "export/gif/gif_code_writer.h"
#include "export/gif/gif_exception.h"

namespace kt58 {

std::vector<uint8_t> DecodeLzwStream(const uint8_t* data, size_t size, int min_code_size, size_t count) {
  if (min_code_size < 2 || min_code_size > 8) throw GIFException("Invalid LZW data");
  std::vector<uint8_t> out(count);
  // Each code's string is its prefix code's string plus one index; length
  // and first index are kept so a string is written back to front in place.
  std::array<uint16_t, kGifTableSize> prefix{};
  std::array<uint8_t, kGifTableSize> suffix{}, first{};
  std::array<uint16_t, kGifTableSize> length{};
  const int clear = 1 << min_code_size;
  const int eoi = clear + 1;
  for (int c = 0; c < clear; ++c) {
    suffix[static_cast<size_t>(c)] = first[static_cast<size_t>(c)] = static_cast<uint8_t>(c);
    length[static_cast<size_t>(c)] = 1;
  }
  int bits = min_code_size + 1;
  int next = eoi + 1;
  int prev = -1;
  size_t written = 0, pos = 0;
  uint32_t acc = 0;
  int have = 0;
  for (;;) {
    while (have < bits && pos < size) {
      acc |= static_cast<uint32_t>(data[pos++]) << have;
      have += 8;
    }
    if (have < bits) throw GIFException("Invalid LZW data");
    const int code = static_cast<int>(acc & ((1u << bits) - 1));
    acc >>= bits;
    have -= bits;
    if (code == clear) {
      bits = min_code_size + 1;
      next = eoi + 1;
      prev = -1;
      continue;
    }
    if (code == eoi) break;
    int emit = code;
    if (prev < 0) {
      if (code >= clear) throw GIFException("Invalid LZW data");
    } else {
      if (code > next || (code == next && next >= kGifTableSize)) throw GIFException("Invalid LZW data");
      if (next < kGifTableSize) {
        const auto n = static_cast<size_t>(next);
        prefix[n] = static_cast<uint16_t>(prev);
        first[n] = first[static_cast<size_t>(prev)];
        suffix[n] = code == next ? first[static_cast<size_t>(prev)] : first[static_cast<size_t>(code)];
        length[n] = static_cast<uint16_t>(length[static_cast<size_t>(prev)] + 1);
        ++next;
        if (next == (1 << bits) && bits < kGifMaxCodeBits) ++bits;
      }
    }
    const size_t len = length[static_cast<size_t>(emit)];
    if (len > count - written) throw GIFException("Invalid LZW data");
    for (size_t k = len; k-- > 0;) {
      out[written + k] = suffix[static_cast<size_t>(emit)];
      emit = prefix[static_cast<size_t>(emit)];
    }
    written += len;
    prev = code;
  }
  if (written != count) throw GIFException("Invalid LZW data");
  return out;
}

}  // namespace kt58
