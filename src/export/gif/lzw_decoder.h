// SPDX-License-Identifier: GPL-3.0-or-later
// Reading back a GIF LZW code stream: frames held packed are expanded with it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kt58 {

// Decodes a code stream (no sub-block framing) into exactly count indices.
// Raises GIFException("Invalid LZW data") when the stream is malformed or
// gives a different number of indices.
std::vector<uint8_t> DecodeLzwStream(const uint8_t* data, size_t size, int min_code_size, size_t count);

}  // namespace kt58
