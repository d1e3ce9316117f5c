// SPDX-License-Identifier: GPL-3.0-or-later
// Speed of the display: drawing one frame's plot (hand-over, grid and trace, without the
// numerics) and generating the start-up artwork.

#include "analysis/frames/analyzer.h"
#include "analysis/frames/analyzer_state.h"
#include "analysis/frames/tone_range.h"
#include "display/panel_artwork.h"
#include "display/plot_views.h"
#include "display/spectrum_plot.h"
#include "display/window_layout.h"
#include "platform/scripted/scripted_platform.h"

#include <array>
#include <cmath>

#include <benchmark/benchmark.h>

namespace {

namespace layout = display::layout;

void BM_PlotFrameDrawing(benchmark::State& state) {
    platform::scripted::TScriptedPlatform platform;
    controls::TSurfaceView view(platform, layout::SpectrumDisplay.Width,
                                layout::SpectrumDisplay.Height);
    view.SetRepaintMode(controls::TRepaintMode::rmOptimizer);
    raster::TRasterSurface surface(layout::SpectrumDisplay.Width, layout::SpectrumDisplay.Height);
    // A busy trace: a Kaiser-windowed peak with distortion lines and a noise floor.
    std::array<std::int32_t, analysis::PlottedBins> ordinates{};
    for (int k = 0; k < analysis::PlottedBins; ++k) {
        ordinates[k] =
            static_cast<std::int32_t>(60 + 50 * std::sin(k * 0.7) + (k % 64 == 0 ? 170 : 0));
    }
    for (auto _ : state) {
        display::BeginPlotFrame(surface, view);
        display::DrawPlotTrace(surface, ordinates);
        benchmark::DoNotOptimize(surface.Bits());
    }
}
BENCHMARK(BM_PlotFrameDrawing)->Unit(benchmark::kMicrosecond);

// A whole frame as the window runs it, at the start-up settings in steady state: hand-over
// of the previous picture, grid, numerics and trace; with argument 1, with every measurement
// view on (hold, an average of 64 frames, a reference, two markers and the distortion
// figures), to be read against argument 0.
void BM_WindowFrame(benchmark::State& state) {
    platform::scripted::TScriptedPlatform platform;
    controls::TSurfaceView view(platform, layout::SpectrumDisplay.Width,
                                layout::SpectrumDisplay.Height);
    view.SetRepaintMode(controls::TRepaintMode::rmOptimizer);
    raster::TRasterSurface surface(layout::SpectrumDisplay.Width, layout::SpectrumDisplay.Height);
    analysis::StartAnalyzer(analysis::StartWindowKind, analysis::StartLevelDb);
    display::TPlotViews views;
    if (state.range(0) != 0) {
        views.SetPeakHold(true);
        views.SetAveraging(64);
        views.PlaceMarker(display::TMarker::mkFirst, 64);
        views.PlaceMarker(display::TMarker::mkSecond, 192);
        views.SetFiguresShown(true);
    }
    const auto frame = [&] {
        display::RunPlotFrame(surface, view, analysis::StartFrequencyHz, analysis::StartCodingMode,
                              &views);
    };
    if (state.range(0) != 0) {
        frame();
        views.FreezeReference();
    }
    for (int warm = 0; warm < analysis::SampleRate / analysis::FrameLength + 1; ++warm) {
        frame();
    }
    for (auto _ : state) {
        frame();
        benchmark::DoNotOptimize(surface.Bits());
    }
}
BENCHMARK(BM_WindowFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_StartUpArtwork(benchmark::State& state) {
    raster::TRasterSurface panel;
    raster::TRasterSurface ruler;
    raster::TRasterSurface icon;
    raster::TRasterSurface background;
    for (auto _ : state) {
        display::DrawBackgroundPanel(panel);
        display::DrawFrequencyRuler(ruler);
        display::DrawWindowIcon(icon);
        display::ComposeWindowBackground(background, layout::ClientWidth, layout::ClientHeight,
                                         panel, ruler);
        benchmark::DoNotOptimize(background.Bits());
    }
}
BENCHMARK(BM_StartUpArtwork)->Unit(benchmark::kMicrosecond);

} // namespace
