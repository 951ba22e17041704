// SPDX-License-Identifier: GPL-3.0-or-later
// Video and web animation export: every generated frame encoded through
// FFmpeg into an animated WebP, APNG, MP4 (H.264) or WebM (VP9) file, the
// format following the file's extension.
//
// Two ways to use it: ExportVideo writes the chosen file in one go (the
// command line); BuildVideo encodes into a temporary file whose size can be
// shown before the user saves it with BuiltVideo::SaveAs (an export window
// with a file size, as the GIF window has). Both show the progress dialog
// with Cancel; a Cancel leaves no file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "engine/errors.h"
#include "platform/atomic_file.h"
#include "export/frame_encoding.h"
#include "model/project.h"
#include "platform/video_writer.h"

namespace kt58 {

// A failed video export; the text says what failed and names the file or
// the missing encoder.
class EVideoExport : public Kt58Error {
 public:
  using Kt58Error::Kt58Error;
};

inline constexpr const char* kVideoExportCaption = "Video Export...";
// "Building WebP file", ...
std::string VideoExportLabel(VideoFormat format);

struct VideoExportOptions {
  VideoFormat Format = VideoFormat::WebP;
  int FrameDelayMs = 0;                 // 0: FrameDurationMs of the project
  int Quality = kDefaultVideoQuality;   // 0..100, lossy formats
  bool Lossless = false;                // WebP; APNG is always exact
  int Plays = 0;                        // WebP and APNG: 0 forever, else that many times
  FrameRange Frames;                    // the frames encoded, each as in the whole animation
  OutputSize Size;                      // the size they are encoded at
  // WebP and APNG: the project's background colour written transparent,
  // every other pixel opaque (keyed after scaling); the videos have no
  // alpha and raise EVideoExport.
  bool Transparent = false;
};

// Encodes every generated frame to path through a temporary file renamed
// into place. Frame timing, loop and encoder settings as VideoWriter
// describes; odd MP4 sides are padded with the background colour. Written
// when the file is there, NothingToWrite (no frames, or a first frame
// without a picture) and Cancelled leave no file. Raises EVideoExport.
FramePassResult ExportVideo(const Project& project, const FrameSequence& sequence, const VideoExportOptions& options,
                            const std::filesystem::path& path, Progress& progress = NoProgress());

// A finished encoding kept in a hidden temporary file in the program's
// Output folder until it is saved or dropped (the object's end removes it).
class BuiltVideo {
 public:
  BuiltVideo(VideoFormat format, std::unique_ptr<AtomicFile> file);
  VideoFormat Format() const { return format_; }
  // The bytes the saved file will have.
  uint64_t FileSize() const;
  const std::filesystem::path& Path() const { return file_->TempPath(); }
  // Copies the encoding to target through a temporary renamed into place;
  // the build stays, so it can be saved again. Raises EVideoExport.
  void SaveAs(const std::filesystem::path& target) const;

 private:
  VideoFormat format_;
  std::unique_ptr<AtomicFile> file_;
};

// Encodes as ExportVideo does into ProgramFolder()/Output/ (created when
// missing). Null when there was nothing to write or the user cancelled.
// Raises EVideoExport.
std::unique_ptr<BuiltVideo> BuildVideo(const Project& project, const FrameSequence& sequence,
                                       const VideoExportOptions& options, Progress& progress = NoProgress());

}  // namespace kt58
