// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/color.h"

#include <cassert>
#include <cstdint>

namespace raster {

// A pixel: 0xAARRGGBB, alpha in the top byte. Stored little-endian its bytes lie in memory
// as blue, green, red, alpha.
using TPixel32 = std::uint32_t;

inline constexpr TPixel32 OpaqueAlpha = 0xFF000000u;

// The pixel for `color` (0x00BBGGRR, already resolved if it was a system colour): the same
// red, green and blue, with alpha 255.
constexpr TPixel32 ColorToPixel32(platform::TColor color) {
    assert(!platform::IsSystemColor(color));
    return OpaqueAlpha | (static_cast<TPixel32>(platform::RedOf(color)) << 16) |
           (static_cast<TPixel32>(platform::GreenOf(color)) << 8) |
           static_cast<TPixel32>(platform::BlueOf(color));
}

} // namespace raster
