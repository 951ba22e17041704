// SPDX-License-Identifier: GPL-3.0-or-later
// Drawing a layer onto a frame (colour key, blending, tint) and filling
// rectangles.
//
// The per-byte blend is F = (F*t + L*(100-t)) div 100 with t in 0..100. The
// SSE2 path evaluates exactly that in 16-bit lanes (the sum is at most 25500)
// and divides by multiplying: (x * 5243) >> 19 equals x div 100 for every x
// up to 25500, checked below at compile time. Everything else runs the same
// formula byte by byte, so both paths give identical bytes.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "engine/raster_internal.h"
#include "engine/raster_ops.h"
#include "platform/numeric.h"

namespace kt58 {

namespace {

constexpr int kBlendMax = 100;
constexpr uint32_t kDiv100Mul = 5243;
constexpr int kDiv100Shift = 19;

constexpr bool Div100ByMultiplyIsExact() {
  for (uint32_t x = 0; x <= 255u * kBlendMax; ++x)
    if (((x * kDiv100Mul) >> kDiv100Shift) != x / kBlendMax) return false;
  return true;
}
static_assert(Div100ByMultiplyIsExact());

// How the transparency of a row is given.
enum class Weights {
  kCopy,     // t = 0 for the whole row: the formula gives the layer byte itself
  kConst,    // one t for the whole row
  kPerByte,  // t per byte of the layer row (horizontal gradient)
};

// m is the largest byte of the blended pixel; each byte becomes
// round(tint byte * (m / 255.0)), tabulated per m with that exact formula.
struct TintTable {
  uint8_t b[256], g[256], r[256];
  uint64_t packed[256];  // b | g << 8 | r << 16
  explicit TintTable(BGR tint) {
    for (int m = 0; m < 256; ++m) {
      const double k = m / 255.0;
      b[m] = static_cast<uint8_t>(RoundHalfEven(tint.b * k));
      g[m] = static_cast<uint8_t>(RoundHalfEven(tint.g * k));
      r[m] = static_cast<uint8_t>(RoundHalfEven(tint.r * k));
      packed[m] = b[m] | (uint64_t{g[m]} << 8) | (uint64_t{r[m]} << 16);
    }
  }
  void Apply(uint8_t* f, uint8_t m) const {
    f[0] = b[m];
    f[1] = g[m];
    f[2] = r[m];
  }
};

struct RowJob {
  uint8_t* frame;        // first frame byte of the drawn segment
  const uint8_t* layer;  // first layer byte of the drawn segment
  int pixels;            // pixels in the segment
  BGR key;
  int t;                    // kConst
  const uint16_t* t_bytes;  // kPerByte: t for each byte of the segment
  const uint16_t* u_bytes;  // kPerByte: 100 - t for each byte
  const TintTable* tint;    // when the tint is on
};

inline bool IsKey(const uint8_t* p, BGR key) { return p[0] == key.b && p[1] == key.g && p[2] == key.r; }

template <Weights W, bool kTint>
inline void BlendPixelsScalar(const RowJob& job, int first_pixel) {
  for (int i = first_pixel; i < job.pixels; ++i) {
    const uint8_t* l = job.layer + 3 * i;
    if (IsKey(l, job.key)) continue;
    uint8_t* f = job.frame + 3 * i;
    for (int b = 0; b < 3; ++b) {
      if constexpr (W == Weights::kCopy) {
        f[b] = l[b];
      } else {
        const int t = W == Weights::kConst ? job.t : job.t_bytes[3 * i + b];
        f[b] = static_cast<uint8_t>((f[b] * t + l[b] * (kBlendMax - t)) / kBlendMax);
      }
    }
    if constexpr (kTint) job.tint->Apply(f, std::max(f[0], std::max(f[1], f[2])));
  }
}

#if defined(__SSE2__) && defined(__x86_64__)

// Works on 15 bytes (5 whole pixels) per step with 16-byte loads; the 16th
// byte is written back with the frame's own value. Steps stop where a
// 16-byte load would pass the segment's end; the rest goes pixel by pixel.
template <Weights W, bool kTint>
void BlendRow(const RowJob& job) {
  const size_t bytes = static_cast<size_t>(job.pixels) * 3;
  alignas(16) uint8_t key_bytes[16];
  for (int i = 0; i < 16; i += 3) {
    key_bytes[i] = job.key.b;
    if (i + 1 < 16) key_bytes[i + 1] = job.key.g;
    if (i + 2 < 16) key_bytes[i + 2] = job.key.r;
  }
  const __m128i key = _mm_load_si128(reinterpret_cast<const __m128i*>(key_bytes));
  const __m128i pixel_starts = _mm_setr_epi8(-1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, 0);
  const __m128i last_byte = _mm_setr_epi8(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -1);
  const __m128i zero = _mm_setzero_si128();
  const __m128i div_mul = _mm_set1_epi16(static_cast<short>(kDiv100Mul));
  const __m128i t_const = _mm_set1_epi16(static_cast<short>(job.t));
  const __m128i u_const = _mm_set1_epi16(static_cast<short>(kBlendMax - job.t));
  constexpr unsigned kAllKeys = 0x1249;  // movemask bits of bytes 0, 3, 6, 9, 12

  size_t j = 0;
  // The frame bytes of the next step are loaded before this step's store:
  // the two overlap by one byte, and a load that partly overlaps a store
  // still in flight stalls until the store completes.
  __m128i fv = bytes >= 16 ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(job.frame)) : _mm_setzero_si128();
  for (; j + 16 <= bytes; j += 15) {
    const __m128i lv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(job.layer + j));
    // A pixel is skipped when all three of its bytes equal the key's.
    // The test runs on the byte mask in a general register; the byte mask
    // of whole key pixels is built only for steps that mix both kinds.
    const __m128i eq = _mm_cmpeq_epi8(lv, key);
    const unsigned e = static_cast<unsigned>(_mm_movemask_epi8(eq));
    const unsigned keys = e & (e >> 1) & (e >> 2) & kAllKeys;
    const __m128i cur = fv;
    if (j + 31 <= bytes) fv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(job.frame + j + 15));
    if (keys == kAllKeys) continue;
    __m128i keep = last_byte;
    if (keys != 0) {
      __m128i whole = _mm_and_si128(_mm_and_si128(eq, _mm_srli_si128(eq, 1)), _mm_srli_si128(eq, 2));
      whole = _mm_and_si128(whole, pixel_starts);
      keep = _mm_or_si128(keep, _mm_or_si128(_mm_or_si128(whole, _mm_slli_si128(whole, 1)), _mm_slli_si128(whole, 2)));
    }

