// SPDX-License-Identifier: GPL-3.0-or-later
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

// A failure of committing the file (a file error) reads as a frame that
// could not be added.
const char* TextFor(PlatformErrorCode code) {
  switch (code) {
    case PlatformErrorCode::VideoEncoderMissing:
    case PlatformErrorCode::VideoCreateFile: return kCreateFileText;
    case PlatformErrorCode::VideoCreateStream: return kCreateStreamText;
    case PlatformErrorCode::VideoSetFormat: return kSetFormatText;
    default: return kAddFrameText;
  }
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

bool ExportAvi(const Project& project, const FrameSequence& sequence, const fs::path& path, Progress& progress,
               const FrameRange& frames, const OutputSize& size) {
  VideoWriterSettings settings;
  settings.format = VideoFormat::Avi;
  settings.frame_ms = FrameDurationMs(project);
  try {
    EncodedFrames encoded = EncodeGeneratedFrames(project, sequence, path, settings,
                                                  {kAviExportCaption, kAviExportLabel}, progress, frames,
                                                  AviFileBytes, size);
    if (encoded.result != FramePassResult::Written) return false;
    encoded.file->Commit();
  } catch (const PlatformError& e) {
    // The described text first, then what the writer said: the file and
    // the system's reason (a full disk, a file-size limit).
    throw EAviExport(std::string(TextFor(e.Code())) + ": " + e.what());
  }
  return true;
}

}  // namespace kt58
