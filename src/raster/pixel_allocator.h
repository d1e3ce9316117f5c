// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pixel32.h"

#include <cstddef>

namespace raster {

// Where surfaces get their pixel memory. Surfaces rely on it being zeroed.
class TPixelAllocator {
public:
    virtual ~TPixelAllocator() = default;

    // Returns `count` (> 0) zeroed pixels, suitably aligned, or nullptr when the memory
    // cannot be had.
    virtual TPixel32* Allocate(std::size_t count) = 0;

    // Gives back memory that Allocate returned.
    virtual void Release(TPixel32* pixels) noexcept = 0;

    // The process's heap.
    static TPixelAllocator& Default();
};

} // namespace raster
