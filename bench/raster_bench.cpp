// SPDX-License-Identifier: GPL-3.0-or-later
// Raster operations at 640 x 480, next to memcpy of the same number of bytes
// in the same run: bytes per second of the frame picture for every way of
// drawing a layer, pictures per second for rotation.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "engine/picture.h"
#include "engine/raster_ops.h"

namespace {

using namespace kt58;

constexpr int kW = 640, kH = 480;
constexpr Color kKey = 0xFF00FF;

// A layer as composition sees it: smooth content inside an ellipse, the
// transparent colour around it (about a fifth of the pixels), as after a
// rotation or with a keyed-out background.
const Picture& Layer() {
  static const Picture layer = [] {
    Picture p(kW, kH);
    std::mt19937 rng(7);
    for (int y = 0; y < kH; ++y) {
      uint8_t* row = p.Row(y);
      for (int x = 0; x < kW; ++x) {
        const double dx = (x - kW / 2.0) / (kW / 2.0), dy = (y - kH / 2.0) / (kH / 2.0);
        uint8_t* px = row + 3 * x;
        if (dx * dx + dy * dy > 1.0) {
          px[0] = 0xFF, px[1] = 0x00, px[2] = 0xFF;
        } else {
          px[0] = static_cast<uint8_t>(x + (rng() & 7));
          px[1] = static_cast<uint8_t>(y + (rng() & 7));
          px[2] = static_cast<uint8_t>((x + y) / 2);
        }
      }
    }
    return p;
  }();
  return layer;
}

Picture Frame() {
  Picture p(kW, kH);
  for (int y = 0; y < kH; ++y) std::memset(p.Row(y), 0x40 + (y & 0x3F), static_cast<size_t>(kW) * 3);
  return p;
}

void BM_Memcpy(benchmark::State& state) {
  const Picture src = Layer();
  Picture dst = Frame();
  for (auto _ : state) {
    std::memcpy(dst.Bits(), src.Bits(), src.ImageBytes());
    benchmark::DoNotOptimize(dst.Bits());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(src.ImageBytes()));
}
BENCHMARK(BM_Memcpy);

// Arguments: blend type, transparency, alternate transparency, tint on.
void BM_DrawLayer(benchmark::State& state) {
  const Picture& layer = Layer();
  Picture frame = Frame();
  const int type = static_cast<int>(state.range(0));
  const int t1 = static_cast<int>(state.range(1)), t2 = static_cast<int>(state.range(2));
  const bool tint = state.range(3) != 0;
  for (auto _ : state) {
    DrawLayerPicture(layer, frame, type, t1, t2, kKey, tint, 0x3080C0, 0, 0);
    benchmark::DoNotOptimize(frame.Bits());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(frame.ImageBytes()));
}
BENCHMARK(BM_DrawLayer)
    ->ArgNames({"type", "t", "alt", "tint"})
    ->Args({0, 0, 0, 0})
    ->Args({1, 40, 0, 0})
    ->Args({2, 0, 100, 0})
    ->Args({3, 0, 100, 0})
    ->Args({0, 0, 0, 1})
    ->Args({1, 40, 0, 1});

void BM_Rotate37(benchmark::State& state) {
  const bool aa = state.range(0) != 0;
  Picture work;
  for (auto _ : state) {
    work = Layer();
    RotatePicture(work, kKey, aa, 37.0);
    benchmark::DoNotOptimize(work.Bits());
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
  state.counters["pictures_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Rotate37)->ArgName("aa")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
