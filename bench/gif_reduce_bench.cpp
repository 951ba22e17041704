// SPDX-License-Identifier: GPL-3.0-or-later
// Colour reduction of 640x480 frames with tens of thousands of colours
// (moving gradients under a few flat and shaded shapes), the load of an
// animated GIF export. Besides the time per frame it reports the mean PSNR
// (dB, over all three components) of the reduced frames against the
// originals. KT58_BENCH_FRAMES_DIR=<folder> also writes the frames there as
// frame_NN.bmp, and their reductions with code 7 at 8 bits as
// ours_dD_NN.bmp (D the dither code, 0 or 1), for bench/peers/gif_quality.sh.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/bmp_codec.h"
#include "engine/picture.h"
#include "export/gif/color_histogram.h"
#include "export/gif/color_lookup.h"
#include "export/gif/color_reduction.h"
#include "export/gif/global_palette.h"

namespace {

using namespace kt58;

constexpr int kWidth = 640, kHeight = 480, kFrames = 8;

Picture MakeFrame(int t) {
  Picture p(kWidth, kHeight);
  const double cx = 200 + 20 * t, cy = 240, radius = 120;
  for (int y = 0; y < kHeight; ++y) {
    uint8_t* row = p.Row(y);
    for (int x = 0; x < kWidth; ++x) {
      int r = (x * 255 / (kWidth - 1) + 7 * t) & 255;
      int g = y * 255 / (kHeight - 1);
      int b = ((x + y) / 5 + 11 * t) & 255;
      const double dx = x - cx, dy = y - cy, d = std::sqrt(dx * dx + dy * dy);
      if (d < radius) {  // a shaded ball
        const double shade = 1.0 - d / radius;
        r = static_cast<int>(60 + 190 * shade);
        g = static_cast<int>(20 + 120 * shade);
        b = static_cast<int>(30 + 40 * shade);
      }
      if (x > 420 + 5 * t && x < 560 + 5 * t && y > 60 && y < 180) r = 250, g = 240, b = 40;  // flat box
      if (y > 380 && y < 440 && ((x + 4 * t) / 40) % 2 == 0) r = g = b = (x * 3 + t) & 255;  // grey stripes
      row[3 * x] = static_cast<uint8_t>(b);
      row[3 * x + 1] = static_cast<uint8_t>(g);
      row[3 * x + 2] = static_cast<uint8_t>(r);
    }
  }
  return p;
}

Picture Expand(const IndexedPicture& in) {
  Picture p(in.width, in.height);
  for (int y = 0; y < in.height; ++y)
    for (int x = 0; x < in.width; ++x) {
      const GifColor c = in.palette[in.indices[static_cast<size_t>(y) * static_cast<size_t>(in.width) + static_cast<size_t>(x)]];
      uint8_t* px = p.Row(y) + 3 * x;
      px[0] = c.b, px[1] = c.g, px[2] = c.r;
    }
  return p;
}

void WriteBmp(const std::filesystem::path& path, const Picture& p) {
  std::ofstream out(path, std::ios::binary);
  WriteBmpImage(p, out);
}

const std::vector<Picture>& Frames() {
  static const std::vector<Picture> frames = [] {
    std::vector<Picture> v;
    for (int t = 0; t < kFrames; ++t) v.push_back(MakeFrame(t));
    if (const char* dir = std::getenv("KT58_BENCH_FRAMES_DIR")) {
      std::filesystem::create_directories(dir);
      for (int t = 0; t < kFrames; ++t) {
        const Picture& frame = v[static_cast<size_t>(t)];
        char name[32];
        std::snprintf(name, sizeof name, "frame_%02d.bmp", t);
        WriteBmp(std::filesystem::path(dir) / name, frame);
        for (int dither : {dmNearest, dmFloydSteinberg}) {
          std::snprintf(name, sizeof name, "ours_d%d_%02d.bmp", dither, t);
          WriteBmp(std::filesystem::path(dir) / name, Expand(ReduceColors(frame, rmQuantize, 8, dither)));
        }
      }
    }
    return v;
  }();
  return frames;
}

double Psnr(const Picture& original, const IndexedPicture& reduced) {
  double sum = 0;
  for (int y = 0; y < original.Height(); ++y) {
    const uint8_t* p = original.Row(y);
    for (int x = 0; x < original.Width(); ++x, p += 3) {
      const GifColor c = reduced.palette[reduced.indices[static_cast<size_t>(y) * kWidth + static_cast<size_t>(x)]];
      const double db = p[0] - c.b, dg = p[1] - c.g, dr = p[2] - c.r;
      sum += db * db + dg * dg + dr * dr;
    }
  }
  const double mse = sum / (3.0 * original.Width() * original.Height());
  return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

int DistinctColours(const Picture& p) {
  std::vector<bool> seen(1 << 24);
  int n = 0;
  for (int y = 0; y < p.Height(); ++y) {
    const uint8_t* q = p.Row(y);
    for (int x = 0; x < p.Width(); ++x, q += 3) {
      const size_t key = (size_t{q[2]} << 16) | (size_t{q[1]} << 8) | q[0];
      if (!seen[key]) seen[key] = true, ++n;
    }
  }
  return n;
}

void BM_ReduceColors(benchmark::State& state) {
  const int reduction = static_cast<int>(state.range(0));
  const int dither = static_cast<int>(state.range(1));
  const auto& frames = Frames();
  size_t i = 0;
  for (auto _ : state) {
    IndexedPicture out = ReduceColors(frames[i++ % frames.size()], reduction, 8, dither);
    benchmark::DoNotOptimize(out.indices.data());
  }
  double psnr = 0;
  for (const Picture& f : frames) psnr += Psnr(f, ReduceColors(f, reduction, 8, dither));
  state.counters["psnr_dB"] = psnr / static_cast<double>(frames.size());
  state.counters["colours_in"] = DistinctColours(frames[0]);
}
BENCHMARK(BM_ReduceColors)
    ->ArgNames({"reduction", "dither"})
    ->Args({rmQuantize, dmNearest})
    ->Args({rmQuantize, dmFloydSteinberg})
    ->Args({rmQuantizeWindows, dmNearest})
    ->Args({rmNetscape, dmNearest})
    ->Args({rmNetscape, dmFloydSteinberg})
    ->Unit(benchmark::kMillisecond);

// The steps of the whole-animation palette: counting a frame's colours, the
// palette of all frames (octree and refinement over their histograms), and
// mapping a frame onto it (the exact nearest entry).
void BM_ColorHistogram(benchmark::State& state) {
  const auto& frames = Frames();
  size_t i = 0;
  for (auto _ : state) {
    ColorHistogram h = ColorHistogramOf(frames[i++ % frames.size()]);
    benchmark::DoNotOptimize(h.data());
  }
}
BENCHMARK(BM_ColorHistogram)->Unit(benchmark::kMillisecond);

GifPalette SharedPalette() {
  GlobalPaletteBuilder builder(256);
  for (const Picture& f : Frames()) builder.AddHistogram(ColorHistogramOf(f));
  return builder.Palette();
}

void BM_SharedPalette(benchmark::State& state) {
  std::vector<ColorHistogram> histograms;
  for (const Picture& f : Frames()) histograms.push_back(ColorHistogramOf(f));
  for (auto _ : state) {
    GlobalPaletteBuilder builder(256);
    for (const ColorHistogram& h : histograms) builder.AddHistogram(h);
    GifPalette palette = builder.Palette();
    benchmark::DoNotOptimize(palette.data());
  }
  state.counters["frames"] = static_cast<double>(histograms.size());
}
BENCHMARK(BM_SharedPalette)->Unit(benchmark::kMillisecond);

void BM_MapToSharedPalette(benchmark::State& state) {
  const int dither = static_cast<int>(state.range(0));
  const auto& frames = Frames();
  const ExactNearestAnswers palette(SharedPalette());
  size_t i = 0;
  for (auto _ : state) {
    IndexedPicture out = MapToSharedPalette(frames[i++ % frames.size()], palette, dither);
    benchmark::DoNotOptimize(out.indices.data());
  }
  double psnr = 0;
  for (const Picture& f : frames) psnr += Psnr(f, MapToSharedPalette(f, palette, dither));
  state.counters["psnr_dB"] = psnr / static_cast<double>(frames.size());
}
BENCHMARK(BM_MapToSharedPalette)
    ->ArgNames({"dither"})
    ->Arg(dmNearest)
    ->Arg(dmFloydSteinberg)
    ->Unit(benchmark::kMillisecond);

}  // namespace
