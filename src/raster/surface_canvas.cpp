// SPDX-License-Identifier: GPL-3.0-or-later
#include "surface_canvas.h"

#include "raster_surface.h"
#include "rasterizer.h"

#include <cassert>
#include <cstddef>

namespace raster {

using platform::TColor;
using platform::TPoint;
using platform::TRect;

namespace {

constexpr std::size_t PatternSize = 8;
constexpr std::uint8_t EvenCheckerRow = 0xAA; // x = 0, 2, 4, 6
constexpr std::uint8_t OddCheckerRow = 0x55;  // x = 1, 3, 5, 7

TPixelTarget TargetOf(TRasterSurface& surface) {
    return {surface.Bits(), surface.Width(), surface.Height()};
}

// The canvas clips to the whole surface; an empty surface clips everything away.
TRect ClipOf(const TRasterSurface& surface) {
    return surface.IsEmpty() ? TRect{} : platform::SizeRect(surface.Width(), surface.Height());
}

// The pixels the brush paints, the pattern expanded to one pixel per position.
TBrushPixels BrushPixels(TBrushStyle style, TColor color, const TBrushPattern& pattern) {
    TBrushPixels brush;
    if (style == TBrushStyle::bsSolid) {
        brush.solid = ColorToPixel32(color);
        return brush;
    }
    brush.patterned = true;
    const TPixel32 foreground = ColorToPixel32(pattern.foreground);
    const TPixel32 background = ColorToPixel32(pattern.background);
    for (std::size_t y = 0; y < PatternSize; ++y) {
        for (std::size_t x = 0; x < PatternSize; ++x) {
            const bool set = ((pattern.rows[y] >> (PatternSize - 1 - x)) & 1) != 0;
            brush.pattern[y * PatternSize + x] = set ? foreground : background;
        }
    }
    return brush;
}

} // namespace

TBrushPattern CheckerboardPattern(TColor even, TColor odd) {
    TBrushPattern pattern;
    for (std::size_t row = 0; row < pattern.rows.size(); ++row) {
        pattern.rows[row] = row % 2 == 0 ? EvenCheckerRow : OddCheckerRow;
    }
    pattern.foreground = even;
    pattern.background = odd;
    return pattern;
}

void TSurfaceCanvas::SetPenColor(TColor color) {
    assert(!platform::IsSystemColor(color));
    penColor_ = color;
}

void TSurfaceCanvas::SetBrushColor(TColor color) {
    assert(!platform::IsSystemColor(color));
    brushColor_ = color;
    brushStyle_ = TBrushStyle::bsSolid;
}

void TSurfaceCanvas::SetBrushPattern(const TBrushPattern& pattern) {
    assert(!platform::IsSystemColor(pattern.foreground));
    assert(!platform::IsSystemColor(pattern.background));
    brushPattern_ = pattern;
    brushStyle_ = TBrushStyle::bsPattern;
}

void TSurfaceCanvas::MoveTo(std::int32_t x, std::int32_t y) {
    penPos_ = {x, y};
}

void TSurfaceCanvas::LineTo(std::int32_t x, std::int32_t y) {
    DrawLine(TargetOf(surface_), ClipOf(surface_), penPos_, {x, y}, ColorToPixel32(penColor_));
    penPos_ = {x, y};
    surface_.NotifyChange();
}

void TSurfaceCanvas::Polyline(std::span<const TPoint> points) {
    const TPixelTarget target = TargetOf(surface_);
    const TRect clip = ClipOf(surface_);
    const TPixel32 pen = ColorToPixel32(penColor_);
    for (std::size_t i = 1; i < points.size(); ++i) {
        DrawLine(target, clip, points[i - 1], points[i], pen);
    }
    surface_.NotifyChange();
}

void TSurfaceCanvas::Polygon(std::span<const TPoint> points) {
    const TPixelTarget target = TargetOf(surface_);
    const TRect clip = ClipOf(surface_);
    if (points.size() >= 2) {
        FillPolygonInterior(target, clip, points,
                            BrushPixels(brushStyle_, brushColor_, brushPattern_));
        const TPixel32 pen = ColorToPixel32(penColor_);
        for (std::size_t i = 0; i < points.size(); ++i) {
            DrawLine(target, clip, points[i], points[(i + 1) % points.size()], pen);
        }
    }
    surface_.NotifyChange();
}

void TSurfaceCanvas::FillRect(const TRect& rect) {
    FillArea(TargetOf(surface_), ClipOf(surface_), rect,
             BrushPixels(brushStyle_, brushColor_, brushPattern_));
    surface_.NotifyChange();
}

} // namespace raster