    __m128i result;
    if constexpr (W == Weights::kCopy) {
      result = lv;
    } else {
      __m128i t_lo = t_const, t_hi = t_const, u_lo = u_const, u_hi = u_const;
      if constexpr (W == Weights::kPerByte) {
        t_lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(job.t_bytes + j));
        t_hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(job.t_bytes + j + 8));
        u_lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(job.u_bytes + j));
        u_hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(job.u_bytes + j + 8));
      }
      const __m128i x_lo = _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(cur, zero), t_lo),
                                         _mm_mullo_epi16(_mm_unpacklo_epi8(lv, zero), u_lo));
      const __m128i x_hi = _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(cur, zero), t_hi),
                                         _mm_mullo_epi16(_mm_unpackhi_epi8(lv, zero), u_hi));
      const __m128i q_lo = _mm_srli_epi16(_mm_mulhi_epu16(x_lo, div_mul), kDiv100Shift - 16);
      const __m128i q_hi = _mm_srli_epi16(_mm_mulhi_epu16(x_hi, div_mul), kDiv100Shift - 16);
      result = _mm_packus_epi16(q_lo, q_hi);
    }
    if constexpr (kTint) {
      // The largest byte of each pixel, found at the pixel's first byte,
      // picks the pixel's tinted bytes; the five pixels are reassembled in
      // two 64-bit halves (bytes 0..7 and 8..15).
      const __m128i m = _mm_max_epu8(result, _mm_max_epu8(_mm_srli_si128(result, 1), _mm_srli_si128(result, 2)));
      const uint64_t m_lo = static_cast<uint64_t>(_mm_cvtsi128_si64(m));
      const uint64_t m_hi = static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_srli_si128(m, 8)));
      const TintTable& tt = *job.tint;
      const uint64_t p0 = tt.packed[m_lo & 255], p1 = tt.packed[(m_lo >> 24) & 255], p2 = tt.packed[(m_lo >> 48) & 255];
      const uint64_t p3 = tt.packed[(m_hi >> 8) & 255], p4 = tt.packed[(m_hi >> 32) & 255];
      const uint64_t lo = p0 | (p1 << 24) | (p2 << 48);
      const uint64_t hi = (p2 >> 16) | (p3 << 8) | (p4 << 32);
      result = _mm_unpacklo_epi64(_mm_cvtsi64_si128(static_cast<long long>(lo)),
                                  _mm_cvtsi64_si128(static_cast<long long>(hi)));
    }
    const __m128i out = _mm_or_si128(_mm_and_si128(keep, cur), _mm_andnot_si128(keep, result));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(job.frame + j), out);
  }
  BlendPixelsScalar<W, kTint>(job, static_cast<int>(j / 3));
}

