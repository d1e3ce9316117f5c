// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "geometry.h"

#include <cstdint>

namespace platform {

// A block of 32-bit pixels in memory, as the raster surfaces keep them: each pixel
// 0xAARRGGBB (bytes blue, green, red, alpha in memory), rows from the top row down, each
// row exactly `width` pixels with no padding, so pixel (x, y) is pixels[y * width + x].
// A toolkit can wrap such memory as a 32-bit RGB image without converting it.
struct TPixelBlock {
    const std::uint32_t* pixels = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// The client area of a control's window while the control paints it.
class IWindowCanvas {
public:
    virtual ~IWindowCanvas() = default;

    // Copies the pixels of `area` (client coordinates) from `source` to the same place in
    // the window, colour bytes only: the fourth byte of the source pixels plays no part.
    // The part of `area` outside the client area or outside `source` is skipped.
    virtual void BlockCopy(const TPixelBlock& source, const TRect& area) = 0;
};

} // namespace platform
