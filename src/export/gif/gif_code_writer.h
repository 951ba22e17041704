// SPDX-License-Identifier: GPL-3.0-or-later
// Packs variable-width LZW codes least significant bit first, as GIF stores them.
#pragma once

#include <cstdint>
#include <vector>

namespace kt58 {

// The 12-bit code limit of GIF LZW.
inline constexpr int kGifMaxCodeBits = 12;
inline constexpr int kGifTableSize = 1 << kGifMaxCodeBits;

class GifCodeWriter {
 public:
  explicit GifCodeWriter(std::vector<uint8_t>& out) : out_(out) {}
  void Put(unsigned code, int width) {
    acc_ |= static_cast<uint32_t>(code) << bits_;
    bits_ += width;
    while (bits_ >= 8) {
      out_.push_back(static_cast<uint8_t>(acc_));
      acc_ >>= 8;
      bits_ -= 8;
    }
  }
  void Flush() {
    if (bits_ > 0) out_.push_back(static_cast<uint8_t>(acc_));
    acc_ = 0;
    bits_ = 0;
  }

 private:
  std::vector<uint8_t>& out_;
  uint32_t acc_ = 0;
  int bits_ = 0;
};

}  // namespace kt58
