#include "export/avi_export.h"

#include <algorithm>
#include <optional>

#include "engine/ui_services.h"
#include "export/free_space.h"
#include "platform/atomic_file.h"
#include "platform/avi_writer.h"

namespace kt58 {

namespace fs = std::filesystem;

namespace {

constexpr const char* kCreateFileText = "Failed to create AVI file";
constexpr const char* kCreateStreamText = "Failed to create AVI stream";
constexpr const char* kSetFormatText = "Failed to set AVI stream format";
constexpr const char* kAddFrameText = "Failed to add frame to AVI";

const char* TextFor(AviWriteError::Stage stage) {
  switch (stage) {
    case AviWriteError::Stage::CreateFile: return kCreateFileText;
    case AviWriteError::Stage::CreateStream: return kCreateStreamText;
    case AviWriteError::Stage::SetFormat: return kSetFormatText;
    case AviWriteError::Stage::WriteFrame:
    case AviWriteError::Stage::Finish: return kAddFrameText;
  }
  return kAddFrameText;
}

}  // namespace

size_t AviFrameImageSize(int width, int height) {
  if (width <= 0 || height <= 0) return 0;
  return TPicture::RowBytesFor(width) * static_cast<size_t>(height);
}

uint64_t AviFileBytes(int width, int height, int frames) {
  constexpr uint64_t kPerFrame = 8 + 16 + 8;
  constexpr uint64_t kFixed = 64 * 1024;
  return kFixed + static_cast<uint64_t>(std::max(frames, 0)) * (AviFrameImageSize(width, height) + kPerFrame);
}

int AviFrameDurationMs(const TAnimation& animation) {
  return animation.FrameDelay > 0 ? animation.FrameDelay : 100;
}

bool ExportAvi(TAnimation& animation, const fs::path& path) {
  BusyCursor busy;
  ProgressScope dialog;
  dialog->SetCaption(kAviExportCaption);
  dialog->SetText(kAviExportLabel);
  dialog->SetRange(0, animation.FrameCount);
  dialog->SetPosition(0);
  dialog->Show();
  dialog->Repaint();

  animation.Playing = false;
  if (animation.Frames.empty()) return false;

  // The stream's size comes from a first composition of frame 0.
  int width = 0, height = 0;
  {
    WorkPicture first = animation.RenderFrame(animation.Frames[0].get());
    if (!first || first->Empty()) return false;
    width = first->Width();
    height = first->Height();
    FreeWorkPicture(first);
  }

  CheckFreeSpace(path.parent_path(), AviFileBytes(width, height, animation.FrameCount), path);

  // The muxer writes to a temporary beside the target; the user's name gets
  // the file only once it is complete, and every failure removes it.
  std::optional<AtomicFile> file;
  try {
    file.emplace(path);
  } catch (const EFileWrite&) {
    throw EAviExport(kCreateFileText);
  }
  try {
    AviWriter writer(file->TempPath(), width, height, AviFrameDurationMs(animation));
    const int count = animation.FrameCount;
    for (int i = 0; i < count; ++i) {
      dialog->SetPosition(i);
      ProcessPendingMessages();
      // Events may have cleared the frames meanwhile.
      if (static_cast<size_t>(i) >= animation.Frames.size()) throw EAviExport(kAddFrameText);
      animation.CurrentFrameIndex = i;
      WorkPicture picture = animation.RenderFrame(animation.Frames[static_cast<size_t>(i)].get());
      if (!picture || picture->Width() != width || picture->Height() != height) throw EAviExport(kAddFrameText);
      // The picture is stored exactly as a BI_RGB sample: bottom-up BGR rows
      // padded to 4 bytes, so it goes out without a copy.
      writer.WriteFrame(picture->Bits(), picture->ImageBytes());
      FreeWorkPicture(picture);
    }
    writer.Finish();
    file->Commit();
  } catch (const AviWriteError& e) {
    throw EAviExport(TextFor(e.stage));
  } catch (const EFileWrite&) {
    throw EAviExport(kAddFrameText);
  }
  return true;
}

}  // namespace kt58
