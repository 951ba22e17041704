// SPDX-License-Identifier: GPL-3.0-or-later
// Failures of the GIF writer.
#pragma once

#include "engine/errors.h"

namespace kt58 {

// Carries one of the writer's fixed texts ("Invalid Bits Per Pixel value",
// "Unsupported PixelFormat", "Object type not supported for operation",
// "Unsupported GIF version", "Image is empty", "Color table is empty",
// "Invalid reduction method").
class GIFException : public Kt58Error {
 public:
  using Kt58Error::Kt58Error;
};

}  // namespace kt58
