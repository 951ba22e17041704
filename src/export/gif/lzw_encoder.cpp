// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/gif/lzw_encoder.h"

#include <algorithm>
#include <limits>
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

// The code stream around the data codes: the clear code first, widths
// growing as the table fills, a clear code and an empty table when it is
// full, the end code last. The decoder adds the table entry of a code when
// it reads the code after it; the encoder assigns the same numbers in the
// same order, so both widen at the same point.
class CodeStream {
 public:
  CodeStream(std::vector<uint8_t>& out, int min_code_size)
      : writer_(out), clear_(1 << min_code_size), min_bits_(min_code_size + 1), bits_(min_bits_), next_(clear_ + 2) {
    writer_.Put(static_cast<unsigned>(clear_), bits_);
  }

  // After each data code the width grows once the code about to be
  // assigned no longer fits.
  void Put(int code) {
    writer_.Put(static_cast<unsigned>(code), bits_);
    if (next_ >= (1 << bits_) && bits_ < kGifMaxCodeBits) ++bits_;
  }
  // The last code (4095) is never assigned: the table restarts one entry
  // early, which every decoder accepts and keeps the decoder's deferred
  // entry inside the 12-bit range.
  bool Full() const { return next_ >= kGifTableSize - 1; }
  void Restart() {
    writer_.Put(static_cast<unsigned>(clear_), bits_);
    bits_ = min_bits_;
    next_ = clear_ + 2;
  }
  int NextCode() const { return next_; }
  int Assign() { return next_++; }
  void Finish() {
    Put(clear_ + 1);
    writer_.Flush();
  }

 private:
  GifCodeWriter writer_;
  int clear_, min_bits_, bits_, next_;
};

}  // namespace

std::vector<uint8_t> LzwEncoder::Encode(const uint8_t* indices, size_t count, int min_code_size) {
  std::vector<uint8_t> out;
  out.reserve(count / 2 + 16);
  CodeStream codes(out, min_code_size);
  if (count == 0) {
    codes.Finish();
    return out;
  }
  CodeTable table;
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
    codes.Put(current);
    if (codes.Full()) {
      codes.Restart();
      table.Clear();
      std::fill(last_child.begin(), last_child.end(), 0u);
    } else {
      const int code = codes.Assign();
      table.Insert(slot, key, code);
      last_child[static_cast<size_t>(current)] = ((static_cast<uint32_t>(indices[i]) << 12) | static_cast<uint32_t>(code)) + 1;
    }
    current = indices[i];
  }
  codes.Put(current);
  codes.Finish();
  return out;
}

