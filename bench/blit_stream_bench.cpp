// SPDX-License-Identifier: GPL-3.0-or-later
// Sequential playback from a warm frame store: bytes of picture data per
// second delivered by ReadNextFrame (the page cache holds the file).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine/frame_store.h"

namespace {

void BM_ReadNextFrame(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  const auto file = std::filesystem::temp_directory_path() / ("kt58-bench-" + std::to_string(::getpid()) + ".Dat");
  kt58::FrameStore store;
  kt58::Picture frame(width, height);
  for (size_t i = 0; i < frame.ImageBytes(); ++i) frame.Bits()[i] = static_cast<uint8_t>(i * 7);
  store.CreateStoreFile(file);
  for (int i = 0; i < 16; ++i) store.AppendFrame(frame);
  store.WriteHeader();
  store.CloseFile();
  store.OpenForRead();
  store.ReadHeader();
  for (auto _ : state) {
    kt58::WorkPicture p = store.ReadNextFrame();
    if (!p) state.SkipWithError("read failed");
    benchmark::DoNotOptimize(p->Bits());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(frame.ImageBytes()));
  // The store deletes its open file.
}
BENCHMARK(BM_ReadNextFrame)->Args({640, 480})->Args({1920, 1080})->UseRealTime();

}  // namespace