// Bytes p[0..15] in the low half, p[15..30] in the high half (for weights:
// elements, 8 each).
template <typename T>
__attribute__((target("avx2"))) inline __m256i Load2(const T* p) {
  return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))),
                                 _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 15)), 1);
}

// The same steps two at a time in the two halves of a 256-bit register: 30
// bytes (10 pixels) a step, the tail left to BlendRow. Untinted rows only;
// chosen at run time on processors that have AVX2.
template <Weights W>
__attribute__((target("avx2"))) void BlendRowAvx2(const RowJob& job) {
  const size_t bytes = static_cast<size_t>(job.pixels) * 3;
  alignas(16) uint8_t key_bytes[16];
  for (int i = 0; i < 16; i += 3) {
    key_bytes[i] = job.key.b;
    if (i + 1 < 16) key_bytes[i + 1] = job.key.g;
    if (i + 2 < 16) key_bytes[i + 2] = job.key.r;
  }
  const __m256i key = _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(key_bytes)));
  const __m256i pixel_starts = _mm256_broadcastsi128_si256(_mm_setr_epi8(-1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, 0));
  const __m256i last_byte = _mm256_broadcastsi128_si256(_mm_setr_epi8(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -1));
  const __m256i zero = _mm256_setzero_si256();
  const __m256i div_mul = _mm256_set1_epi16(static_cast<short>(kDiv100Mul));
  const __m256i t_const = _mm256_set1_epi16(static_cast<short>(job.t));
  const __m256i u_const = _mm256_set1_epi16(static_cast<short>(kBlendMax - job.t));
  constexpr unsigned kAllKeys = 0x1249u | (0x1249u << 16);

  size_t j = 0;
  // As in BlendRow, the next step's frame bytes are loaded before this
  // step's stores, which they overlap by one byte.
  __m256i fv = bytes >= 31 ? Load2(job.frame) : zero;
  for (; j + 31 <= bytes; j += 30) {
    const __m256i lv = Load2(job.layer + j);
    const __m256i eq = _mm256_cmpeq_epi8(lv, key);
    const unsigned e = static_cast<unsigned>(_mm256_movemask_epi8(eq));
    const unsigned keys = e & (e >> 1) & (e >> 2) & kAllKeys;
    const __m256i cur = fv;
    if (j + 61 <= bytes) fv = Load2(job.frame + j + 30);
    if (keys == kAllKeys) continue;
    __m256i keep = last_byte;
    if (keys != 0) {
      __m256i whole = _mm256_and_si256(_mm256_and_si256(eq, _mm256_srli_si256(eq, 1)), _mm256_srli_si256(eq, 2));
      whole = _mm256_and_si256(whole, pixel_starts);
      keep = _mm256_or_si256(
          keep, _mm256_or_si256(_mm256_or_si256(whole, _mm256_slli_si256(whole, 1)), _mm256_slli_si256(whole, 2)));
    }
    __m256i result;
    if constexpr (W == Weights::kCopy) {
      result = lv;
    } else {
      __m256i t_lo = t_const, t_hi = t_const, u_lo = u_const, u_hi = u_const;
      if constexpr (W == Weights::kPerByte) {
        t_lo = Load2(job.t_bytes + j);
        t_hi = Load2(job.t_bytes + j + 8);
        u_lo = Load2(job.u_bytes + j);
        u_hi = Load2(job.u_bytes + j + 8);
      }
      const __m256i x_lo = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(cur, zero), t_lo),
                                            _mm256_mullo_epi16(_mm256_unpacklo_epi8(lv, zero), u_lo));
      const __m256i x_hi = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(cur, zero), t_hi),
                                            _mm256_mullo_epi16(_mm256_unpackhi_epi8(lv, zero), u_hi));
      const __m256i q_lo = _mm256_srli_epi16(_mm256_mulhi_epu16(x_lo, div_mul), kDiv100Shift - 16);
      const __m256i q_hi = _mm256_srli_epi16(_mm256_mulhi_epu16(x_hi, div_mul), kDiv100Shift - 16);
      result = _mm256_packus_epi16(q_lo, q_hi);
    }
    const __m256i out = _mm256_or_si256(_mm256_and_si256(keep, cur), _mm256_andnot_si256(keep, result));
    // The low half first: its 16th byte is the frame's own, which the high
    // half's first byte then replaces.
    _mm_storeu_si128(reinterpret_cast<__m128i*>(job.frame + j), _mm256_castsi256_si128(out));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(job.frame + j + 15), _mm256_extracti128_si256(out, 1));
  }
  RowJob rest = job;
  rest.frame += j;
  rest.layer += j;
  rest.pixels -= static_cast<int>(j / 3);
  if constexpr (W == Weights::kPerByte) {
    rest.t_bytes += j;
    rest.u_bytes += j;
  }
  BlendRow<W, false>(rest);
}

bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}

#else

template <Weights W, bool kTint>
void BlendRow(const RowJob& job) {
  BlendPixelsScalar<W, kTint>(job, 0);
}

#endif

template <Weights W>
void BlendRowTinted(const RowJob& job) {
  if (job.tint) {
    BlendRow<W, true>(job);
    return;
  }
#if defined(__SSE2__) && defined(__x86_64__)
  if (HasAvx2()) {
    BlendRowAvx2<W>(job);
    return;
  }
#endif
  BlendRow<W, false>(job);
}

// round((alt - t0) / extent * position) + t0 in double precision.
inline int GradientT(int t0, int alt, int extent, int position) {
  return RoundHalfEven(static_cast<double>(alt - t0) / extent * position) + t0;
}

void DrawLayerUnchecked(const Picture& layer, Picture& frame, int blend_type, int transparency,
                        int alt_transparency, Color transparent_color, bool tint_enabled, Color tint_color,
                        int x, int y) {
  const int lw = layer.Width(), lh = layer.Height();
  const int fw = frame.Width(), fh = frame.Height();
  if (lw <= 0 || lh <= 0 || fw <= 0 || fh <= 0) return;

  // The drawn part in frame coordinates, in 64 bits: x and y may be anywhere.
  const int64_t c0 = std::max<int64_t>(0, x), c1 = std::min<int64_t>(fw, int64_t{x} + lw);
  const int64_t r0 = std::max<int64_t>(0, y), r1 = std::min<int64_t>(fh, int64_t{y} + lh);
  if (c0 >= c1 || r0 >= r1) return;
  const int s0 = static_cast<int>(c0 - x);  // first layer column drawn
  const int pixels = static_cast<int>(c1 - c0);

  const int t0 = std::clamp(transparency, 0, kBlendMax);
  const int alt = std::clamp(alt_transparency, 0, kBlendMax);
  const int start_t = blend_type == bt_No_Blend ? 0 : t0;

  RowJob job{};
  job.pixels = pixels;
  job.key = ColorToBGR(transparent_color);

  // The horizontal gradient's t depends on the layer column only.
  std::vector<uint16_t> t_bytes, u_bytes;
  if (blend_type == bt_H_Blend) {
    const size_t n = static_cast<size_t>(pixels) * 3;
    t_bytes.resize(n);
    u_bytes.resize(n);
    for (int i = 0; i < pixels; ++i) {
      const int t = GradientT(t0, alt, lw, s0 + i);
      for (int b = 0; b < 3; ++b) {
        t_bytes[3 * static_cast<size_t>(i) + b] = static_cast<uint16_t>(t);
        u_bytes[3 * static_cast<size_t>(i) + b] = static_cast<uint16_t>(kBlendMax - t);
      }
    }
    job.t_bytes = t_bytes.data();
    job.u_bytes = u_bytes.data();
  }

  std::unique_ptr<TintTable> tint;
  if (tint_enabled) tint = std::make_unique<TintTable>(ColorToBGR(tint_color));
  job.tint = tint.get();

  for (int64_t r = r0; r < r1; ++r) {
    const int lr = static_cast<int>(r - y);
    job.frame = frame.Row(static_cast<int>(r)) + 3 * c0;
    job.layer = layer.Row(lr) + 3 * static_cast<size_t>(s0);
    if (blend_type == bt_H_Blend) {
      BlendRowTinted<Weights::kPerByte>(job);
    } else {
      job.t = blend_type == bt_V_Blend ? GradientT(t0, alt, lh, lr) : start_t;
      if (job.t == 0)
        BlendRowTinted<Weights::kCopy>(job);
      else
        BlendRowTinted<Weights::kConst>(job);
    }
  }
}

}  // namespace

