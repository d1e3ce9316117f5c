// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/color.h"
#include "platform/geometry.h"
#include "platform/platform.h"
#include "raster/surface_canvas.h"

#include <cstdint>
#include <span>

namespace controls {

// The way a part of a horizontal gauge points: the arrow of a button, and the side of the
// handle a track part lies on (gdLeft before the handle, gdRight after it).
enum class TGaugeDirection : std::uint8_t { gdLeft, gdRight };

// Whether DrawBevel leaves its rectangle as it was or shrinks it to the inside of the bevel.
enum class TBevelFit : std::uint8_t { bfKeep, bfShrink };

// The drawing operations a gauge slider paints itself with, on a surface canvas, in the
// canvas's pixel coordinates and with half-open rectangles: lines include their start and
// exclude their end, fills exclude the right and bottom edges.
//
// Colours are 0x00BBGGRR; system colours are resolved through the platform before any
// arithmetic on them or any drawing. The painter changes the canvas's pen, brush and
// current position and leaves them changed.
class TGaugePainter {
public:
    // Both must outlive the painter.
    TGaugePainter(const platform::IPlatform& platform, raster::TSurfaceCanvas& canvas)
        : platform_(platform), canvas_(canvas) {}

    // `color` with `amount` added to red, green and blue, each clamped to 0..255.
    platform::TColor ShiftColor(platform::TColor color, std::int32_t amount) const;

    // Per channel (c1 * weight + c2 * (255 - weight)) div 256. The caller must keep
    // `weight` within 0..255.
    platform::TColor MixColors(platform::TColor c1, platform::TColor c2, std::int32_t weight) const;

    // Lines in `color` between consecutive points, each including its start and excluding
    // its end.
    void DrawPolyline(std::span<const platform::TPoint> points, platform::TColor color);

    void FillSolid(const platform::TRect& r, platform::TColor color);

    // Fills `r` with an 8 x 8 checkerboard aligned to the surface's origin, `c1` on the
    // pixels with x + y even and `c2` on the others; solid when both are the same.
    void FillPattern(const platform::TRect& r, platform::TColor c1, platform::TColor c2);

    // The 1-pixel border just inside `r`.
    void FrameRect(const platform::TRect& r, platform::TColor color);

    // The 1-pixel border just inside `r` as a dotted line: `dot` on the pixels with x + y
    // even, `gap` on the others (the checkerboard of FillPattern).
    void FrameDotted(const platform::TRect& r, platform::TColor dot, platform::TColor gap);

    // Draws the frame of a part pointing in `direction` just inside `r` with a pen of
    // `color`: the top edge, the bottom edge, then the outer end (the left edge for gdLeft,
    // the right edge for gdRight); the end towards the middle of the gauge stays open.
    // Shrinks `r` past each edge drawn, so that `r` ends up as what is left inside them.
    void DrawFrameEdges(platform::TRect& r, TGaugeDirection direction, platform::TColor color);

    // A 1-pixel bevel just inside `r`: its left column (with the bottom-left corner) and
    // top row in `topLeft`, its right column (with the top-right corner) and bottom row in
    // `bottomRight`; a bevel of a single pixel is all `topLeft`. With bfShrink `r` becomes
    // the inside of the bevel.
    void DrawBevel(platform::TRect& r, platform::TColor topLeft, platform::TColor bottomRight,
                   TBevelFit fit);

    // A filled triangle in `color` pointing in `direction`, placed from the centre of `r`
    // and sized from its smaller half-extent.
    void DrawArrowGlyph(const platform::TRect& r, TGaugeDirection direction,
                        platform::TColor color);

private:
    // `color` with system colours replaced by their current value.
    platform::TColor Resolve(platform::TColor color) const;

    const platform::IPlatform& platform_;
    raster::TSurfaceCanvas& canvas_;
};

} // namespace controls
