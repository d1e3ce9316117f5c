// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pixel32.h"
#include "platform/geometry.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace raster {

// Pixel memory to draw on: `width` pixels per row, rows top-down with no padding.
struct TPixelTarget {
    TPixel32* bits = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// What a brush paints: one pixel value, or an 8 x 8 pattern aligned to the target's
// origin, pixel (x, y) taking pattern[(y mod 8) * 8 + (x mod 8)].
struct TBrushPixels {
    bool patterned = false;
    TPixel32 solid = 0;
    std::array<TPixel32, 64> pattern{};
};

// Sets `count` consecutive pixels from `first` to `value`; no clipping, the caller keeps
// the run within its memory. Faster than a plain loop for long runs.
void FillPixelRun(TPixel32* first, std::size_t count, TPixel32 value);

// Sets the pixels of `area` to `value`; no clipping, the caller keeps `area` within the
// target.
void FillRectUnclipped(const TPixelTarget& target, const platform::TRect& area, TPixel32 value);

// The rectangle that `width` x `height` pixels (sizes at least 0) cover with their top-left
// pixel at `origin`. Any origin is accepted: a far edge that would lie past the end of the
// 32-bit range stops at that end, beyond every pixel a surface has.
platform::TRect PlacedRect(platform::TPoint origin, std::int32_t width, std::int32_t height);

// Each operation below draws only inside `clip`, which the caller must keep within the
// target (0, 0, width, height).

// Fills the pixels of `area` with the brush.
void FillArea(const TPixelTarget& target, const platform::TRect& clip, const platform::TRect& area,
              const TBrushPixels& brush);

// Draws the one-pixel line from `from` to `to`, `from` included and `to` excluded, with
// `color`. The pixels are those of the symmetric Bresenham line: along the major axis
// (x when |dx| >= |dy|) one pixel per step, at the minor coordinate nearest the ideal line,
// ties going towards the end point with the smaller major coordinate; so a segment sets
// the same pixels whichever way it is drawn, apart from the excluded end point. A segment
// of length 0 draws nothing. Any int32 coordinates are accepted.
void DrawLine(const TPixelTarget& target, const platform::TRect& clip, platform::TPoint from,
              platform::TPoint to, TPixel32 color);

// Fills the pixels whose centre lies strictly inside the polygon (even-odd rule), a pixel's
// centre being the vertex position of the same coordinates. The outline itself is left to
// the caller, which draws it with DrawLine; together they cover every pixel the outline
// passes through.
void FillPolygonInterior(const TPixelTarget& target, const platform::TRect& clip,
                         std::span<const platform::TPoint> vertices, const TBrushPixels& brush);

} // namespace raster
