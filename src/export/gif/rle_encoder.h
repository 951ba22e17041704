// SPDX-License-Identifier: GPL-3.0-or-later
// Run-length encoding inside a GIF LZW code stream: only runs of one index
// are sent, as literal codes or as codes for runs the decoder's own table has
// learned. Any GIF89a decoder reads the result.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kt58 {

class RleEncoder {
 public:
  // Same contract as LzwEncoder::Encode.
  static std::vector<uint8_t> Encode(const uint8_t* indices, size_t count, int min_code_size);
};

}  // namespace kt58
