#include "raster/transparent_blit.h"

#include <gtest/gtest.h>

namespace {

using raster::DrawTransparent;
using raster::TPixel32;
using raster::TRasterSurface;

constexpr TPixel32 Key = 0xFF101010u;
constexpr TPixel32 Mark = 0xFFA8C5D0u;
constexpr TPixel32 Under = 0xFF223344u;

// 4 x 3, key colour everywhere but a diagonal; the bottom-left pixel is the key.
void DrawSource(TRasterSurface& source) {
    source.ResizeTo(4, 3);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            source.Bits()[y * 4 + x] = x == y + 1 ? Mark : Key;
        }
    }
}

TEST(DrawTransparent, SkipsTheBottomLeftColourAndCopiesTheRest) {
    TRasterSurface source;
    DrawSource(source);
    source.Bits()[0] = 0x00101010u; // the key colour with another alpha is still skipped
    source.Bits()[3] = 0x7F123456u; // other pixels keep all four bytes
    TRasterSurface target(8, 6);
    std::fill(target.Pixels().begin(), target.Pixels().end(), Under);
    int notifications = 0;
    target.SetOnChange([&](TRasterSurface&) { ++notifications; });

    DrawTransparent(target, source, {2, 1});

    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 8; ++x) {
            TPixel32 expected = Under;
            const int sx = x - 2;
            const int sy = y - 1;
            if (sx >= 0 && sx < 4 && sy >= 0 && sy < 3) {
                if (sx == sy + 1) {
                    expected = Mark;
                } else if (sx == 3 && sy == 0) {
                    expected = 0x7F123456u;
                }
            }
            EXPECT_EQ(target.Bits()[y * 8 + x], expected) << x << ", " << y;
        }
    }
    EXPECT_EQ(notifications, 1);
}

TEST(DrawTransparent, ClipsAtEveryEdge) {
    TRasterSurface source;
    DrawSource(source);
    for (const platform::TPoint at : {platform::TPoint{-2, -1}, platform::TPoint{1, 1},
                                      platform::TPoint{-10, 0}, platform::TPoint{2, 5}}) {
        TRasterSurface target(3, 2);
        std::fill(target.Pixels().begin(), target.Pixels().end(), Under);
        DrawTransparent(target, source, at);
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < 3; ++x) {
                const int sx = x - at.x;
                const int sy = y - at.y;
                const bool mark = sx >= 0 && sx < 4 && sy >= 0 && sy < 3 && sx == sy + 1;
                EXPECT_EQ(target.Bits()[y * 3 + x], mark ? Mark : Under)
                    << at.x << "," << at.y << ": " << x << ", " << y;
            }
        }
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
