// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/color.h"
#include "platform/geometry.h"

#include <array>
#include <cstdint>
#include <span>

namespace raster {

class TRasterSurface;

// An 8 x 8 two-colour brush pattern, aligned to the surface's origin: pixel (x, y) takes
// `foreground` where bit 7 - (x mod 8) of rows[y mod 8] is set, `background` elsewhere.
struct TBrushPattern {
    std::array<std::uint8_t, 8> rows{};
    platform::TColor foreground = 0;
    platform::TColor background = 0;
};

// The pattern of `even` on the pixels with x + y even and `odd` on the others.
TBrushPattern CheckerboardPattern(platform::TColor even, platform::TColor odd);

enum class TBrushStyle : std::uint8_t { bsSolid, bsPattern };

// Draws into the pixel memory of one surface, in surface pixel coordinates (x to the
// right, y downward from the top-left pixel), with everything outside the surface clipped
// away. The surface owns it (TRasterSurface::Canvas) and deletes it whenever its pixel
// memory changes, so a canvas never outlives the pixels it was made for.
//
// Colours are 0x00BBGGRR and must not be system colours (resolve those first); a colour
// RGB(r, g, b) leaves blue = b, green = g, red = r and alpha = 255 in every pixel it
// touches. Every drawing operation ends with the surface's change notification, whether
// or not it touched a pixel; MoveTo and the colour setters notify nobody.
//
// A fresh canvas has a black pen (solid, 1 pixel wide, plain copy) and a white solid brush,
// and its current position is (0, 0).
class TSurfaceCanvas {
public:
    explicit TSurfaceCanvas(TRasterSurface& surface) : surface_(surface) {}
    TSurfaceCanvas(const TSurfaceCanvas&) = delete;
    TSurfaceCanvas& operator=(const TSurfaceCanvas&) = delete;

    platform::TColor PenColor() const { return penColor_; }
    void SetPenColor(platform::TColor color);

    // Setting the brush colour also makes the brush solid.
    void SetBrushColor(platform::TColor color);
    void SetBrushPattern(const TBrushPattern& pattern);

    // Sets the current position; draws nothing.
    void MoveTo(std::int32_t x, std::int32_t y);

    // Draws a line in the pen colour from the current position to (x, y), including the
    // start and excluding (x, y), then makes (x, y) the current position. The pixels in
    // between are those of the symmetric Bresenham line (see DrawLine).
    void LineTo(std::int32_t x, std::int32_t y);

    // Draws the segments between consecutive points as LineTo does, each including its
    // start and excluding its end, so the last point is not set. Neither uses nor moves
    // the current position. Fewer than two points draw nothing.
    void Polyline(std::span<const platform::TPoint> points);

    // Fills the polygon's interior with the brush (every pixel whose centre lies inside,
    // even-odd rule), then draws its closed outline with the pen, every vertex included.
    // Fewer than two points draw nothing.
    void Polygon(std::span<const platform::TPoint> points);

    // Fills every pixel (x, y) with left <= x < right and top <= y < bottom with the brush.
    void FillRect(const platform::TRect& rect);

private:
    TRasterSurface& surface_;
    platform::TColor penColor_ = platform::RGB(0, 0, 0);
    platform::TColor brushColor_ = platform::RGB(255, 255, 255);
    TBrushStyle brushStyle_ = TBrushStyle::bsSolid;
    TBrushPattern brushPattern_;
    platform::TPoint penPos_;
};

} // namespace raster
