// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/gauge_painter.h"
#include "platform/color.h"
#include "platform/scripted/scripted_platform.h"
#include "raster/raster_surface.h"
#include "support/platform_printers.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using controls::TBevelFit;
using controls::TGaugeDirection;
using controls::TGaugePainter;
using platform::RGB;
using platform::TColor;
using platform::TRect;
using platform::scripted::TScriptedPlatform;
using raster::TRasterSurface;

constexpr TColor ColorA = RGB(200, 0, 0);
constexpr TColor ColorB = RGB(0, 0, 200);

// A small surface to draw on, read back as text: '.' for a pixel nothing has drawn, 'A'
// and 'B' for the two test colours, '?' for anything else.
struct TDrawing {
    TScriptedPlatform platform;
    TRasterSurface surface;
    TGaugePainter painter;

    TDrawing(std::int32_t width, std::int32_t height)
        : surface(width, height), painter(platform, surface.Canvas()) {}

    std::vector<std::string> Picture() const {
        const std::map<raster::TPixel32, char> legend = {
            {0, '.'}, {raster::ColorToPixel32(ColorA), 'A'}, {raster::ColorToPixel32(ColorB), 'B'}};
        std::vector<std::string> rows;
        for (std::int32_t y = 0; y < surface.Height(); ++y) {
            std::string row;
            for (std::int32_t x = 0; x < surface.Width(); ++x) {
                const auto found = legend.find(surface.Pixels()[y * surface.Width() + x]);
                row += found == legend.end() ? '?' : found->second;
            }
            rows.push_back(row);
        }
        return rows;
    }
};

using TPicture = std::vector<std::string>;

TEST(GaugePainter, ShiftColorClampsEachChannelAndResolvesSystemColours) {
    TScriptedPlatform platform;
    TRasterSurface surface(1, 1);
    TGaugePainter painter(platform, surface.Canvas());
    EXPECT_EQ(painter.ShiftColor(RGB(166, 189, 197), 24), RGB(190, 213, 221));
    EXPECT_EQ(painter.ShiftColor(RGB(166, 189, 197), -24), RGB(142, 165, 173));
    EXPECT_EQ(painter.ShiftColor(RGB(10, 128, 250), 24), RGB(34, 152, 255));
    EXPECT_EQ(painter.ShiftColor(RGB(10, 128, 250), -24), RGB(0, 104, 226));

    platform.SetSystemColor(platform::SystemColorIndex::siButtonFace, RGB(100, 110, 120));
    EXPECT_EQ(painter.ShiftColor(platform::scButtonFace, 5), RGB(105, 115, 125));
}

TEST(GaugePainter, MixColorsWeighsTheFirstColourByWeightOver256) {
    TScriptedPlatform platform;
    TRasterSurface surface(1, 1);
    TGaugePainter painter(platform, surface.Canvas());
    // The blends of the window's sliders.
    const TColor inner = painter.MixColors(RGB(128, 128, 128), RGB(34, 46, 51), 127);
    EXPECT_EQ(inner, RGB(80, 86, 89));
    EXPECT_EQ(painter.MixColors(RGB(16, 16, 16), inner, 32), RGB(71, 76, 79));
    EXPECT_EQ(painter.MixColors(RGB(16, 16, 16), RGB(166, 189, 197), 96), RGB(109, 123, 128));
    // The divisor is 256, so even full weight loses a little.
    EXPECT_EQ(painter.MixColors(RGB(255, 255, 255), RGB(0, 0, 0), 255), RGB(254, 254, 254));
    EXPECT_EQ(painter.MixColors(RGB(255, 255, 255), RGB(0, 0, 0), 0), RGB(0, 0, 0));
    EXPECT_EQ(painter.MixColors(RGB(0, 0, 0), RGB(255, 255, 255), 0), RGB(254, 254, 254));

    platform.SetSystemColor(platform::SystemColorIndex::siWindowFrame, RGB(16, 16, 16));
    EXPECT_EQ(painter.MixColors(platform::scWindowFrame, RGB(166, 189, 197), 96),
              RGB(109, 123, 128));
}

TEST(GaugePainterDeathTest, MixColorsRejectsAWeightAbove255) {
    TScriptedPlatform platform;
    TRasterSurface surface(1, 1);
    TGaugePainter painter(platform, surface.Canvas());
    EXPECT_DEATH(painter.MixColors(ColorA, ColorB, 256), "Assertion failure");
}

