// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/video_export.h"

#include <system_error>

#include "engine/colors.h"
#include "platform/program_folder.h"

namespace kt58 {

namespace fs = std::filesystem;

namespace {

VideoWriterSettings SettingsFor(const Project& project, const VideoExportOptions& options) {
  VideoWriterSettings s;
  s.format = options.Format;
  s.frame_ms = options.FrameDelayMs > 0 ? options.FrameDelayMs : FrameDurationMs(project);
  s.quality = options.Quality;
  s.lossless = options.Lossless;
  s.plays = options.Plays;
  s.alpha = options.Transparent;
  const BGR background = BackgroundBgr(project);
  s.pad_bgr = {background.b, background.g, background.r};
  return s;
}

EncodedFrames Encode(const Project& project, const FrameSequence& sequence, const VideoExportOptions& options,
                     const fs::path& target, Progress& progress) {
  try {
    return EncodeGeneratedFrames(project, sequence, target, SettingsFor(project, options),
                                 {kVideoExportCaption, VideoExportLabel(options.Format), true}, progress,
                                 options.Frames, nullptr, options.Size);
  } catch (const PlatformError& e) {
    throw EVideoExport(e.what());
  }
}

}  // namespace

std::string VideoExportLabel(VideoFormat format) {
  return std::string("Building ") + VideoFormatName(format) + " file";
}

FramePassResult ExportVideo(const Project& project, const FrameSequence& sequence, const VideoExportOptions& options,
                            const fs::path& path, Progress& progress) {
  EncodedFrames encoded = Encode(project, sequence, options, path, progress);
  if (encoded.result == FramePassResult::Written) {
    try {
      encoded.file->Commit();
    } catch (const PlatformError& e) {
      throw EVideoExport(e.what());
    }
  }
  return encoded.result;
}

BuiltVideo::BuiltVideo(VideoFormat format, std::unique_ptr<AtomicFile> file)
    : format_(format), file_(std::move(file)) {}

uint64_t BuiltVideo::FileSize() const {
  std::error_code ec;
  const uintmax_t size = fs::file_size(file_->TempPath(), ec);
  return ec ? 0 : static_cast<uint64_t>(size);
}

void BuiltVideo::SaveAs(const fs::path& target) const {
  try {
    AtomicFile copy(target);
    std::error_code ec;
    fs::copy_file(file_->TempPath(), copy.TempPath(), fs::copy_options::overwrite_existing, ec);
    if (ec) throw PlatformError(PlatformErrorCode::FileWrite, "Cannot write " + target.string() + ": " + ec.message());
    copy.Commit();
  } catch (const PlatformError& e) {
    throw EVideoExport(e.what());
  }
}

std::unique_ptr<BuiltVideo> BuildVideo(const Project& project, const FrameSequence& sequence,
                                       const VideoExportOptions& options, Progress& progress) {
  const fs::path folder = ProgramFolder() / "Output";
  std::error_code ec;
  fs::create_directories(folder, ec);
  EncodedFrames encoded = Encode(project, sequence, options, folder / "Output.video", progress);
  if (encoded.result != FramePassResult::Written) return nullptr;
  return std::make_unique<BuiltVideo>(options.Format, std::move(encoded.file));
}

}  // namespace kt58
