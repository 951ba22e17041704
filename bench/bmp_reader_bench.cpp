// SPDX-License-Identifier: GPL-3.0-or-later
// Reading the frame store's own images back to back: the 24-bit fast path,
// which must keep up with at least 1 GB/s from the page cache.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/bmp_codec.h"
#include "engine/picture.h"

namespace {

void BM_ReadBmpImageFrames(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0));
  const int height = static_cast<int>(state.range(1));
  constexpr int kFrames = 32;
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("kt58_bmp_bench_" + std::to_string(::getpid()) + ".dat");
  {
    kt58::Picture frame(width, height);
    for (size_t i = 0; i < frame.ImageBytes(); ++i) frame.Bits()[i] = static_cast<uint8_t>(i * 7);
    std::ofstream out(path, std::ios::binary);
    for (int i = 0; i < kFrames; ++i) kt58::WriteBmpImage(frame, out);
  }
  kt58::Picture picture;
  std::ifstream in(path, std::ios::binary);
  for (auto _ : state) {
    in.clear();
    in.seekg(0);
    for (int i = 0; i < kFrames; ++i) kt58::ReadBmpImage(in, picture, "bench");
    benchmark::DoNotOptimize(picture.Bits());
  }
  state.SetBytesProcessed(state.iterations() * kFrames * static_cast<int64_t>(kt58::BmpImageSize(picture)));
  std::filesystem::remove(path);
}
BENCHMARK(BM_ReadBmpImageFrames)->Args({640, 480})->Args({1920, 1080})->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
