// SPDX-License-Identifier: GPL-3.0-or-later
#include "pixel_allocator.h"

#include <cstdlib>

namespace raster {

namespace {

class THeapPixelAllocator : public TPixelAllocator {
public:
    TPixel32* Allocate(std::size_t count) override {
        // calloc checks count * size for overflow and hands out zeroed memory.
        return static_cast<TPixel32*>(std::calloc(count, sizeof(TPixel32)));
    }

    void Release(TPixel32* pixels) noexcept override { std::free(pixels); }
};

} // namespace

TPixelAllocator& TPixelAllocator::Default() {
    static THeapPixelAllocator heap;
    return heap;
}

} // namespace raster
