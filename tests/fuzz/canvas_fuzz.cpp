// SPDX-License-Identifier: GPL-3.0-or-later
// The canvas and the drawing primitives under it, driven by scripts of lines, polylines,
// polygons and fills with solid and patterned brushes, at any coordinates, on surfaces of
// any small size. Whatever the script, nothing may change outside the surface's memory,
// and a primitive or a clipped surface operation may change nothing outside its clip
// rectangle; each drawing operation notifies its change once.

#include "fuzz_support.h"
#include "platform/geometry.h"
#include "raster/raster_surface.h"
#include "raster/rasterizer.h"
#include "raster/surface_canvas.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

using fuzz::Require;
using fuzz::TInput;
using platform::TPoint;
using platform::TRect;
using raster::TPixel32;

constexpr std::int32_t MaxSide = 40;
constexpr std::size_t MaxPoints = 12;
constexpr int MaxSteps = 48;

TPoint PointIn(TInput& input, std::int32_t width, std::int32_t height) {
    const std::int32_t x = input.Coordinate(width);
    return {x, input.Coordinate(height)};
}

std::vector<TPoint> PointsIn(TInput& input, std::int32_t width, std::int32_t height) {
    std::vector<TPoint> points(input.Below(MaxPoints + 1));
    for (TPoint& point : points) {
        point = PointIn(input, width, height);
    }
    return points;
}

TRect RectIn(TInput& input, std::int32_t width, std::int32_t height) {
    const std::int32_t left = input.Coordinate(width);
    const std::int32_t top = input.Coordinate(height);
    const std::int32_t right = input.Coordinate(width);
    return {left, top, right, input.Coordinate(height)};
}

// A clip rectangle as the primitives require it: within the target, possibly empty.
TRect ClipWithin(TInput& input, std::int32_t width, std::int32_t height) {
    const std::int32_t left = input.Between(0, width);
    const std::int32_t top = input.Between(0, height);
    const std::int32_t right = input.Between(left, width);
    return {left, top, right, input.Between(top, height)};
}

TPixel32 DrawnPixel(TInput& input) {
    return raster::ColorToPixel32(input.Color(false));
}

raster::TBrushPixels Brush(TInput& input) {
    raster::TBrushPixels brush;
    brush.patterned = input.Flag();
    brush.solid = DrawnPixel(input);
    if (brush.patterned) {
        const TPixel32 foreground = DrawnPixel(input);
        const TPixel32 background = DrawnPixel(input);
        for (TPixel32& pixel : brush.pattern) {
            pixel = input.Flag() ? foreground : background;
        }
    }
    return brush;
}

bool Contains(const TRect& r, std::int32_t x, std::int32_t y) {
    return r.left <= x && x < r.right && r.top <= y && y < r.bottom;
}

// Every pixel outside `clip` is as it was in `before`.
void RequireUnchangedOutside(const raster::TRasterSurface& surface, const TRect& clip,
                             const std::vector<TPixel32>& before) {
    const TPixel32* bits = surface.Bits();
    for (std::int32_t y = 0; y < surface.Height(); ++y) {
        for (std::int32_t x = 0; x < surface.Width(); ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * surface.Width() + x;
            Require(Contains(clip, x, y) || bits[i] == before[i],
                    "a pixel outside the clip rectangle changed");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TInput input(data, size);
    fuzz::TGuardedAllocator allocator;
    raster::TRasterSurface surface(allocator);
    raster::TRasterSurface source(allocator);
    {
        const std::int32_t width = input.Between(0, MaxSide);
        surface.ResizeTo(width, input.Between(0, MaxSide));
        const std::int32_t sourceWidth = input.Between(0, MaxSide / 2);
        source.ResizeTo(sourceWidth, input.Between(0, MaxSide / 2));
    }
    const std::int32_t width = surface.Width();
    const std::int32_t height = surface.Height();
    for (TPixel32& pixel : surface.Pixels()) {
        pixel = fuzz::Sentinel;
    }
    // Distinct pixels with any alpha, as a picture to copy may have.
    std::uint32_t value = input.Byte();
    for (TPixel32& pixel : source.Pixels()) {
        value = value * 1664525u + 1013904223u;
        pixel = value;
    }
    int notifications = 0;
    surface.SetOnChange([&notifications](raster::TRasterSurface&) { ++notifications; });
    const raster::TPixelTarget target{surface.Bits(), width, height};
    std::vector<TPixel32> before;

    for (int step = 0; step < MaxSteps && !input.Exhausted(); ++step) {
        raster::TSurfaceCanvas& canvas = surface.Canvas();
        const int notifiedBefore = notifications;
        before.assign(surface.Pixels().begin(), surface.Pixels().end());
        // The whole surface for the canvas, which clips to it; the given clip otherwise.
        TRect clip = platform::SizeRect(width, height);
        int expectedNotifications = 1;
        switch (input.Below(13)) {
        case 0:
            canvas.SetPenColor(input.Color(false));
            expectedNotifications = 0;
            break;
        case 1:
            canvas.SetBrushColor(input.Color(false));
            expectedNotifications = 0;
            break;
        case 2: {
            raster::TBrushPattern pattern;
            for (std::uint8_t& row : pattern.rows) {
                row = input.Byte();
            }
            pattern.foreground = input.Color(false);
            pattern.background = input.Color(false);
            canvas.SetBrushPattern(pattern);
            expectedNotifications = 0;
            break;
        }
        case 3: {
            const TPoint p = PointIn(input, width, height);
            canvas.MoveTo(p.x, p.y);
            expectedNotifications = 0;
            break;
        }
        case 4: {
            const TPoint p = PointIn(input, width, height);
            canvas.LineTo(p.x, p.y);
            break;
        }
        case 5:
            canvas.Polyline(PointsIn(input, width, height));
            break;
        case 6:
            canvas.Polygon(PointsIn(input, width, height));
            break;
        case 7:
            canvas.FillRect(RectIn(input, width, height));
            break;
        case 8: {
            clip = ClipWithin(input, width, height);
            const TPoint from = PointIn(input, width, height);
            const TPoint to = PointIn(input, width, height);
            raster::DrawLine(target, clip, from, to, DrawnPixel(input));
            expectedNotifications = 0;
            break;
        }
        case 9: {
            clip = ClipWithin(input, width, height);
            const TRect area = RectIn(input, width, height);
            raster::FillArea(target, clip, area, Brush(input));
            expectedNotifications = 0;
            break;
        }
        case 10: {
            clip = ClipWithin(input, width, height);
            const std::vector<TPoint> vertices = PointsIn(input, width, height);
            raster::FillPolygonInterior(target, clip, vertices, Brush(input));
            expectedNotifications = 0;
            break;
        }
        case 11: {
            surface.SetClipRect(RectIn(input, width, height));
            clip = surface.ClipRect();
            const TRect area = RectIn(input, width, height);
            surface.FillRectClipped(area, DrawnPixel(input));
            break;
        }
        default: {
            surface.SetClipRect(RectIn(input, width, height));
            clip = surface.ClipRect();
            surface.DrawOpaque(source, PointIn(input, width, height));
            break;
        }
        }
        Require(clip.IsEmpty() || platform::Intersection(clip, platform::SizeRect(width, height)) ==
                                      clip,
                "the clip rectangle leaves the surface");
        RequireUnchangedOutside(surface, clip, before);
        allocator.CheckGuards();
        Require(notifications - notifiedBefore == expectedNotifications,
                "a drawing operation did not notify its change exactly once");
    }
    return 0;
}