TEST(GaugePainter, FrameEdgesLeaveOutTheEdgeTowardsTheMiddleAndShrinkPastTheOthers) {
    const struct {
        TGaugeDirection direction;
        TPicture picture;
        TRect inside;
    } cases[] = {
        {TGaugeDirection::gdLeft, {"AAAAAA", "A.....", "A.....", "A.....", "AAAAAA"}, {1, 1, 6, 4}},
        {TGaugeDirection::gdRight,
         {"AAAAAA", ".....A", ".....A", ".....A", "AAAAAA"},
         {0, 1, 5, 4}},
    };
    for (const auto& c : cases) {
        TDrawing drawing(6, 5);
        TRect r{0, 0, 6, 5};
        drawing.painter.DrawFrameEdges(r, c.direction, ColorA);
        EXPECT_EQ(drawing.Picture(), c.picture) << static_cast<int>(c.direction);
        EXPECT_EQ(r, c.inside) << static_cast<int>(c.direction);
    }
}

TEST(GaugePainter, BevelGivesTheTopLeftCornerToTheFirstColourAndTheOthersToTheSecond) {
    TDrawing drawing(7, 6);
    TRect r{1, 1, 6, 5};
    drawing.painter.DrawBevel(r, ColorA, ColorB, TBevelFit::bfShrink);
    EXPECT_EQ(drawing.Picture(), (TPicture{
                                     ".......",
                                     ".AAAAB.",
                                     ".A...B.",
                                     ".A...B.",
                                     ".ABBBB.",
                                     ".......",
                                 }));
    EXPECT_EQ(r, (TRect{2, 2, 5, 4}));

    // A two-pixel bar, as the grip uses: one column of each colour.
    TDrawing bar(4, 6);
    TRect barRect{1, 1, 3, 5};
    bar.painter.DrawBevel(barRect, ColorA, ColorB, TBevelFit::bfKeep);
    EXPECT_EQ(bar.Picture(), (TPicture{"....", ".AB.", ".AB.", ".AB.", ".AB.", "...."}));
    EXPECT_EQ(barRect, (TRect{1, 1, 3, 5}));

    // A single pixel, the inside of a 3 x 3 handle, is its own top-left corner.
    TDrawing dot(3, 3);
    TRect dotRect{1, 1, 2, 2};
    dot.painter.DrawBevel(dotRect, ColorA, ColorB, TBevelFit::bfShrink);
    EXPECT_EQ(dot.Picture(), (TPicture{"...", ".A.", "..."}));
}

TEST(GaugePainter, ArrowGlyphsPointTheirWayFromTheCentre) {
    const struct {
        TGaugeDirection direction;
        TPicture picture;
    } cases[] = {
        // Centre (4, 4), size 2; the left arrow sits one pixel further right.
        {TGaugeDirection::gdLeft,
         {"..........", "..........", ".....A....", "....AA....", "...AAA....", "....AA....",
          ".....A....", "..........", "..........", ".........."}},
        {TGaugeDirection::gdRight,
         {"..........", "..........", "....A.....", "....AA....", "....AAA...", "....AA....",
          "....A.....", "..........", "..........", ".........."}},
    };
    for (const auto& c : cases) {
        TDrawing drawing(10, 10);
        drawing.painter.DrawArrowGlyph({0, 0, 10, 10}, c.direction, ColorA);
        EXPECT_EQ(drawing.Picture(), c.picture) << static_cast<int>(c.direction);
    }
}

TEST(GaugePainter, ArrowGlyphInATinyRectangleStillHasSizeOne) {
    // min(2, 2) * 3 div 4 - 1 is 0, which becomes 1.
    TDrawing drawing(6, 6);
    drawing.painter.DrawArrowGlyph({0, 0, 6, 6}, TGaugeDirection::gdLeft, ColorB);
    EXPECT_EQ(drawing.Picture(),
              (TPicture{"......", "..B...", ".BB...", "..B...", "......", "......"}));
}

TEST(GaugePainter, PatternFillIsACheckerboardAlignedToTheSurface) {
    TDrawing drawing(5, 3);
    drawing.painter.FillPattern({1, 0, 4, 3}, ColorA, ColorB);
    EXPECT_EQ(drawing.Picture(), (TPicture{".BAB.", ".ABA.", ".BAB."}));

    TDrawing solid(5, 3);
    solid.painter.FillPattern({1, 0, 4, 3}, ColorA, ColorA);
    solid.painter.FillPattern({0, 0, 0, 3}, ColorB, ColorA); // empty: nothing
    EXPECT_EQ(solid.Picture(), (TPicture{".AAA.", ".AAA.", ".AAA."}));
}

} // namespace
