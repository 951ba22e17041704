// SPDX-License-Identifier: GPL-3.0-or-later
// The one error of the platform ring: the kind of failure, for callers that
// treat kinds differently, and the cause's text, which names the file or
// source and the reason.
#pragma once

#include <stdexcept>
#include <string>

namespace kt58 {

enum class PlatformErrorCode {
  // A file cannot be made (owned files).
  FileCreate,
  // A file cannot be written, flushed or renamed into place.
  FileWrite,
  // The run was interrupted before the target was replaced; the old target
  // is untouched.
  CommitInterrupted,
  // The video writer's stages: no encoder for the format, the file, the
  // stream, the stream's format, a frame, the file's end.
  VideoEncoderMissing,
  VideoCreateFile,
  VideoCreateStream,
  VideoSetFormat,
  VideoWriteFrame,
  VideoFinish,
  // A JPEG that cannot be decoded or encoded, or its file read or written.
  Jpeg,
  // A GIF that cannot be read.
  GifDecode,
  // A PNG that cannot be encoded.
  Png,
  // A picture swscale cannot resize.
  PictureScale,
};

class PlatformError : public std::runtime_error {
 public:
  PlatformError(PlatformErrorCode code, const std::string& cause) : std::runtime_error(cause), code_(code) {}
  PlatformErrorCode Code() const { return code_; }

 private:
  PlatformErrorCode code_;
};

}  // namespace kt58
