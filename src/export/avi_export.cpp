#include "export/avi_export.h"

#include <algorithm>

#include "export/frame_encoding.h"

namespace kt58 {

namespace fs = std::filesystem;

namespace {

constexpr const char* kCreateFileText = "Failed to create AVI file";
constexpr const char* kCreateStreamText = "Failed to create AVI stream";
constexpr const char* kSetFormatText = "Failed to set AVI stream format";
constexpr const char* kAddFrameText = "Failed to add frame to AVI";

const char* TextFor(VideoWriteError::Stage stage) {
  switch (stage) {
    case VideoWriteError::Stage::EncoderMissing:
    case VideoWriteError::Stage::CreateFile: return kCreateFileText;
    case VideoWriteError::Stage::CreateStream: return kCreateStreamText;
    case VideoWriteError::Stage::SetFormat: return kSetFormatText;
    case VideoWriteError::Stage::WriteFrame:
    case VideoWriteError::Stage::Finish: return kAddFrameText;
  }
  return kAddFrameText;
}

}  // namespace

size_t AviFrameImageSize(int width, int height) {
  if (width <= 0 || height <= 0) return 0;
  return Picture::RowBytesFor(width) * static_cast<size_t>(height);
}

uint64_t AviFileBytes(int width, int height, int frames) {
  constexpr uint64_t kPerFrame = 8 + 16 + 8;
  constexpr uint64_t kFixed = 64 * 1024;
  return kFixed + static_cast<uint64_t>(std::max(frames, 0)) * (AviFrameImageSize(width, height) + kPerFrame);
}

bool ExportAvi(TAnimation& animation, const fs::path& path) {
  VideoWriterSettings settings;
  settings.format = VideoFormat::Avi;
  settings.frame_ms = FrameDurationMs(animation);
  try {
    EncodedFrames encoded = EncodeGeneratedFrames(animation, path, settings, {kAviExportCaption, kAviExportLabel}, AviFileBytes);
    if (encoded.result != FramePassResult::Written) return false;
    encoded.file->Commit();
  } catch (const VideoWriteError& e) {
    throw EAviExport(TextFor(e.stage));
  } catch (const EFileWrite&) {
    throw EAviExport(kAddFrameText);
  }
  return true;
}

}  // namespace kt58
