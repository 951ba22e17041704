// Export speed on a 100-frame 640x480 project of four layers: the AVI export
// (MB/s of written video) and the animated GIF export next to ImageMagick
// composing the same layers per frame and building a GIF with the same
// palette size and no dithering (bench/helpers/export_gif_imagemagick.sh).
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "engine/bmp_codec.h"
#include "engine/raster_ops.h"
#include "export/avi_export.h"
#include "export/gif_export.h"
#include "model/animation.h"

namespace {

namespace fs = std::filesystem;
using namespace kt58;

constexpr int kFrames = 100;

// A picture with many colours (smooth gradients plus a little structure)
// whose corner colour does not recur, so the layer's automatic transparent
// colour removes next to nothing.
TPicture Pattern(int width, int height, int seed) {
  TPicture p(width, height);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = p.Row(y);
    for (int x = 0; x < width; ++x) {
      row[3 * x] = static_cast<uint8_t>((x * 255) / width + seed * 40);
      row[3 * x + 1] = static_cast<uint8_t>((y * 255) / height + ((x ^ y) & 15));
      row[3 * x + 2] = static_cast<uint8_t>(((x + y) * 2 + seed * 70) & 255);
    }
  }
  return p;
}

struct Project {
  fs::path dir;
  std::unique_ptr<TAnimation> animation;
  Project() {
    char tmpl[] = "/tmp/kt58-export-bench-XXXXXX";
    dir = ::mkdtemp(tmpl);
    auto write = [&](const char* name, const TPicture& p) {
      const std::vector<uint8_t> bytes = EncodeBmp(p);
      FILE* f = std::fopen((dir / name).c_str(), "wb");
      std::fwrite(bytes.data(), 1, bytes.size(), f);
      std::fclose(f);
    };
    write("base.bmp", Pattern(640, 480, 0));
    write("l1.bmp", Pattern(200, 150, 1));
    write("l2.bmp", Pattern(160, 120, 2));
    write("l3.bmp", Pattern(100, 80, 3));
    animation = std::make_unique<TAnimation>();
    animation->FrameCount = kFrames;
    animation->FrameDelay = 100;
    // Layers are added on top: base first. Offsets match the peer script.
    animation->AddLayerFromFile(dir / "base.bmp");
    animation->SetLayerOther(true, pr_Left, false, false);
    const struct {
      const char* name;
      int x, y;
    } tops[] = {{"l1.bmp", 40, 30}, {"l2.bmp", 300, 200}, {"l3.bmp", 500, 60}};
    for (const auto& t : tops) {
      animation->AddLayerFromFile(dir / t.name);
      animation->SetLayerPosition(t.x, t.y);
    }
    animation->Resequence(false);
  }
  ~Project() {
    animation.reset();
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
};

Project& Shared() {
  static Project project;
  return project;
}

void BM_ExportAvi(benchmark::State& state) {
  Project& p = Shared();
  const fs::path out = p.dir / "bench.avi";
  for (auto _ : state) {
    ExportAvi(*p.animation, out);
  }
  const double bytes = static_cast<double>(fs::file_size(out));
  state.counters["MB_written_per_s"] =
      benchmark::Counter(bytes / 1e6, benchmark::Counter::kIsIterationInvariantRate);
  fs::remove(out);
}
BENCHMARK(BM_ExportAvi)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_ExportGif(benchmark::State& state) {
  Project& p = Shared();
  const fs::path out = p.dir / "ours.gif";
  GifExportOptions options;  // optimized-windows, 256 colours, nearest
  for (auto _ : state) ExportAnimatedGif(*p.animation, options, out);
  state.counters["bytes"] = static_cast<double>(fs::file_size(out));
}
BENCHMARK(BM_ExportGif)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ImageMagickGif(benchmark::State& state) {
  Project& p = Shared();
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
