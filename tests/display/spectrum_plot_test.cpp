// SPDX-License-Identifier: GPL-3.0-or-later
#include "display/spectrum_plot.h"
#include "platform/scripted/scripted_platform.h"
#include "raster/pixel32.h"
#include "support/analyzer_fixture.h"

#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace display;
using raster::ColorToPixel32;
using raster::TPixel32;
using raster::TRasterSurface;

constexpr int Width = 512;
constexpr int Height = 241;

const TPixel32 Background = ColorToPixel32(PlotBackgroundColor);
const TPixel32 Grid = ColorToPixel32(PlotGridColor);
const TPixel32 Marked = ColorToPixel32(PlotMarkedLineColor);
const TPixel32 Trace = ColorToPixel32(PlotTraceColor);

TPixel32 At(const TRasterSurface& surface, int x, int y) {
    return surface.Bits()[y * surface.Width() + x];
}

// The grid picture, built independently from its rule: rows 0, 15, ..., 240 (row 135 in
// the marked colour) over columns 0, 32, ..., 480, on the background.
std::vector<TPixel32> ExpectedGrid() {
    std::vector<TPixel32> pixels(Width * Height, Background);
    for (int y = 0; y < Height; ++y) {
        for (int x = 0; x < Width; ++x) {
            TPixel32& pixel = pixels[y * Width + x];
            if (y % 15 == 0) {
                pixel = y == 135 ? Marked : Grid;
            } else if (x % 32 == 0) {
                pixel = Grid;
            }
        }
    }
    return pixels;
}

class SpectrumPlotTest : public ::testing::Test {
protected:
    SpectrumPlotTest() : view(platform, Width, Height), surface(Width, Height) {}

    std::vector<TPixel32> SurfacePixels() const {
        return {surface.Pixels().begin(), surface.Pixels().end()};
    }

    platform::scripted::TScriptedPlatform platform;
    controls::TSurfaceView view;
    TRasterSurface surface;
};

TEST_F(SpectrumPlotTest, GridCoversTheWholeSurfaceWithHorizontalLinesOnTop) {
    BeginPlotFrame(surface, view);
    EXPECT_EQ(SurfacePixels(), ExpectedGrid());
    EXPECT_EQ(At(surface, 0, 135), Marked);       // the -90 dB line
    EXPECT_EQ(At(surface, 32, 15), Grid);         // a crossing
    EXPECT_EQ(At(surface, 511, 100), Background); // no line in the last column
    EXPECT_EQ(At(surface, 480, 100), Grid);
    EXPECT_EQ(surface.Canvas().PenColor(), PlotTraceColor);
}

TEST_F(SpectrumPlotTest, SilentFrameLeavesOnlyTheGrid) {
    analysis::StartAnalyzer(analysis::WindowKind::wkKaiser, 0);
    RunPlotFrame(surface, view, 0, analysis::CodingMode::cmPCM);
    EXPECT_EQ(SurfacePixels(), ExpectedGrid());
}

TEST_F(SpectrumPlotTest, ToneOnABinIsASingleSpikeReachingRowFour) {
    analysis::StartAnalyzer(analysis::WindowKind::wkRectangular, 0);
    RunPlotFrame(surface, view, 1000, analysis::CodingMode::cmPCM);
    const std::vector<TPixel32> grid = ExpectedGrid();
    int highestTraceRow = Height;
    for (int y = 0; y < Height; ++y) {
        for (int x = 0; x < Width; ++x) {
            const TPixel32 pixel = At(surface, x, y);
            if (pixel == grid[y * Width + x]) {
                continue;
            }
            ASSERT_EQ(pixel, Trace) << x << ", " << y;
            // The rise from bin 63 and the fall to bin 65 stay in the spike's columns.
            ASSERT_GE(x, 63) << y;
            ASSERT_LE(x, 65) << y;
            highestTraceRow = std::min(highestTraceRow, y);
        }
    }
    EXPECT_EQ(highestTraceRow, 4);
    EXPECT_EQ(At(surface, 64, 4), Trace);
    // The whole rise is drawn: every row from the bottom edge up to the peak.
    for (int y = 4; y < Height; ++y) {
        const bool traced = At(surface, 63, y) == Trace || At(surface, 64, y) == Trace;
        EXPECT_TRUE(traced) << y;
    }
}

TEST_F(SpectrumPlotTest, TraceStartsAtTheHeightOfBinZero) {
    std::array<std::int32_t, analysis::PlottedBins> ordinates{};
    ordinates.fill(100);
    BeginPlotFrame(surface, view);
    DrawPlotTrace(surface, ordinates);
    // A flat trace at ordinate 100 is row 141 from column 0 to 510; the last end point is
    // not set.
    for (int x = 0; x < Width; ++x) {
        EXPECT_EQ(At(surface, x, 141) == Trace, x < 511) << x;
    }
}

TEST_F(SpectrumPlotTest, DisplayShowsEachPictureOneFrameLater) {
    analysis::StartAnalyzer(analysis::WindowKind::wkRectangular, 0);
    // The first hand-over is of the untouched surface: all black.
    RunPlotFrame(surface, view, 1000, analysis::CodingMode::cmPCM);
    const auto& first = view.Bitmap();
    ASSERT_EQ(first.Width(), Width);
    ASSERT_EQ(first.Height(), Height);
    EXPECT_TRUE(std::all_of(first.Pixels().begin(), first.Pixels().end(),
                            [](TPixel32 pixel) { return pixel == 0; }));

    const std::vector<TPixel32> firstPicture = SurfacePixels();
    RunPlotFrame(surface, view, 3000, analysis::CodingMode::cmPCM);
    const std::vector<TPixel32> shown(view.Bitmap().Pixels().begin(), view.Bitmap().Pixels().end());
    EXPECT_EQ(shown, firstPicture);
    EXPECT_NE(SurfacePixels(), firstPicture); // the new picture has its peak elsewhere
}

} // namespace