std::vector<uint8_t> LzwEncoder::EncodeLossy(const uint8_t* indices, size_t count, int min_code_size,
                                             const LzwTolerance& tolerance, std::vector<uint8_t>* written) {
  std::vector<uint8_t> out;
  out.reserve(count / 4 + 16);
  CodeStream codes(out, min_code_size);
  const int roots = 1 << min_code_size;
  const size_t colors = tolerance.colors ? tolerance.colors->size() : 0;

  // error[wanted * roots + written]: the squared distance of the written
  // index's colour from the wanted one's, kRefused where it may not stand in.
  constexpr uint32_t kRefused = 0xFFFFFFFFu;
  std::vector<uint32_t> error(static_cast<size_t>(roots) * roots, kRefused);
  std::vector<std::vector<uint8_t>> admitted(static_cast<size_t>(roots));
  for (int w = 0; w < roots; ++w) {
    for (int c = 0; c < roots; ++c) {
      uint32_t e = kRefused;
      if (c == w) {
        e = 0;
      } else if (static_cast<size_t>(w) < colors && static_cast<size_t>(c) < colors && w != tolerance.transparent &&
                 c != tolerance.transparent) {
        const GifColor& a = (*tolerance.colors)[static_cast<size_t>(w)];
        const GifColor& b = (*tolerance.colors)[static_cast<size_t>(c)];
        const int dr = a.r - b.r, dg = a.g - b.g, db = a.b - b.b;
        const auto d = static_cast<uint32_t>(dr * dr + dg * dg + db * db);
        if (d <= tolerance.max_error) e = d;
      }
      error[static_cast<size_t>(w) * roots + c] = e;
      if (e != kRefused) admitted[static_cast<size_t>(w)].push_back(static_cast<uint8_t>(c));
    }
  }

  if (written) written->assign(count, 0);
  // The error of writing index c at pixel k, kNo where it may not. With
  // the picture before reduction, the error is how much further c moves
  // the pixel from it than the wanted index does: a near colour on the
  // side the picture lies costs less than one on the other side, which
  // the palette distance alone cannot tell (it may be below 0 where the
  // reduction did not take the nearest colour, dithering say).
  constexpr int64_t kNo = std::numeric_limits<int64_t>::max();
  const int clear = tolerance.beneath ? tolerance.transparent : -1;
  const auto off_source = [&](size_t k, const uint8_t* rgb) {
    const uint8_t* s = tolerance.source + 3 * k;
    const int dr = rgb[0] - s[0], dg = rgb[1] - s[1], db = rgb[2] - s[2];
    return static_cast<int64_t>(dr * dr + dg * dg + db * db);
  };
  const auto off_source_of = [&](size_t k, size_t index) {
    const GifColor& c = (*tolerance.colors)[index];
    const uint8_t rgb[3] = {c.r, c.g, c.b};
    return off_source(k, rgb);
  };
  const auto cost = [&](size_t k, int c) -> int64_t {
    if (c == clear) {
      if (tolerance.beneath[k] > tolerance.max_error) return kNo;
      if (!tolerance.source || !tolerance.shown || indices[k] == clear) return tolerance.beneath[k];
      return off_source(k, tolerance.shown + 3 * k) - off_source_of(k, indices[k]);
    }
    const uint32_t e = error[static_cast<size_t>(indices[k]) * roots + static_cast<size_t>(c)];
    if (e == kRefused) return kNo;
    if (!tolerance.source || e == 0) return e;
    return off_source_of(k, static_cast<size_t>(c)) - off_source_of(k, indices[k]);
  };

  // The table as a tree: each code's string is its parent's plus `last`;
  // `first` is the string's first index, what the decoder appends to the
  // entry of the code sent before it.
  std::vector<int16_t> parent(kGifTableSize, -1), first_child(kGifTableSize, -1), sibling(kGifTableSize, -1);
  std::vector<uint8_t> last(kGifTableSize), first(kGifTableSize);
  std::vector<uint16_t> length(kGifTableSize, 1);
  for (int c = 0; c < roots; ++c) last[static_cast<size_t>(c)] = first[static_cast<size_t>(c)] = static_cast<uint8_t>(c);
  std::vector<uint8_t> spelled;  // a string's indices, last first

  struct Candidate {
    int code;
    size_t length;
    int64_t error;
  };
  // A pixel more in one code is worth pixel_worth of error: a longer
  // string that brings more error than that per pixel gained loses to a
  // shorter, truer one.
  const auto worth = [&](const Candidate& x) {
    return static_cast<int64_t>(x.length) * tolerance.pixel_worth - x.error;
  };
  const auto better = [&](const Candidate& x, const Candidate& than) {
    if (than.code < 0) return true;
    const int64_t a = worth(x), b = worth(than);
    if (a != b) return a > b;
    return x.length > than.length || (x.length == than.length && x.error < than.error);
  };
  std::vector<Candidate> pending;
  int previous = -1;  // the code sent before, while its entry is still to be made
  for (size_t i = 0; i < count;) {
    // Every string in the table the tolerance admits at i, depth first: a
    // string that is refused at one pixel is not followed further, so the
    // search never visits more than the table holds.
    Candidate best{-1, 0, 0};
    // The entry still to be made may be sent itself (the decoder knows it
    // as the code before plus that code's own first index): how runs of
    // one colour grow their strings one pixel a step.
    if (previous >= 0 && i + length[static_cast<size_t>(previous)] < count) {
      spelled.clear();
      spelled.push_back(first[static_cast<size_t>(previous)]);
      for (int c = previous; c >= 0; c = parent[static_cast<size_t>(c)]) spelled.push_back(last[static_cast<size_t>(c)]);
      int64_t total = 0;
      size_t k = 0;
      for (; k < spelled.size(); ++k) {
        const int64_t e = cost(i + k, spelled[spelled.size() - 1 - k]);
        if (e == kNo) break;
        total += e;
      }
      if (k == spelled.size()) best = {codes.NextCode(), k, total};
    }
    for (uint8_t c : admitted[indices[i]])
      if (c != clear) pending.push_back({c, 1, cost(i, c)});
    if (clear >= 0 && cost(i, clear) != kNo) pending.push_back({clear, 1, cost(i, clear)});
    while (!pending.empty()) {
      const Candidate at = pending.back();
      pending.pop_back();
      if (better(at, best)) best = at;
      const size_t k = i + at.length;
      if (k >= count) continue;
      for (int ch = first_child[static_cast<size_t>(at.code)]; ch >= 0; ch = sibling[static_cast<size_t>(ch)]) {
        const int64_t e = cost(k, last[static_cast<size_t>(ch)]);
        if (e != kNo) pending.push_back({ch, at.length + 1, at.error + e});
      }
    }
    // The entry the decoder makes on reading this code: the code before
    // plus this string's first index, which is known only now. The string
    // being defined is never sent itself, so no code refers to itself.
    if (previous >= 0) {
      const auto code = static_cast<size_t>(codes.NextCode());
      const auto from = static_cast<size_t>(previous);
      const uint8_t appended = static_cast<int>(code) == best.code ? first[from] : first[static_cast<size_t>(best.code)];
      codes.Assign();
      last[code] = appended;
      first[code] = first[from];
      parent[code] = static_cast<int16_t>(previous);
      length[code] = static_cast<uint16_t>(length[from] + 1);
      first_child[code] = -1;
      // A string the table holds already gets its number (the decoder
      // counts it) but is not searched twice.
      bool known = false;
      for (int ch = first_child[from]; ch >= 0 && !known; ch = sibling[static_cast<size_t>(ch)])
        known = last[static_cast<size_t>(ch)] == appended;
      if (!known) {
        sibling[code] = first_child[from];
        first_child[from] = static_cast<int16_t>(code);
      }
    }
    codes.Put(best.code);
    if (written)
      for (int c = best.code, k = static_cast<int>(best.length); k-- > 0; c = parent[static_cast<size_t>(c)])
        (*written)[i + static_cast<size_t>(k)] = last[static_cast<size_t>(c)];
    i += best.length;
    if (codes.Full()) {
      codes.Restart();
      std::fill(first_child.begin(), first_child.end(), int16_t{-1});
      previous = -1;
    } else {
      previous = best.code;
    }
  }
  codes.Finish();
  return out;
}

}  // namespace kt58
