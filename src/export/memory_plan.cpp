// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/memory_plan.h"

#include <algorithm>
#include <thread>

#include "platform/worker_threads.h"

namespace kt58 {

namespace {

constexpr uint64_t kMiB = uint64_t{1} << 20;
// The program itself, its libraries and the project.
constexpr uint64_t kBaseBytes = 96 * kMiB;

uint64_t Pixels(int width, int height) {
  return static_cast<uint64_t>(std::max(width, 1)) * static_cast<uint64_t>(std::max(height, 1));
}

// The frames an export of the project works with: composed, and written.
struct FrameSizes {
  int composed_w, composed_h, width, height;
};

FrameSizes SizesOf(const Project& project, const OutputSize& size) {
  const FrameSize composed = project.GetFrameSize();
  const int w = std::max(composed.Width, 1), h = std::max(composed.Height, 1);
  const auto [width, height] = size.For(w, h);
  return {w, h, width, height};
}

// Composed frame, scaled copy, conversion buffers: bytes per pixel.
uint64_t OwnBytes(const FrameSizes& f) {
  return kBaseBytes + 4 * Pixels(f.composed_w, f.composed_h) + 7 * Pixels(f.width, f.height);
}

unsigned Cores() { return std::max(1u, std::thread::hardware_concurrency()); }

// The encoder's bytes per pixel with this many threads and frames of
// lookahead (formats without either ignore them).
uint64_t EncoderBytesPerPixel(VideoFormat format, int threads, int lookahead) {
  switch (format) {
    case VideoFormat::Mp4:  // x264: reference, lookahead and per-thread frames
      return 40 + 20 * static_cast<uint64_t>(threads - 1) + 3 * static_cast<uint64_t>(lookahead);
    case VideoFormat::WebM:  // libvpx: its frame buffers, and the lag queue
      return 75 + 20 * static_cast<uint64_t>(threads - 1) + 3 * static_cast<uint64_t>(lookahead) / 2;
    case VideoFormat::WebP: return 22;
    case VideoFormat::Apng: return 13;
    case VideoFormat::Avi: return 0;
  }
  return 0;
}

std::string Refusal(const std::string& what, int width, int height, uint64_t needed, uint64_t budget) {
  return "Exporting " + std::to_string(width) + " x " + std::to_string(height) + " frames as " + what +
         " needs about " + std::to_string((needed + kMiB - 1) / kMiB) + " MB of memory; the memory limit is " +
         std::to_string(budget / kMiB) + " MB";
}

}  // namespace

EncoderPlan PlanVideoEncoder(VideoFormat format, const Project& project, const OutputSize& size, uint64_t budget) {
  const FrameSizes f = SizesOf(project, size);
  // The encoders' own choices: x264 runs 1.5 frame threads a core and looks
  // 40 frames ahead; libvpx a thread a core and 25 frames.
  const bool x264 = format == VideoFormat::Mp4;
  const int default_threads = x264 ? static_cast<int>(Cores() * 3 / 2) : static_cast<int>(Cores());
  const int default_lookahead = x264 ? 40 : 25;
  const uint64_t own = OwnBytes(f);
  const uint64_t pixels = Pixels(f.width, f.height);
  auto need = [&](int threads, int lookahead) {
    return own + pixels * EncoderBytesPerPixel(format, threads, lookahead);
  };
  int threads = default_threads, lookahead = default_lookahead;
  while (need(threads, lookahead) > budget && (threads > 1 || lookahead > 0)) {
    if (threads > 1)
      --threads;
    else
      lookahead = std::max(0, lookahead - 5);
  }
  const uint64_t bytes = need(threads, lookahead);
  if (bytes > budget) throw ENotEnoughMemory(Refusal(VideoFormatName(format), f.width, f.height, bytes, budget));
  EncoderPlan plan{0, -1, bytes};
  // Settings of their own only where the defaults would not fit, so that
  // every other export stays as it always was.
  if (threads != default_threads || lookahead != default_lookahead) {
    plan.threads = threads;
    if (format == VideoFormat::Mp4 || format == VideoFormat::WebM) plan.lookahead = lookahead;
  }
  return plan;
}

int PlanGifFramesInFlight(const Project& project, const OutputSize& size, int wanted, uint64_t budget) {
  // The palette, the shown frame and the writer's frame; then for each
  // frame in flight its composed picture, indices and ditherer's rows: all
  // at the larger of the composed and the written size.
  const FrameSizes f = SizesOf(project, size);
  const uint64_t pixels = std::max(Pixels(f.composed_w, f.composed_h), Pixels(f.width, f.height));
  const uint64_t fixed = kBaseBytes + 6 * pixels;
  const uint64_t each = 4 * pixels;
  const uint64_t fits = budget > fixed ? (budget - fixed) / each : 0;
  if (fits < 1) throw ENotEnoughMemory(Refusal("GIF", f.width, f.height, fixed + each, budget));
  return static_cast<int>(std::min<uint64_t>(static_cast<uint64_t>(std::max(wanted, 1)), fits));
}

uint64_t CheckFrameAtATime(const std::string& what, const Project& project, const OutputSize& size,
                           uint64_t budget) {
  const FrameSizes f = SizesOf(project, size);
  const uint64_t needed = OwnBytes(f);
  if (needed > budget) throw ENotEnoughMemory(Refusal(what, f.width, f.height, needed, budget));
  return needed;
}

size_t PlanComposedFrames(const Project& project, const OutputSize& size, uint64_t planned, uint64_t budget) {
  // Each further frame: its composed picture and its scaled copy.
  const FrameSizes f = SizesOf(project, size);
  const uint64_t each = 4 * (Pixels(f.composed_w, f.composed_h) + Pixels(f.width, f.height));
  const uint64_t spare = budget > planned ? (budget - planned) / each : 0;
  const uint64_t wanted = 2 * static_cast<uint64_t>(WorkerThreads());
  return static_cast<size_t>(std::min(wanted, 1 + spare));
}

}  // namespace kt58
