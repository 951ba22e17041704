// SPDX-License-Identifier: GPL-3.0-or-later
// Dictionary LZW as GIF89a describes it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kt58 {

class LzwEncoder {
 public:
  // The LZW code stream of the indices (without the minimum code size byte
  // and without sub-block framing). Every index must be below
  // 2^min_code_size; min_code_size is 2..8.
  static std::vector<uint8_t> Encode(const uint8_t* indices, size_t count, int min_code_size);
};

}  // namespace kt58
