// SPDX-License-Identifier: GPL-3.0-or-later
// The measurement views: what they average, hold, keep and mark, and that the plot is the
// seed's own while they are off.

#include "analysis/frames/analyzer.h"
#include "analysis/frames/frame_pipeline.h"
#include "display/plot_views.h"
#include "display/spectrum_plot.h"
#include "display/text_font.h"
#include "platform/scripted/scripted_platform.h"
#include "raster/pixel32.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace display;
using raster::ColorToPixel32;

constexpr std::int32_t ToneHz = 1000;
constexpr TFrameSettings Steady{ToneHz, analysis::CodingMode::cmPCM, analysis::WindowKind::wkKaiser,
                                1.0};

using TValues = std::array<double, analysis::PlottedBins>;

// Runs the next frame of the analyzer and hands it to `views`.
TOrdinates TakeNextFrame(TPlotViews& views) {
    TOrdinates ordinates{};
    analysis::ComputeFrame(ToneHz, analysis::CodingMode::cmPCM, ordinates);
    TValues values{};
    for (int bin = 0; bin < analysis::PlottedBins; ++bin) {
        values[static_cast<std::size_t>(bin)] = analysis::BinValue(bin);
    }
    views.TakeFrame(Steady, ordinates, values);
    return ordinates;
}

TEST(PlotViews, AveragingMeansThePowerAndRestartsWhenTheToneChanges) {
    analysis::StartAnalyzer(analysis::WindowKind::wkKaiser, 0);
    TPlotViews views;
    views.SetAveraging(16);
    TOrdinates live{};
    for (int frame = 0; frame < 16; ++frame) {
        live = TakeNextFrame(views);
    }
    // The frames of a 1000 Hz tone repeat, so their average is each of them.
    EXPECT_EQ(views.AveragedFrames(), 16);
    EXPECT_EQ(views.Trace(), live);

    // Two alternating frames: the mean of the powers, not of the decibels. The new count
    // restarts the average: its first frame alone, without the full-scale peak before it.
    constexpr double Loud = 1e6;
    constexpr double Quiet = 1e4;
    views.SetAveraging(4);
    EXPECT_EQ(views.ReadoutLines().front(), "Average 0/4");
    for (int frame = 0; frame < 6; ++frame) {
        TValues values;
        values.fill(frame % 2 == 0 ? Loud : Quiet);
        TOrdinates ordinates;
        ordinates.fill(analysis::OrdinateOf(values[0]));
        views.TakeFrame(Steady, ordinates, values);
        if (frame == 0) {
            EXPECT_EQ(views.AveragedFrames(), 1);
            EXPECT_EQ(views.Trace()[64], ordinates[64]);
        }
    }
    EXPECT_EQ(views.AveragedFrames(), 4);
    const std::int32_t powerMean = analysis::OrdinateOf(std::sqrt((Loud * Loud + Quiet * Quiet) / 2));
    EXPECT_EQ(views.Trace()[100], powerMean);
    EXPECT_NE(powerMean, analysis::OrdinateOf(std::sqrt(Loud * Quiet)));
    EXPECT_EQ(views.ReadoutLines().front(), "Average 4/4");

    // A new level restarts the average; the reference stays.
    views.FreezeReference();
    TFrameSettings louder = Steady;
    louder.Gain = 2.0;
    TValues values;
    values.fill(Loud);
    views.TakeFrame(louder, live, values);
    EXPECT_EQ(views.AveragedFrames(), 1);
    EXPECT_TRUE(views.HasReference());

    // A reference given as levels against a full-scale tone on a bin: drawn where a bin of
    // that level is, on the bottom edge where there is none.
    std::array<double, analysis::PlottedBins> levels;
    levels.fill(20 * std::log10(Loud / (analysis::FullScale * analysis::NormalisationTarget)));
    levels[7] = -HUGE_VAL;
    views.SetReferenceLevels(levels);
    EXPECT_EQ(views.Reference()->at(100), analysis::OrdinateOf(Loud));
    EXPECT_EQ(views.Reference()->at(7), 0);
}

