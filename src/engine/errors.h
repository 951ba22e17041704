// SPDX-License-Identifier: GPL-3.0-or-later
// The exception types of the core. Front ends catch Kt58Error and show its text.
#pragma once

#include <stdexcept>
#include <string>

namespace kt58 {

// The base of every ring's error above the platform.
class Kt58Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class EngineErrorCode {
  // An operation abandoned on purpose; the front ends end it without a
  // message (a resource made for a file that does not exist).
  Abort,
  // A picture whose size is negative or too large to hold.
  PictureSize,
  // A BMP image that cannot be read; the text names the source and the fault.
  Bmp,
  // An embedded frame store whose record does not hold together.
  StoreFormat,
  // A frame store file that refused bytes being written to it (a full disk,
  // the file-size limit); the text names the file and the system's reason.
  StoreWrite,
  // A JPEG file that cannot be decoded or written.
  Jpeg,
  // A GIF file that cannot be decoded.
  GifDecode,
  // A PNG file that cannot be written.
  Png,
  // An argument outside what a raster operation can work with (a sample
  // point outside the picture, an angle that is not a finite number).
  RasterArgument,
};

// The engine's error: the kind, for callers that treat kinds differently,
// and the cause's text.
class EngineError : public Kt58Error {
 public:
  EngineError(EngineErrorCode code, const std::string& cause) : Kt58Error(cause), code_(code) {}
  EngineErrorCode Code() const { return code_; }

 private:
  EngineErrorCode code_;
};

}  // namespace kt58
