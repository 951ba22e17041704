// SPDX-License-Identifier: GPL-3.0-or-later
// Export speed on a 100-frame 640x480 project of four layers: the AVI export
// (MB/s of written video) and the animated GIF export next to ImageMagick
// composing the same layers per frame and building a GIF with the same
// palette size and no dithering (bench/helpers/export_gif_imagemagick.sh).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench_project.h"
#include "export/avi_export.h"
#include "export/gif_export.h"

namespace {

namespace fs = std::filesystem;
using namespace kt58;
using bench::kFrames;
using bench::BenchProject;

BenchProject& Shared() {
  static BenchProject project;
  return project;
}

void BM_ExportAvi(benchmark::State& state) {
  BenchProject& p = Shared();
  const fs::path out = p.dir / "bench.avi";
  for (auto _ : state) {
    ExportAvi(*p.project, p.sequence, out);
  }
  const double bytes = static_cast<double>(fs::file_size(out));
  state.counters["MB_written_per_s"] =
      benchmark::Counter(bytes / 1e6, benchmark::Counter::kIsIterationInvariantRate);
  fs::remove(out);
}
BENCHMARK(BM_ExportAvi)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_ExportGif(benchmark::State& state) {
  BenchProject& p = Shared();
  const fs::path out = p.dir / "ours.gif";
  GifExportOptions options;  // optimized-windows, 256 colours, nearest
  for (auto _ : state) ExportAnimatedGif(*p.project, p.sequence, options, out);
  state.counters["bytes"] = static_cast<double>(fs::file_size(out));
}
BENCHMARK(BM_ExportGif)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ImageMagickGif(benchmark::State& state) {
  BenchProject& p = Shared();
  const fs::path out = p.dir / "imagemagick.gif";
  const std::string cmd = std::string(KT58_SOURCE_DIR) + "/bench/helpers/export_gif_imagemagick.sh '" + p.dir.string() +
                          "' " + std::to_string(kFrames) + " '" + out.string() + "'";
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    if (std::system(cmd.c_str()) != 0) {
      state.SkipWithError("ImageMagick peer script failed");
      return;
    }
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  state.counters["bytes"] = static_cast<double>(fs::file_size(out));
}
BENCHMARK(BM_ImageMagickGif)->Unit(benchmark::kMillisecond)->Iterations(1)->UseManualTime();

}  // namespace
