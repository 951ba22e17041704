// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/frame_encoding.h"

#include <algorithm>

#include "engine/alpha_key.h"
#include "engine/free_space.h"
#include "export/memory_plan.h"
#include "export/ordered_frames.h"
#include "platform/memory_budget.h"

namespace kt58 {

namespace fs = std::filesystem;

int FrameDurationMs(const Project& project) { return project.FrameDelay > 0 ? project.FrameDelay : 100; }

EncodedFrames EncodeGeneratedFrames(const Project& project, const FrameSequence& sequence, const fs::path& target,
                                    VideoWriterSettings settings, const FramePassDialog& texts, Progress& progress,
                                    const FrameRange& range, uint64_t (*bytes_bound)(int, int, int),
                                    const OutputSize& size) {
  using Stage = PlatformErrorCode;
  const std::vector<int> frames = range.Indices(sequence.Count());
  const int count = static_cast<int>(frames.size());
  progress.Begin(texts.caption, texts.cancellable);
  progress.Report(texts.label, 0, count);

  EncodedFrames out;
  if (frames.empty()) return out;
  // Planned before the first frame takes its memory.
  uint64_t planned = 0;
  if (settings.format == VideoFormat::Avi) {
    planned = CheckFrameAtATime(VideoFormatName(settings.format), project, size, MemoryBudget());
  } else {
    const EncoderPlan plan = PlanVideoEncoder(settings.format, project, size, MemoryBudget());
    settings.threads = plan.threads;
    settings.lookahead = plan.lookahead;
    planned = plan.bytes;
  }

  // The frames are composed on every core into a few reused pictures and
  // encoded here in order. The stream's size is that of the first.
  OrderedFrames composed(project, sequence, frames, &FrameClock::Stepping, size,
                         PlanComposedFrames(project, size, planned, MemoryBudget()));
  Picture* picture = composed.Next();
  if (!picture || picture->Empty()) return out;
  settings.width = picture->Width();
  settings.height = picture->Height();

  if (bytes_bound) CheckFreeSpace(target.parent_path(), bytes_bound(settings.width, settings.height, count), target);

  // The writer fills a temporary beside the target; the user's name gets
  // the file only once it is complete, and every failure removes it.
  try {
    out.file = std::make_unique<AtomicFile>(target);
  } catch (const PlatformError& e) {
    throw PlatformError(Stage::VideoCreateFile, e.what());
  }
  settings.shown_path = target;
  VideoWriter writer(out.file->TempPath(), settings);
  const BGR key = BackgroundBgr(project);
  std::vector<uint8_t> keyed;
  for (int i = 0; i < count; ++i) {
    progress.Report(texts.label, i, count);
    if (progress.Cancelled()) return {FramePassResult::Cancelled, nullptr};
    if (i > 0) picture = composed.Next();
    if (!picture || picture->Width() != settings.width || picture->Height() != settings.height)
      throw PlatformError(Stage::VideoWriteFrame, "frame " + std::to_string(frames[static_cast<size_t>(i)] + 1) +
                                                      " is not the size of the first");
    // The picture's bottom-up, padded rows are the writer's frame layout;
    // with alpha, its keyed copy's are.
    if (settings.alpha) {
      KeyedBgra(*picture, key, keyed);
      writer.WriteFrame(keyed.data(), keyed.size());
    } else {
      writer.WriteFrame(picture->Bits(), picture->ImageBytes());
    }
  }
  writer.Finish();
  out.result = FramePassResult::Written;
  return out;
}

}  // namespace kt58
