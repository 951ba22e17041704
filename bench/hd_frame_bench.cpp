// SPDX-License-Identifier: GPL-3.0-or-later
// Full-HD frames: composing one 1920 x 1080 frame of four layers (a
// photographic background, a picture blended at 50%, a rotating
// anti-aliased picture and a fading one, all in memory) next to the memcpy
// of one frame, and exporting a short 1080p bitmap sequence
// whose 50% layer is a video read from its frame store. Per frame, the
// pixels pass through memory a handful of times; what costs more than that
// is allocation and page faults, so run these with and without
// GLIBC_TUNABLES=glibc.malloc.mmap_threshold=33554432:glibc.malloc.trim_threshold=1073741824:
// the figures should agree.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "export/bitmap_sequence.h"
#include "model/image_resource.h"
#include "model/project.h"
#include "render/compose.h"
#include "render/frame_sequence.h"

namespace {

namespace fs = std::filesystem;
using namespace kt58;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kFrames = 12;
constexpr int kVideoFrames = 8;

// Smooth light and colour with grain, as a photograph has: few runs of one
// colour and a transparent corner colour that recurs next to nowhere.
Picture PhotoLike(int width, int height, uint32_t seed) {
  Picture p(width, height);
  uint32_t s = seed;
  for (int y = 0; y < height; ++y) {
    uint8_t* row = p.Row(y);
    for (int x = 0; x < width; ++x) {
      s = s * 1664525u + 1013904223u;
      const int grain = static_cast<int>(s >> 29) - 4;
      const double u = static_cast<double>(x) / width;
      const double v = static_cast<double>(y) / height;
      const double light = 0.55 + 0.35 * std::sin(3.1 * u + 1.7 * v + seed) * std::cos(2.3 * v - u);
      row[3 * x] = static_cast<uint8_t>(std::clamp(static_cast<int>(255 * light * (0.4 + 0.5 * v)) + grain, 0, 255));
      row[3 * x + 1] = static_cast<uint8_t>(std::clamp(static_cast<int>(255 * light * (0.6 + 0.3 * u)) + grain, 0, 255));
      row[3 * x + 2] = static_cast<uint8_t>(std::clamp(static_cast<int>(255 * light * (0.9 - 0.4 * v)) + grain, 0, 255));
    }
  }
  return p;
}

ImageResource* AddStill(Project& project, Picture picture) {
  auto ref = std::make_unique<PictureResource>(fs::path(), project.References->TakeNextId());
  ref->SourceType = st_Bmp;
  ref->Width = picture.Width();
  ref->Height = picture.Height();
  ref->Image = CreateWorkPicture24();
  ref->Image->TakeFrom(picture);
  return project.References->Append(std::move(ref));
}

// A video's frames in a store under `dir`, read back as an imported one is.
ImageResource* AddVideo(Project& project, const fs::path& dir) {
  auto ref = std::make_unique<FrameStoreResource>(fs::path(), project.References->TakeNextId());
  ref->SourceType = st_Avi;
  ref->Width = kWidth;
  ref->Height = kHeight;
  auto store = std::make_unique<FrameStore>();
  store->CreateFreeStoreFile(dir / "video.Dat");
  for (int i = 0; i < kVideoFrames; ++i) {
    Picture frame = PhotoLike(kWidth, kHeight, 40u + static_cast<uint32_t>(i));
    store->AppendFrame(frame);
  }
  store->WriteHeader();
  store->CloseFile();
  store->OpenForRead();
  ref->Image = std::move(store);
  return project.References->Append(std::move(ref));
}

// The four-layer project; with a folder the 50% layer is a video stored there.
struct HdProject {
  std::unique_ptr<Project> project = std::make_unique<Project>();
  // Dropped before the project, whose resources its layers count.
  FrameSequence sequence;

  explicit HdProject(const fs::path& video_dir = {}) {
    Project& p = *project;
    p.FixedFrameSize = true;
    p.FixedWidth = kWidth;
    p.FixedHeight = kHeight;
    p.FrameCount = kFrames;
    p.BackgroundColor = 0x102030;
    auto add = [&](ImageResource* ref) {
      auto layer = std::make_unique<Layer>(*p.References);
      layer->ImageRef = ref;
      layer->TransparentColor = 0x010203;
      Layer* raw = layer.get();
      p.ConstructorFrame->Layers.insert(p.ConstructorFrame->Layers.begin(), std::move(layer));
      return raw;
    };
    add(AddStill(p, PhotoLike(kWidth, kHeight, 7)));
    Layer* half = add(video_dir.empty() ? AddStill(p, PhotoLike(kWidth, kHeight, 11)) : AddVideo(p, video_dir));
    half->SetBlending(bt_Blend, 50, 0);
    Layer* turning = add(AddStill(p, PhotoLike(640, 480, 13)));
    turning->SetPosition(600, 250);
    turning->SetRotation(0, 360, false, true);
    Layer* fading = add(AddStill(p, PhotoLike(800, 600, 17)));
    fading->SetPosition(1000, 400);
    fading->SetFading(fm_Smooth, 0, 100);
    sequence = MakeFrameSequence(p);
  }
};

void BM_ComposeHdFrame(benchmark::State& state) {
  HdProject hd;
  // One picture for every frame, as the exports and the player keep.
  Picture frame;
  int k = 0;
  for (auto _ : state) {
    ComposeFrameInto(*hd.project, hd.sequence.Frame(k), FrameClock::Stepping(k), frame);
    benchmark::DoNotOptimize(frame.Bits());
    k = (k + 1) % kFrames;
  }
  state.counters["frames/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ComposeHdFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

// The physical reference for the figure above: one frame's bytes copied
// from one buffer to another, both larger than the caches.
void BM_MemcpyHdFrame(benchmark::State& state) {
  const size_t bytes = size_t{kWidth} * kHeight * 3;
  std::vector<uint8_t> from(bytes, 1), to(bytes, 2);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_MemcpyHdFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ExportHdBitmapSequence(benchmark::State& state) {
  // On tmpfs where there is one: each file is synced, and a disk's sync
  // would hide the work measured here.
  std::string tmpl = fs::is_directory("/dev/shm") ? "/dev/shm/kt58-hd-bench-XXXXXX" : "/tmp/kt58-hd-bench-XXXXXX";
  const fs::path dir = ::mkdtemp(tmpl.data());
  {
    HdProject hd(dir);
    fs::create_directory(dir / "out");
    for (auto _ : state) {
      const SequenceResult r = ExportBitmapSequence(*hd.project, hd.sequence, dir / "out", "frame###", 0);
      if (r.saved != kFrames) state.SkipWithError("frames not saved");
    }
    state.counters["frames/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kFrames, benchmark::Counter::kIsRate);
  }
  std::error_code ec;
  fs::remove_all(dir, ec);
}
BENCHMARK(BM_ExportHdBitmapSequence)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
