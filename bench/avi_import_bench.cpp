// SPDX-License-Identifier: GPL-3.0-or-later
// Importing a 100-frame 640x480 MJPEG AVI into a frame store, the whole
// operation (decode, colour conversion, BMP images written to the store's
// file). KT58_AVI_BENCH_FILE=<file.avi> imports that file instead of one
// made here with the ffmpeg tool.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine/avi_import.h"
#include "engine/frame_store.h"

namespace {

namespace fs = std::filesystem;

void BM_ImportAvi(benchmark::State& state) {
  const fs::path work = fs::temp_directory_path() / ("kt58-avi-bench-" + std::to_string(::getpid()));
  fs::create_directories(work);
  fs::path avi;
  if (const char* given = std::getenv("KT58_AVI_BENCH_FILE")) {
    avi = given;
  } else {
    avi = work / "mjpeg-640x480-100.avi";
    const std::string cmd =
        "ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc2=size=640x480:rate=25:duration=4 "
        "-c:v mjpeg -pix_fmt yuvj420p -q:v 3 '" + avi.string() + "'";
    if (std::system(cmd.c_str()) != 0) {
      state.SkipWithError("ffmpeg could not make the AVI");
      fs::remove_all(work);
      return;
    }
  }
  int frames = 0;
  for (auto _ : state) {
    kt58::FrameStore store;
    if (!store.CreateStoreFile(work / "store.Dat")) {
      state.SkipWithError("cannot create the store");
      break;
    }
    kt58::WorkPicture first = kt58::ImportAvi(store, avi, false, kt58::NoProgress());
    if (!first) {
      state.SkipWithError("import failed");
      break;
    }
    frames = store.FrameCount;
  }
  state.counters["frames"] = frames;
  state.counters["frames_per_s"] =
      benchmark::Counter(static_cast<double>(frames) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  fs::remove_all(work);
}
BENCHMARK(BM_ImportAvi)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

}  // namespace
