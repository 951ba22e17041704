// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/gif/dither.h"

#include <initializer_list>

#include "export/gif/gif_exception.h"

namespace kt58 {

namespace {

// Kernels as published, given row by row below and beside the current pixel
// (at column `centre` of the first row); 0 marks no tap.
DitherKernel MakeKernel(int divisor, int centre, std::initializer_list<std::initializer_list<int>> rows) {
  DitherKernel k;
  k.divisor = divisor;
  int dy = 0;
  for (const auto& row : rows) {
    int dx = -centre;
    for (int w : row) {
      if (w != 0 && (dy > 0 || dx > 0)) {
        k.taps[static_cast<size_t>(k.taps_used++)] = {dx, dy, w};
        k.max_dy = std::max(k.max_dy, dy);
        k.max_dx = std::max(k.max_dx, dx < 0 ? -dx : dx);
      }
      ++dx;
    }
    ++dy;
  }
  return k;
}

}  // namespace

const DitherKernel* DitherKernelFor(int dither) {
  static const DitherKernel floyd_steinberg = MakeKernel(16, 1, {{0, 0, 7}, {3, 5, 1}});
  static const DitherKernel stucki = MakeKernel(42, 2, {{0, 0, 0, 8, 4}, {2, 4, 8, 4, 2}, {1, 2, 4, 2, 1}});
  static const DitherKernel sierra = MakeKernel(32, 2, {{0, 0, 0, 5, 3}, {2, 4, 5, 4, 2}, {0, 2, 3, 2, 0}});
  static const DitherKernel jarvis_judice_ninke =
      MakeKernel(48, 2, {{0, 0, 0, 7, 5}, {3, 5, 7, 5, 3}, {1, 3, 5, 3, 1}});
  static const DitherKernel stevenson_arce = MakeKernel(200, 3,
                                                        {{0, 0, 0, 0, 0, 32, 0},
                                                         {12, 0, 26, 0, 30, 0, 16},
                                                         {0, 12, 0, 26, 0, 12, 0},
                                                         {5, 0, 12, 0, 12, 0, 5}});
  static const DitherKernel burkes = MakeKernel(32, 2, {{0, 0, 0, 8, 4}, {2, 4, 8, 4, 2}});
  switch (dither) {
    case dmNearest: return nullptr;
    case dmFloydSteinberg: return &floyd_steinberg;
    case dmStucki: return &stucki;
    case dmSierra: return &sierra;
    case dmJaJuNI: return &jarvis_judice_ninke;
    case dmSteveArche: return &stevenson_arce;
    case dmBurkes: return &burkes;
    default: throw GIFException("Invalid reduction method");
  }
}

}  // namespace kt58