TEST(PlotViews, DrawnOverTheGridOnlyWhenOnWithHoldMarkersAndReadouts) {
    platform::scripted::TScriptedPlatform platform;
    controls::TSurfaceView view(platform, 512, 241);
    raster::TRasterSurface plain(512, 241);
    raster::TRasterSurface drawn(512, 241);
    const auto at = [&drawn](int x, int y) { return drawn.Bits()[y * drawn.Width() + x]; };
    // A pixel as 0xRRGGBB, to pin a few by their literal place and colour.
    const auto rgb = [&at](int x, int y) { return at(x, y) & 0xFFFFFFu; };

    // Every view switched on and off again: the seed's picture, pixel for pixel.
    analysis::StartAnalyzer(analysis::WindowKind::wkKaiser, 0);
    RunPlotFrame(plain, view, ToneHz, analysis::CodingMode::cmPCM);
    TPlotViews views;
    views.SetPeakHold(true);
    views.SetMarkersShown(true);
    views.SetFiguresShown(true);
    views.SetPeakHold(false);
    views.SetMarkersShown(false);
    views.SetFiguresShown(false);
    analysis::StartAnalyzer(analysis::WindowKind::wkKaiser, 0);
    RunPlotFrame(drawn, view, ToneHz, analysis::CodingMode::cmPCM, &views);
    EXPECT_TRUE(std::equal(plain.Pixels().begin(), plain.Pixels().end(), drawn.Pixels().begin()));
    // The plain trace: the full-scale peak on row 4 of grid column 64, the main lobe's side
    // in column 63 from row 6.
    EXPECT_EQ(rgb(64, 4), 0x00C8A0u);
    EXPECT_EQ(rgb(64, 3), 0x04283Cu);
    EXPECT_EQ(rgb(63, 6), 0x00C8A0u);

    // Switched on between two frames, the views read the frame just computed, though every
    // view was off while it ran.
    RunPlotFrame(drawn, view, 2 * ToneHz, analysis::CodingMode::cmPCM, &views);
    views.PlaceMarker(TMarker::mkFirst, 128);
    views.SetFiguresShown(true);
    const std::vector<std::string> caught = views.ReadoutLines();
    ASSERT_GE(caught.size(), 2u);
    EXPECT_EQ(caught[0], "M1 bin 128, 2000.000 Hz, 0.00 dB");
    EXPECT_EQ(caught[1].rfind("F0: 2000.00 Hz, 0.00 dBFS", 0), 0u) << caught[1];

    // Hold keeps the louder frame's peak over the quieter live trace.
    views.SetPeakHold(true);
    RunPlotFrame(drawn, view, ToneHz, analysis::CodingMode::cmPCM, &views);
    const std::int32_t loudPeak = views.Trace()[64];
    analysis::SetLevel(-20);
    RunPlotFrame(drawn, view, ToneHz, analysis::CodingMode::cmPCM, &views);
    EXPECT_LT(views.Trace()[64], loudPeak - 20);
    EXPECT_EQ(at(64, 241 - loudPeak), ColorToPixel32(PlotHoldColor));
    views.ResetHold();

    // Markers: placed, moved within the bins, read on the pointer read-out's scale.
    views.PlaceMarker(TMarker::mkFirst, 64);
    views.PlaceMarker(TMarker::mkSecond, 600);
    EXPECT_EQ(views.MarkerBin(TMarker::mkSecond), 511);
    views.MoveActiveMarker(-445);
    views.SetFiguresShown(true);
    RunPlotFrame(drawn, view, ToneHz, analysis::CodingMode::cmPCM, &views);
    const std::int32_t peak = views.Trace()[64];
    EXPECT_EQ(at(64, 241 - peak - 3), ColorToPixel32(PlotMarkerColor)); // the triangle's tip
    const std::vector<std::string> lines = views.ReadoutLines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0].rfind("M1 bin 64, 1000.000 Hz, -20.", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1].rfind("M2 bin 66, 1031.250 Hz, ", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2].rfind("M2-M1: +31.250 Hz, -", 0), 0u) << lines[2];
    EXPECT_EQ(lines[3].rfind("F0: 1000.00 Hz, -20.00 dBFS", 0), 0u) << lines[3];

    // The read-outs sit in the first corner the trace leaves free, the top right, on black.
    EXPECT_EQ(at(480, 2), ColorToPixel32(PlotBackgroundColor)); // a grid column, covered
    int lit = 0;
    for (int y = 3; y < 3 + TextGlyphHeight; ++y) {
        for (int x = 256; x < 512; ++x) {
            lit += at(x, y) == ColorToPixel32(PlotReadoutColor) ? 1 : 0;
        }
    }
    EXPECT_GT(lit, 50);
    // The box covers the grid from row 2 (grid column 320 shows above it); its first line's
    // "M" starts at column 312, row 3.
    EXPECT_EQ(rgb(320, 1), 0x04283Cu);
    EXPECT_EQ(rgb(320, 2), 0x000000u);
    EXPECT_EQ(rgb(312, 3), 0xC0C0C0u);
}

} // namespace
