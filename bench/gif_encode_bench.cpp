// SPDX-License-Identifier: GPL-3.0-or-later
// GIF writing: LZW and run-length encoding speed per 640x480 frame, LZW
// output size against giflib's encoder on the same index streams, and the
// size of a 100-frame animation after the single colour map and every
// frame optimisation. The content is moving shapes over a banded background
// drawn from 240 colours, so an exact palette per frame stands in for the
// colour reduction and every encoder sees the same indices. The background
// stands still, as a layered animation's usually does;
// KT58_GIF_BENCH_DRIFT=1 makes it drift 3 pixels per frame, so that every
// frame changes everywhere.
// KT58_GIF_BENCH_OUT=<folder> (default /tmp/kt58_gif_bench) receives the
// frames as frame_NNN.ppm and the written animations, for
// bench/peers/gif_size.sh.
#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "engine/picture.h"
#include "export/gif/gif_image.h"
#include "export/gif/lzw_encoder.h"
#include "export/gif/rle_encoder.h"
#include "support/giflib_reference.h"

namespace {

using namespace kt58;

constexpr int kWidth = 640, kHeight = 480, kFrames = 100;

GifColor Colour(int k) {  // 240 distinct colours
  return {static_cast<uint8_t>((k * 37) & 255), static_cast<uint8_t>((k * 91 + 40) & 255),
          static_cast<uint8_t>(k < 120 ? k * 2 : 255 - (k - 120) * 2)};
}

bool Drift() {
  const char* env = std::getenv("KT58_GIF_BENCH_DRIFT");
  return env && std::string(env) == "1";
}

Picture MakeFrame(int t) {
  static const int drift = Drift() ? 3 : 0;
  Picture p(kWidth, kHeight);
  for (int y = 0; y < kHeight; ++y) {
    uint8_t* row = p.Row(y);
    for (int x = 0; x < kWidth; ++x) {
      int k = ((x + drift * t) / 24 + y / 40) % 40;  // bands of 40 colours
      const double dx = x - (120 + 4.0 * t), dy = y - (240 + 100 * std::sin(t / 10.0));
      const double d2 = dx * dx + dy * dy;
      if (d2 < 90.0 * 90.0) k = 40 + static_cast<int>(std::sqrt(d2) / 90.0 * 100);  // a shaded ball
      if (x > 400 && x < 560 && y > 60 + t && y < 160 + t) k = 140 + ((x / 8 + y / 8 + t) % 100);  // a moving checked box
      const GifColor c = Colour(k);
      row[3 * x] = c.b, row[3 * x + 1] = c.g, row[3 * x + 2] = c.r;
    }
  }
  return p;
}

// The frame's own colours as its palette (at most 256 here).
IndexedPicture ExactIndexed(const Picture& p) {
  IndexedPicture out{p.Width(), p.Height(), {}, {}};
  std::map<uint32_t, uint8_t> index;
  out.indices.reserve(static_cast<size_t>(p.Width()) * p.Height());
  for (int y = 0; y < p.Height(); ++y) {
    const uint8_t* row = p.Row(y);
    for (int x = 0; x < p.Width(); ++x) {
      const uint32_t key = (uint32_t{row[3 * x + 2]} << 16) | (uint32_t{row[3 * x + 1]} << 8) | row[3 * x];
      auto [it, added] = index.try_emplace(key, static_cast<uint8_t>(out.palette.size()));
      if (added) out.palette.push_back({row[3 * x + 2], row[3 * x + 1], row[3 * x]});
      out.indices.push_back(it->second);
    }
  }
  return out;
}

const std::vector<IndexedPicture>& Frames() {
  static const std::vector<IndexedPicture> frames = [] {
    std::vector<IndexedPicture> f;
    for (int t = 0; t < kFrames; ++t) f.push_back(ExactIndexed(MakeFrame(t)));
    return f;
  }();
  return frames;
}

size_t OurDataSize(const IndexedPicture& p, int compression) {
  const int bits = MinCodeSizeFor(p.palette.size());
  const std::vector<uint8_t> data = EncodeImageData(p.indices.data(), p.indices.size(), bits, compression);
  return 1 + data.size() + (data.size() + 254) / 255 + 1;
}

void BM_LZWEncodeFrame(benchmark::State& state) {
  const IndexedPicture& p = Frames()[50];
  const int bits = MinCodeSizeFor(p.palette.size());
  for (auto _ : state) benchmark::DoNotOptimize(LzwEncoder::Encode(p.indices.data(), p.indices.size(), bits));
  size_t ours = 0, giflib = 0;
  for (const IndexedPicture& f : Frames()) {
    ours += OurDataSize(f, gcLZW);
    giflib += test::GiflibImageDataSize(f);
  }
  state.counters["bytes_100_frames"] = static_cast<double>(ours);
  state.counters["giflib_bytes"] = static_cast<double>(giflib);
  state.counters["vs_giflib_%"] = 100.0 * (static_cast<double>(ours) / static_cast<double>(giflib) - 1.0);
}
BENCHMARK(BM_LZWEncodeFrame)->Unit(benchmark::kMillisecond);

void BM_RLEEncodeFrame(benchmark::State& state) {
  const IndexedPicture& p = Frames()[50];
  const int bits = MinCodeSizeFor(p.palette.size());
  for (auto _ : state) benchmark::DoNotOptimize(RleEncoder::Encode(p.indices.data(), p.indices.size(), bits));
  size_t ours = 0;
  for (const IndexedPicture& f : Frames()) ours += OurDataSize(f, gcRLE);
  state.counters["bytes_100_frames"] = static_cast<double>(ours);
}
BENCHMARK(BM_RLEEncodeFrame)->Unit(benchmark::kMillisecond);

void BM_GiflibEncodeFrame(benchmark::State& state) {
  const IndexedPicture& p = Frames()[50];
  for (auto _ : state) benchmark::DoNotOptimize(test::GiflibImageDataSize(p));
}
BENCHMARK(BM_GiflibEncodeFrame)->Unit(benchmark::kMillisecond);

std::filesystem::path OutDir() {
  const char* env = std::getenv("KT58_GIF_BENCH_OUT");
  std::filesystem::path dir = env && *env ? env : "/tmp/kt58_gif_bench";
  std::filesystem::create_directories(dir);
  return dir;
}

GifImage BuildAnimation(int compression) {
  GifImage image;
  image.SetCompression(compression);
  for (const IndexedPicture& f : Frames()) {
    const int n = image.Add(f);
    if (n == 0) image.Images(0).AddExtension<GifLoopExtension>();
    image.Images(static_cast<size_t>(n)).AddExtension<GifGraphicControlExtension>().Delay = 10;
  }
  return image;
}

// The export window's full optimisation: single colour map, then merge,
// crop, remove passive and sort.
void BM_OptimizedAnimation(benchmark::State& state) {
  const int compression = static_cast<int>(state.range(0));
  size_t plain = 0, optimized = 0;
  for (auto _ : state) {
    GifImage image = BuildAnimation(compression);
    plain = image.SaveToBytes().size();
    image.OptimizeColorMap();
    image.Optimize(ooCrop | ooMerge | ooCleanup | ooColorMap, rmQuantizeWindows, dmNearest, 0);
    const std::vector<uint8_t> bytes = image.SaveToBytes();
    optimized = bytes.size();
    std::ofstream(OutDir() / (compression == gcRLE ? "ours_rle.gif" : "ours_lzw.gif"), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  state.counters["plain_bytes"] = static_cast<double>(plain);
  state.counters["optimized_bytes"] = static_cast<double>(optimized);
  // The frames for the peers, once.
  const std::filesystem::path dir = OutDir();
  if (!std::filesystem::exists(dir / "frame_099.ppm")) {
    for (int t = 0; t < kFrames; ++t) {
      const Picture p = MakeFrame(t);
      char name[32];
      std::snprintf(name, sizeof name, "frame_%03d.ppm", t);
      std::ofstream out(dir / name, std::ios::binary);
      out << "P6\n" << kWidth << " " << kHeight << "\n255\n";
      for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
          const uint8_t* px = p.Row(y) + 3 * x;
          const char rgb[3] = {static_cast<char>(px[2]), static_cast<char>(px[1]), static_cast<char>(px[0])};
          out.write(rgb, 3);
        }
    }
  }
}
BENCHMARK(BM_OptimizedAnimation)->Arg(gcLZW)->Arg(gcRLE)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