void DrawLayerPicture(const Picture& layer, Picture& frame, int blend_type, int transparency,
                      int alt_transparency, Color transparent_color, bool tint_enabled, Color tint_color,
                      int x, int y) noexcept {
  try {
    if (&layer == &frame) {
      // Drawing a picture onto itself at an offset would read bytes already
      // written; draw from a copy instead.
      const Picture copy(layer);
      DrawLayerUnchecked(copy, frame, blend_type, transparency, alt_transparency, transparent_color,
                         tint_enabled, tint_color, x, y);
      return;
    }
    DrawLayerUnchecked(layer, frame, blend_type, transparency, alt_transparency, transparent_color,
                       tint_enabled, tint_color, x, y);
  } catch (...) {
    // Composition leaves a layer that cannot be drawn out of the frame.
  }
}

void FillColorRect(Picture& picture, Color color, const Rect& rect) {
  const int left = std::max(rect.left, 0), right = std::min(rect.right, picture.Width());
  const int top = std::max(rect.top, 0), bottom = std::min(rect.bottom, picture.Height());
  if (left >= right || top >= bottom) return;
  const BGR c = ColorToBGR(ResolveColor(color));
  const size_t bytes = static_cast<size_t>(right - left) * 3;
  uint8_t* first = picture.Row(top) + 3 * static_cast<size_t>(left);
  for (int i = 0; i < right - left; ++i) {
    first[3 * i] = c.b;
    first[3 * i + 1] = c.g;
    first[3 * i + 2] = c.r;
  }
  for (int r = top + 1; r < bottom; ++r) std::memcpy(picture.Row(r) + 3 * static_cast<size_t>(left), first, bytes);
}

}  // namespace kt58
