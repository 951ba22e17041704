// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/gif/lzw_encoder.h"

#include <algorithm>
#include <memory>

#include "export/gif/gif_code_writer.h"

namespace kt58 {
namespace {

// Open-addressed map from (prefix code, next index) to code. Twice as many
// slots as codes keeps probe chains short; a reset rewrites 32 KiB.
class CodeTable {
 public:
  static constexpr uint32_t kSlots = 8192;
  static constexpr uint32_t kEmpty = 0xFFFFFFFFu;

  CodeTable() : slots_(std::make_unique<uint32_t[]>(kSlots)) { Clear(); }
  void Clear() { std::fill(slots_.get(), slots_.get() + kSlots, kEmpty); }

  // The code of key, or -1; *slot receives where key would go.
  int Find(uint32_t key, uint32_t* slot) const {
    uint32_t s = (key * 2654435761u) >> (32 - 13);
    for (;;) {
      const uint32_t v = slots_[s];
      if (v == kEmpty) {
        *slot = s;
        return -1;
      }
      if ((v >> 12) == key) return static_cast<int>(v & 0xFFF);
      s = (s + 1) & (kSlots - 1);
    }
  }
  void Insert(uint32_t slot, uint32_t key, int code) { slots_[slot] = (key << 12) | static_cast<uint32_t>(code); }

 private:
  std::unique_ptr<uint32_t[]> slots_;
};

}  // namespace

std::vector<uint8_t> LzwEncoder::Encode(const uint8_t* indices, size_t count, int min_code_size) {
  std::vector<uint8_t> out;
  out.reserve(count / 2 + 16);
  GifCodeWriter writer(out);
  const int clear = 1 << min_code_size;
  const int eoi = clear + 1;
  int bits = min_code_size + 1;
  int next = eoi + 1;  // code the next new string gets
  CodeTable table;

  // After each data code the width grows once the code about to be assigned
  // no longer fits; the decoder, one entry behind, widens at the same point.
  auto put = [&](int code) {
    writer.Put(static_cast<unsigned>(code), bits);
    if (next >= (1 << bits) && bits < kGifMaxCodeBits) ++bits;
  };

  writer.Put(static_cast<unsigned>(clear), bits);
  if (count == 0) {
    put(eoi);
    writer.Flush();
    return out;
  }
  // The string each code was last extended to: (index << 12 | code) + 1,
  // 0 = none. Pictures repeat their patterns, so this answers most steps
  // without the table; it only holds strings the table holds too.
  std::vector<uint32_t> last_child(kGifTableSize, 0);
  int current = indices[0];
  for (size_t i = 1; i < count; ++i) {
    const uint32_t hit = last_child[static_cast<size_t>(current)];
    if (hit != 0 && ((hit - 1) >> 12) == indices[i]) {
      current = static_cast<int>((hit - 1) & 0xFFF);
      continue;
    }
    const uint32_t key = (static_cast<uint32_t>(current) << 8) | indices[i];
    uint32_t slot = 0;
    const int found = table.Find(key, &slot);
    if (found >= 0) {
      last_child[static_cast<size_t>(current)] = ((static_cast<uint32_t>(indices[i]) << 12) | static_cast<uint32_t>(found)) + 1;
      current = found;
      continue;
    }
    put(current);
    // The last code (4095) is never assigned: the table restarts one entry
    // early, which every decoder accepts and keeps the decoder's deferred
    // entry inside the 12-bit range.
    if (next >= kGifTableSize - 1) {
      writer.Put(static_cast<unsigned>(clear), bits);
      table.Clear();
      std::fill(last_child.begin(), last_child.end(), 0u);
      bits = min_code_size + 1;
      next = eoi + 1;
    } else {
      table.Insert(slot, key, next);
      last_child[static_cast<size_t>(current)] = ((static_cast<uint32_t>(indices[i]) << 12) | static_cast<uint32_t>(next)) + 1;
      ++next;
    }
    current = indices[i];
  }
  put(current);
  put(eoi);
  writer.Flush();
  return out;
}

}  // namespace kt58
