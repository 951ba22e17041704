// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/frame_encoding.h"

#include "engine/ui_services.h"
#include "export/free_space.h"

namespace kt58 {

namespace fs = std::filesystem;

int FrameDurationMs(const Project& animation) { return animation.FrameDelay > 0 ? animation.FrameDelay : 100; }

EncodedFrames EncodeGeneratedFrames(Project& animation, const fs::path& target, VideoWriterSettings settings,
                                    const FramePassDialog& texts, uint64_t (*bytes_bound)(int, int, int)) {
  using Stage = PlatformErrorCode;
  BusyCursor busy;
  ProgressScope dialog;
  bool cancelled = false;
  dialog->SetCaption(texts.caption);
  dialog->SetText(texts.label);
  dialog->SetRange(0, animation.FrameCount);
  dialog->SetPosition(0);
  if (texts.cancellable) dialog->ShowCancel([&cancelled] { cancelled = true; });
  dialog->Show();
  dialog->Repaint();

  EncodedFrames out;
  if (animation.Frames.empty()) return out;

  // The stream's size comes from a first composition of frame 0.
  {
    WorkPicture first = ComposeFrame(animation, animation.Frames[0].get(), FrameClock::Stepping(0));
    if (!first || first->Empty()) return out;
    settings.width = first->Width();
    settings.height = first->Height();
    FreeWorkPicture(first);
  }

  if (bytes_bound)
    CheckFreeSpace(target.parent_path(), bytes_bound(settings.width, settings.height, animation.FrameCount), target);

  // The writer fills a temporary beside the target; the user's name gets
  // the file only once it is complete, and every failure removes it.
  try {
    out.file = std::make_unique<AtomicFile>(target);
  } catch (const PlatformError& e) {
    throw PlatformError(Stage::VideoCreateFile, e.what());
  }
  VideoWriter writer(out.file->TempPath(), settings);
  const int count = animation.FrameCount;
  for (int i = 0; i < count; ++i) {
    dialog->SetPosition(i);
    ProcessPendingMessages();
    if (cancelled) return {FramePassResult::Cancelled, nullptr};
    // Events may have cleared the frames meanwhile.
    if (static_cast<size_t>(i) >= animation.Frames.size())
      throw PlatformError(Stage::VideoWriteFrame, "the frames changed during the export");
    WorkPicture picture = ComposeFrame(animation, animation.Frames[static_cast<size_t>(i)].get(), FrameClock::Stepping(i));
    if (!picture || picture->Width() != settings.width || picture->Height() != settings.height)
      throw PlatformError(Stage::VideoWriteFrame, "frame " + std::to_string(i + 1) + " is not the size of the first");
    // The picture's bottom-up, padded rows are the writer's frame layout.
    writer.WriteFrame(picture->Bits(), picture->ImageBytes());
    FreeWorkPicture(picture);
  }
  writer.Finish();
  out.result = FramePassResult::Written;
  return out;
}

}  // namespace kt58
