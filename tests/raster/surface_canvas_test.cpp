// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/color.h"
#include "raster/raster_surface.h"
#include "raster/surface_canvas.h"
#include "support/pixel_asserts.h"
#include "support/platform_printers.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include <gtest/gtest.h>

namespace {

using platform::RGB;
using platform::TColor;
using platform::TPoint;
using platform::TRect;
using raster::TPixel32;
using raster::TRasterSurface;
using support::SamePixels;

constexpr TPixel32 Blank = 0;
constexpr TColor Pen = RGB(0, 200, 160);
constexpr TPixel32 PenPixel = 0xFF00C8A0;
constexpr TColor Brush = RGB(4, 40, 60);
constexpr TPixel32 BrushPixel = 0xFF04283C;

// An expected picture, built pixel by pixel.
struct TPicture {
    std::int32_t width;
    std::int32_t height;
    std::vector<TPixel32> pixels;

    TPicture(std::int32_t w, std::int32_t h, TPixel32 fill = Blank)
        : width(w), height(h), pixels(static_cast<std::size_t>(w * h), fill) {}

    void Set(std::int32_t x, std::int32_t y, TPixel32 value) {
        if (x >= 0 && x < width && y >= 0 && y < height) {
            pixels[static_cast<std::size_t>(y * width + x)] = value;
        }
    }
};

::testing::AssertionResult Shows(const TRasterSurface& surface, const TPicture& picture) {
    return SamePixels(surface.Pixels(), picture.pixels, picture.width);
}

TEST(SurfaceCanvas, StartsWithBlackPenAndWhiteSolidBrush) {
    TRasterSurface surface(4, 3);
    raster::TSurfaceCanvas& canvas = surface.Canvas();
    EXPECT_EQ(canvas.PenColor(), RGB(0, 0, 0));

    canvas.FillRect({0, 0, 4, 3});
    EXPECT_TRUE(Shows(surface, TPicture(4, 3, 0xFFFFFFFF)));
    canvas.MoveTo(0, 1);
    canvas.LineTo(4, 1);
    TPicture expected(4, 3, 0xFFFFFFFF);
    for (int x = 0; x < 4; ++x) {
        expected.Set(x, 1, 0xFF000000);
    }
    EXPECT_TRUE(Shows(surface, expected));
}

TEST(SurfaceCanvas, ColourLandsAsBlueGreenRedBytes) {
    TRasterSurface surface(1, 1);
    surface.Canvas().SetBrushColor(RGB(0x12, 0x34, 0x56));
    surface.Canvas().FillRect({0, 0, 1, 1});
    std::array<unsigned char, 4> bytes{};
    std::memcpy(bytes.data(), surface.Bits(), bytes.size());
    EXPECT_EQ(bytes[0], 0x56); // blue
    EXPECT_EQ(bytes[1], 0x34); // green
    EXPECT_EQ(bytes[2], 0x12); // red
}

TEST(SurfaceCanvas, FillRectExcludesRightAndBottomEdgesAndClips) {
    TRasterSurface surface(8, 6);
    raster::TSurfaceCanvas& canvas = surface.Canvas();
    canvas.SetBrushColor(Brush);
    canvas.FillRect({2, 1, 5, 4});
    canvas.FillRect({6, -3, 20, 2}); // reaches past the top and right edges
    canvas.FillRect({3, 5, 3, 9});   // no width
    canvas.FillRect({5, 5, 2, 6});   // inverted
    TPicture expected(8, 6);
    for (int y = 1; y < 4; ++y) {
        for (int x = 2; x < 5; ++x) {
            expected.Set(x, y, BrushPixel);
        }
    }
    for (int y = 0; y < 2; ++y) {
        for (int x = 6; x < 8; ++x) {
            expected.Set(x, y, BrushPixel);
        }
    }
    EXPECT_TRUE(Shows(surface, expected));
}

TEST(SurfaceCanvas, FullSurfaceFillSetsEveryPixel) {
    TRasterSurface surface(512, 241);
    surface.Canvas().SetBrushColor(Brush);
    surface.Canvas().FillRect({0, 0, 512, 241});
    EXPECT_TRUE(Shows(surface, TPicture(512, 241, BrushPixel)));
}

TEST(SurfaceCanvas, LineIncludesItsStartExcludesItsEndAndMovesThePen) {
    TRasterSurface surface(8, 4);
    raster::TSurfaceCanvas& canvas = surface.Canvas();
    canvas.SetPenColor(Pen);
    canvas.MoveTo(0, 0);
    canvas.LineTo(5, 2);
    TPicture expected(8, 4);
    // Ideal y = 0.4 x: 0, 0.4, 0.8, 1.2, 1.6 round to 0, 0, 1, 1, 2; (5, 2) is not set.
    for (TPoint p : {TPoint{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}}) {
        expected.Set(p.x, p.y, PenPixel);
    }
    EXPECT_TRUE(Shows(surface, expected));

    canvas.LineTo(5, 2); // zero length: draws nothing
    EXPECT_TRUE(Shows(surface, expected));

    canvas.LineTo(7, 2); // on from where the last line ended
    expected.Set(5, 2, PenPixel);
    expected.Set(6, 2, PenPixel);
    EXPECT_TRUE(Shows(surface, expected));
}

TEST(SurfaceCanvas, LinesAcrossTheWholeSurfaceCoverWholeRowsAndColumns) {
    TRasterSurface surface(512, 241);
    raster::TSurfaceCanvas& canvas = surface.Canvas();
    canvas.SetPenColor(Pen);
    canvas.MoveTo(0, 135);
    canvas.LineTo(512, 135);
    canvas.MoveTo(32, 0);
    canvas.LineTo(32, 241);
    canvas.MoveTo(512, 0); // just right of the surface: leaves no pixel
    canvas.LineTo(512, 241);
    TPicture expected(512, 241);
    for (int x = 0; x < 512; ++x) {
        expected.Set(x, 135, PenPixel);
    }
    for (int y = 0; y < 241; ++y) {
        expected.Set(32, y, PenPixel);
    }
    EXPECT_TRUE(Shows(surface, expected));
}

TEST(SurfaceCanvas, LinesOutsideTheSurfaceChangeNothingButStillNotify) {
    TRasterSurface surface(16, 8);
    int changes = 0;
    surface.SetOnChange([&](TRasterSurface&) { ++changes; });
    raster::TSurfaceCanvas& canvas = surface.Canvas();
    canvas.SetPenColor(Pen);
    canvas.MoveTo(-1, 3);
    canvas.LineTo(0, 3); // ends on the surface: the end point is excluded
    canvas.MoveTo(-5, -5);
    canvas.LineTo(30, -1);
    canvas.MoveTo(3, 20);
    canvas.LineTo(-4, 9);
    EXPECT_TRUE(Shows(surface, TPicture(16, 8)));
    EXPECT_EQ(changes, 3) << "every line-to notifies, move-to does not";
}

TEST(SurfaceCanvas, ExtremeCoordinatesDrawTheExactLine) {
    TRasterSurface surface(64, 64);
    raster::TSurfaceCanvas& canvas = surface.Canvas();
    canvas.SetPenColor(Pen);
    constexpr std::int32_t Far = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t FarNegative = std::numeric_limits<std::int32_t>::min();
    // The diagonal through the surface, from one end of the coordinate range to the other.
    canvas.MoveTo(FarNegative + 1, FarNegative + 1);
    canvas.LineTo(Far, Far);
    // A nearly flat line: y = 20 + x / 40000000 on the surface, so row 20 throughout.
    canvas.MoveTo(-2000000000, -30);
    canvas.LineTo(2000000000, 70);
    TPicture expected(64, 64);
    for (int i = 0; i < 64; ++i) {
        expected.Set(i, i, PenPixel);
        expected.Set(i, 20, PenPixel);
    }
    EXPECT_TRUE(Shows(surface, expected));
}

// The pixels of a segment with both end points: draw it, then set the end point.
void DrawInclusive(TRasterSurface& surface, TPoint from, TPoint to) {
    surface.Canvas().MoveTo(from.x, from.y);
    surface.Canvas().LineTo(to.x, to.y);
    surface.Canvas().MoveTo(to.x, to.y);
    surface.Canvas().LineTo(to.x + 1, to.y); // sets exactly (to.x, to.y) when it is inside
}

TEST(SurfaceCanvas, SegmentsSetTheSamePixelsWhicheverWayTheyAreDrawn) {
    std::mt19937 random(1);
    std::uniform_int_distribution<std::int32_t> coordinate(-12, 44);
    for (int i = 0; i < 2000; ++i) {
        const TPoint a{coordinate(random), coordinate(random)};
        const TPoint b{coordinate(random), coordinate(random)};
        TRasterSurface forward(32, 32);
        TRasterSurface backward(32, 32);
        DrawInclusive(forward, a, b);
        DrawInclusive(backward, b, a);
        ASSERT_TRUE(SamePixels(forward.Pixels(), backward.Pixels(), 32))
            << "segment (" << a.x << ", " << a.y << ") - (" << b.x << ", " << b.y << ")";
    }
}

// Draws with `draw` on a 96 x 96 surface and, shifted by (-32, -32), on a 32 x 32 one; the
// small surface must show exactly the middle of the large one, so clipping never changes
// which pixels a shape sets.
template <typename Draw>
::testing::AssertionResult ClippingKeepsThePixels(Draw draw) {
    TRasterSurface large(96, 96);
    TRasterSurface small(32, 32);
    draw(large, 0);
    draw(small, -32);
    std::vector<TPixel32> middle;
    for (int y = 32; y < 64; ++y) {
        for (int x = 32; x < 64; ++x) {
            middle.push_back(large.Pixels()[static_cast<std::size_t>(y * 96 + x)]);
        }
    }
    return SamePixels(small.Pixels(), middle, 32);
}

TEST(SurfaceCanvas, ClippedLinesSetTheSamePixelsAsUnclippedOnes) {
    std::mt19937 random(2);
    std::uniform_int_distribution<std::int32_t> coordinate(0, 95);
    for (int i = 0; i < 1000; ++i) {
        const TPoint a{coordinate(random), coordinate(random)};
        const TPoint b{coordinate(random), coordinate(random)};
        ASSERT_TRUE(ClippingKeepsThePixels([&](TRasterSurface& s, std::int32_t shift) {
            s.Canvas().SetPenColor(Pen);
            s.Canvas().MoveTo(a.x + shift, a.y + shift);
            s.Canvas().LineTo(b.x + shift, b.y + shift);
        })) << "segment ("
            << a.x << ", " << a.y << ") - (" << b.x << ", " << b.y << ")";
    }
}

TEST(SurfaceCanvas, PolylineDrawsEachSegmentWithoutItsEndAndKeepsThePen) {
    TRasterSurface surface(10, 10);
    raster::TSurfaceCanvas& canvas = surface.Canvas();
    canvas.SetPenColor(Pen);
    canvas.MoveTo(7, 7);
    const std::array<TPoint, 3> points{{{1, 8}, {1, 1}, {6, 1}}};
    canvas.Polyline(points);
    canvas.LineTo(9, 7); // still from (7, 7)
    TPicture expected(10, 10);
    expected.Set(7, 7, PenPixel);
    expected.Set(8, 7, PenPixel);
    for (int y = 2; y <= 8; ++y) {
        expected.Set(1, y, PenPixel); // (1, 8) up to (1, 2)
    }
    for (int x = 1; x <= 5; ++x) {
        expected.Set(x, 1, PenPixel); // (1, 1) to (5, 1); (6, 1) is the excluded end
    }
    EXPECT_TRUE(Shows(surface, expected));
}

// The arrow glyph of a slider's left button: vertices (9, 11), (6, 8), (9, 5).
TEST(SurfaceCanvas, PolygonFillsTheInteriorWithTheBrushAndOutlinesWithThePen) {
    TRasterSurface surface(16, 16);
    raster::TSurfaceCanvas& canvas = surface.Canvas();
    canvas.SetPenColor(Pen);
    canvas.SetBrushColor(Brush);
    const std::array<TPoint, 3> arrow{{{9, 11}, {6, 8}, {9, 5}}};
    canvas.Polygon(arrow);
    TPicture expected(16, 16);
    for (int y = 5; y <= 11; ++y) {
        expected.Set(9, y, PenPixel);
    }
    for (TPoint p : {TPoint{8, 6}, {7, 7}, {6, 8}, {7, 9}, {8, 10}}) {
        expected.Set(p.x, p.y, PenPixel);
    }
    for (TPoint p : {TPoint{8, 7}, {7, 8}, {8, 8}, {8, 9}}) {
        expected.Set(p.x, p.y, BrushPixel);
    }
    EXPECT_TRUE(Shows(surface, expected));
}

TEST(SurfaceCanvas, PolygonOfTheRightArrowIsTheMirrorImage) {
    TRasterSurface surface(140, 16);
    raster::TSurfaceCanvas& canvas = surface.Canvas();
    canvas.SetPenColor(Pen);
    canvas.SetBrushColor(Pen);
    const std::array<TPoint, 3> arrow{{{131, 11}, {134, 8}, {131, 5}}};
    canvas.Polygon(arrow);
    TPicture expected(140, 16);
    const std::array<int, 7> rowWidths{1, 2, 3, 4, 3, 2, 1}; // rows 5 to 11
    for (int row = 0; row < 7; ++row) {
        for (int x = 131; x < 131 + rowWidths[static_cast<std::size_t>(row)]; ++x) {
            expected.Set(x, 5 + row, PenPixel);
        }
    }
    EXPECT_TRUE(Shows(surface, expected));
}

TEST(SurfaceCanvas, ClippedPolygonsSetTheSamePixelsAsUnclippedOnes) {
    std::mt19937 random(3);
    std::uniform_int_distribution<std::int32_t> coordinate(0, 95);
    std::uniform_int_distribution<std::size_t> count(3, 7);
    for (int i = 0; i < 500; ++i) {
        std::vector<TPoint> vertices(count(random));
        for (TPoint& p : vertices) {
            p = {coordinate(random), coordinate(random)};
        }
        ASSERT_TRUE(ClippingKeepsThePixels([&](TRasterSurface& s, std::int32_t shift) {
            std::vector<TPoint> shifted = vertices;
            for (TPoint& p : shifted) {
                p = {p.x + shift, p.y + shift};
            }
            s.Canvas().SetPenColor(Pen);
            s.Canvas().SetBrushColor(Brush);
            s.Canvas().Polygon(shifted);
        })) << "polygon "
            << i;
    }
}

TEST(SurfaceCanvas, PatternBrushIsAlignedToTheSurfaceOrigin) {
    TRasterSurface surface(12, 10);
    raster::TSurfaceCanvas& canvas = surface.Canvas();
    canvas.SetBrushPattern(raster::CheckerboardPattern(Pen, Brush));
    canvas.FillRect({3, 1, 12, 10}); // starts on an odd x + y
    TPicture expected(12, 10);
    for (int y = 1; y < 10; ++y) {
        for (int x = 3; x < 12; ++x) {
            expected.Set(x, y, (x + y) % 2 == 0 ? PenPixel : BrushPixel);
        }
    }
    EXPECT_TRUE(Shows(surface, expected));

    canvas.SetBrushColor(Pen); // a colour makes the brush solid again
    canvas.FillRect({0, 0, 12, 10});
    EXPECT_TRUE(Shows(surface, TPicture(12, 10, PenPixel)));
}

TEST(SurfaceCanvas, DrawingOnAnEmptySurfaceDoesNothing) {
    TRasterSurface surface;
    surface.SetWidth(512); // 512 x 0: no memory
    raster::TSurfaceCanvas& canvas = surface.Canvas();
    canvas.FillRect({0, 0, 512, 10});
    canvas.LineTo(100, 0);
    const std::array<TPoint, 3> triangle{{{0, 0}, {10, 0}, {0, 10}}};
    canvas.Polygon(triangle);
    EXPECT_TRUE(surface.IsEmpty());
    EXPECT_EQ(surface.Bits(), nullptr);
}

} // namespace
