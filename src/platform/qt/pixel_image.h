// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/window_canvas.h"

#include <QImage>

namespace platform::qt {

// An image over a block of our pixels, without copying or converting them: the block's
// layout is QImage's 32-bit layout. Format_RGB32 leaves the fourth byte out of the colour;
// Format_ARGB32 reads it as alpha. The image is valid while the block's memory is.
inline QImage WrapPixelBlock(const TPixelBlock& block,
                             QImage::Format format = QImage::Format_RGB32) {
    return QImage(reinterpret_cast<const uchar*>(block.pixels), block.width, block.height,
                  static_cast<qsizetype>(block.width) * sizeof(*block.pixels), format);
}

} // namespace platform::qt
