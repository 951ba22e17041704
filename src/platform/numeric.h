// SPDX-License-Identifier: GPL-3.0-or-later
// Integer conversions shared by every pixel formula.
#pragma once

#include <cmath>
#include <climits>
#include <cstdint>

namespace kt58 {

// Nearest integer, halves to the even neighbour (the rounding of every
// floating-point to integer conversion in the program). Values beyond the
// int range saturate; NaN gives 0.
inline int RoundHalfEven(double v) {
  const double r = std::nearbyint(v);
  if (!(r == r)) return 0;
  if (r <= static_cast<double>(INT_MIN)) return INT_MIN;
  if (r >= static_cast<double>(INT_MAX)) return INT_MAX;
  return static_cast<int>(r);
}

// The int nearest to v: sums of offsets read from files (anywhere in int)
// and shifts are formed in 64 bits and saturate rather than overflow; a
// saturated position lies far outside any picture, as the true one does.
inline int SaturateToInt(int64_t v) {
  return v < INT_MIN ? INT_MIN : (v > INT_MAX ? INT_MAX : static_cast<int>(v));
}

// a*b/d rounded to nearest with halves away from zero; -1 when d is 0.
// Used only by the bevel.
inline int MulDiv(int a, int b, int d) {
  if (d == 0) return -1;
  const int64_t p = static_cast<int64_t>(a) * b;
  int64_t q = p / d;
  const int64_t r = p % d;
  // |2r| >= |d| means the fraction is at least one half: round away from zero.
  if (2 * (r < 0 ? -r : r) >= (d < 0 ? -static_cast<int64_t>(d) : d)) q += ((p < 0) != (d < 0)) ? -1 : 1;
  return static_cast<int>(q);
}

}  // namespace kt58
