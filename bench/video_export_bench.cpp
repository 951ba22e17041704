// SPDX-License-Identifier: GPL-3.0-or-later
// `kt58 export-video` of the 100-frame 640x480 bench project to each format,
// side by side with the ffmpeg tool encoding the same frames (as BMP files)
// with the same encoder settings. Each run is timed by the wall clock, best
// of three; the ffmpeg rows carry our time and size as ratios to theirs
// (goal: time_ratio <= 1.2, size_ratio within 0.95 .. 1.05).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "bench_project.h"
#include "platform/video_writer.h"
#include "render/compose.h"

namespace {

namespace fs = std::filesystem;
using namespace kt58;

struct Format {
  const char* extension;
  // The ffmpeg options that match what VideoWriter sets at the default
  // quality (75: WebP 80, x264 CRF 20, VP9 CRF 31), its 4:2:0 conversion
  // included.
  const char* ffmpeg_options;
};

const Format kFormats[] = {
    {"webp", "-c:v libwebp_anim -quality 80 -loop 0"},
    {"apng", "-c:v apng -plays 0"},
    {"mp4", "-sws_flags bicubic+accurate_rnd -c:v libx264 -crf 20 -pix_fmt yuv420p -movflags +faststart"},
    {"webm", "-sws_flags bicubic+accurate_rnd -c:v libvpx-vp9 -pix_fmt yuv420p -crf 31 -b:v 0 -deadline good -cpu-used 4 -row-mt 1"},
};

// The project saved as a file for the tool, and its frames as BMP files for
// ffmpeg, composed as the export composes them.
struct Inputs {
  bench::BenchProject source;
  fs::path apf;
  Inputs() {
    apf = source.dir / "bench.apf";
    source.project->SaveToFile(apf);
    for (int i = 0; i < source.sequence.Count(); ++i) {
      WorkPicture p = ComposeFrame(*source.project, source.sequence.Frame(i), FrameClock::Stepping(i));
      char name[32];
      std::snprintf(name, sizeof name, "frame_%03d.bmp", i);
      bench::WriteBytes(source.dir / name, EncodeBmp(*p));
    }
  }
};

Inputs& Shared() {
  static Inputs inputs;
  return inputs;
}

struct Result {
  double seconds = 0;
  double bytes = 0;
};
std::map<std::string, Result> g_ours;

// Best wall time of three runs of a shell command; negative on failure.
double BestOfThree(const std::string& command) {
  double best = 1e30;
  for (int run = 0; run < 3; ++run) {
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) return -1;
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  return best;
}

void BM_Kt58ExportVideo(benchmark::State& state, const Format& format) {
  Inputs& in = Shared();
  const fs::path out = in.source.dir / (std::string("kt58.") + format.extension);
  const std::string command = "KT58_HOME='" + in.source.dir.string() + "/' '" + KT58_CLI_PATH +
                              "' export-video '" + in.apf.string() + "' '" + out.string() + "'";
  for (auto _ : state) {
    const double seconds = BestOfThree(command);
    if (seconds < 0) {
      state.SkipWithError("kt58 export-video failed");
      return;
    }
    state.SetIterationTime(seconds);
    g_ours[format.extension] = {seconds, static_cast<double>(fs::file_size(out))};
  }
  state.counters["bytes"] = g_ours[format.extension].bytes;
}

void BM_FfmpegVideo(benchmark::State& state, const Format& format) {
  Inputs& in = Shared();
  const fs::path out = in.source.dir / (std::string("ffmpeg.") + format.extension);
  const std::string command = "ffmpeg -nostdin -v error -y -framerate 10 -i '" + in.source.dir.string() +
                              "/frame_%03d.bmp' " + format.ffmpeg_options + " '" + out.string() + "'";
  double seconds = 0;
  for (auto _ : state) {
    seconds = BestOfThree(command);
    if (seconds < 0) {
      state.SkipWithError("ffmpeg failed (missing encoder?)");
      return;
    }
    state.SetIterationTime(seconds);
  }
  const double bytes = static_cast<double>(fs::file_size(out));
  state.counters["bytes"] = bytes;
  const auto ours = g_ours.find(format.extension);
  if (ours != g_ours.end()) {
    state.counters["time_ratio"] = ours->second.seconds / seconds;
    state.counters["size_ratio"] = ours->second.bytes / bytes;
  }
}

// Ours first, then ffmpeg's for the same format, so the ratios are ready.
[[maybe_unused]] const bool kRegistered = [] {
  for (const Format& f : kFormats) {
    benchmark::RegisterBenchmark((std::string("Kt58ExportVideo/") + f.extension).c_str(), BM_Kt58ExportVideo, f)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1)
        ->UseManualTime();
    benchmark::RegisterBenchmark((std::string("FfmpegVideo/") + f.extension).c_str(), BM_FfmpegVideo, f)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1)
        ->UseManualTime();
  }
  return true;
}();

}  // namespace
