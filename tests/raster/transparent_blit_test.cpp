// SPDX-License-Identifier: GPL-3.0-or-later
#include "raster/transparent_blit.h"
#include "support/pixel_asserts.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <vector>

#include <gtest/gtest.h>

namespace {

using raster::DrawTransparent;
using raster::TPixel32;
using raster::TRasterSurface;
using support::SamePixels;

constexpr TPixel32 Key = 0xFF101010u;
constexpr TPixel32 KeyClear = 0x00101010u; // the key colour with another alpha
constexpr TPixel32 Mark = 0xFFA8C5D0u;
constexpr TPixel32 TopLeft = 0xFF5A6B7Cu;
constexpr TPixel32 TopRight = 0x7F123456u; // drawn with all four bytes
constexpr TPixel32 Under = 0xFF223344u;

constexpr int SourceWidth = 4;
constexpr int SourceHeight = 3;
constexpr std::size_t SourcePixelCount = SourceWidth * SourceHeight;

// Each corner has a colour of its own, so only the bottom-left one can make the key pixels
// transparent.
constexpr std::array<TPixel32, SourcePixelCount> SourcePixels = {
    TopLeft,  Mark, Key,  TopRight, //
    KeyClear, Key,  Mark, Key,      //
    Key,      Key,  Key,  Mark,     //
};

// The source pixels that are drawn, at their place in the source.
struct TDrawnPixel {
    int x;
    int y;
    TPixel32 value;
};
constexpr TDrawnPixel DrawnPixels[] = {
    {0, 0, TopLeft}, {1, 0, Mark}, {3, 0, TopRight}, {2, 1, Mark}, {3, 2, Mark},
};

void DrawSource(TRasterSurface& source) {
    source.ResizeTo(SourceWidth, SourceHeight);
    std::copy(SourcePixels.begin(), SourcePixels.end(), source.Pixels().begin());
}

void FillTarget(TRasterSurface& target) {
    std::fill(target.Pixels().begin(), target.Pixels().end(), Under);
}

// What a target of the given size filled with Under shows after the source is drawn at
// `at`.
std::vector<TPixel32> Expected(int width, int height, platform::TPoint at) {
    std::vector<TPixel32> pixels(static_cast<std::size_t>(width * height), Under);
    for (const TDrawnPixel& p : DrawnPixels) {
        const int x = at.x + p.x;
        const int y = at.y + p.y;
        if (x >= 0 && x < width && y >= 0 && y < height) {
            pixels[static_cast<std::size_t>(y * width + x)] = p.value;
        }
    }
    return pixels;
}

TEST(DrawTransparent, SkipsTheBottomLeftColourAndCopiesTheRest) {
    TRasterSurface source;
    DrawSource(source);
    TRasterSurface target(8, 6);
    FillTarget(target);
    int notifications = 0;
    target.SetOnChange([&](TRasterSurface&) { ++notifications; });

    DrawTransparent(target, source, {2, 1});

    EXPECT_TRUE(SamePixels(target.Pixels(), Expected(8, 6, {2, 1}), 8));
    EXPECT_EQ(notifications, 1);
}

TEST(DrawTransparent, ClipsAtEveryEdge) {
    TRasterSurface source;
    DrawSource(source);
    for (const platform::TPoint at : {platform::TPoint{-2, -1}, platform::TPoint{1, 1},
                                      platform::TPoint{-10, 0}, platform::TPoint{2, 5}}) {
        TRasterSurface target(3, 2);
        FillTarget(target);
        DrawTransparent(target, source, at);
        EXPECT_TRUE(SamePixels(target.Pixels(), Expected(3, 2, at), 3)) << at.x << ", " << at.y;
    }
}

TEST(DrawTransparent, EmptySourceDrawsNothing) {
    const TRasterSurface empty;
    TRasterSurface target(2, 2);
    DrawTransparent(target, empty, {0, 0});
    for (const TPixel32 pixel : target.Pixels()) {
        EXPECT_EQ(pixel, 0u);
    }
}

} // namespace
