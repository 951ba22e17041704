// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's 24-bit pictures as Qt images for showing on screen.
#pragma once

#include <QImage>

namespace kt58 {
class Picture;
}

// A copy of the picture, rows top-down; a null image for an empty picture.
QImage PictureImage(const kt58::Picture& picture);
