// SPDX-License-Identifier: GPL-3.0-or-later
#include "transparent_blit.h"

#include "rasterizer.h"

#include <cassert>
#include <cstddef>

namespace raster {
namespace {

constexpr TPixel32 ColourMask = 0x00FFFFFFu;

} // namespace

void DrawTransparent(TRasterSurface& target, const TRasterSurface& source,
                     platform::TPoint destination) {
    assert(&source != &target);
    const platform::TRect r = platform::Intersection(
        PlacedRect(destination, source.Width(), source.Height()), target.ClipRect());
    if (!r.IsEmpty() && !source.IsEmpty()) {
        const auto sourceStride = static_cast<std::size_t>(source.Width());
        const auto targetStride = static_cast<std::size_t>(target.Width());
        const TPixel32 transparent =
            source.Bits()[static_cast<std::size_t>(source.Height() - 1) * sourceStride] &
            ColourMask;
        for (std::int32_t y = r.top; y < r.bottom; ++y) {
            const TPixel32* from = source.Bits() +
                                   static_cast<std::size_t>(y - destination.y) * sourceStride +
                                   static_cast<std::size_t>(r.left - destination.x);
            TPixel32* to = target.Bits() + static_cast<std::size_t>(y) * targetStride;
            for (std::int32_t x = r.left; x < r.right; ++x, ++from) {
                if ((*from & ColourMask) != transparent) {
                    to[x] = *from;
                }
            }
        }
    }
    target.NotifyChange();
}

} // namespace raster
