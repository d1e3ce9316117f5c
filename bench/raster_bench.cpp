// SPDX-License-Identifier: GPL-3.0-or-later
// The raster work of one analyzer frame: drawing the spectrum picture, handing it to the
// display control and the control's compose-and-copy to its window.

#include "analysis/frames/analyzer.h"
#include "analysis/frames/analyzer_state.h"
#include "analysis/coding/coding_mode.h"
#include "analysis/frames/frame_pipeline.h"
#include "analysis/frames/tone_range.h"
#include "analysis/windows/window_kind.h"
#include "controls/surface_view.h"
#include "display/spectrum_plot.h"
#include "display/window_layout.h"
#include "platform/scripted/scripted_platform.h"
#include "raster/raster_surface.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include <benchmark/benchmark.h>

namespace {

constexpr std::int32_t PlotWidth = display::layout::SpectrumDisplay.Width;
constexpr std::int32_t PlotHeight = display::layout::SpectrumDisplay.Height;

using TOrdinates = std::array<std::int32_t, analysis::PlottedBins>;

// The ordinates of a real frame: a 1000 Hz tone at full scale through the square-root
// coder, Kaiser window, whose coding noise makes a busy trace.
const TOrdinates& FrameOrdinates() {
    static const TOrdinates ordinates = [] {
        TOrdinates result{};
        analysis::StartAnalyzer(analysis::StartWindowKind, analysis::MaxLevelDb);
        analysis::ComputeFrame(analysis::StartFrequencyHz, analysis::CodingMode::cmOrvexSqrt,
                               result);
        return result;
    }();
    return ordinates;
}

// One frame's picture as the plot draws it: background, grid, then the trace.
void DrawSpectrumPicture(raster::TRasterSurface& surface, const TOrdinates& ordinates) {
    display::DrawPlotGrid(surface);
    display::DrawPlotTrace(surface, ordinates);
}

void BM_DrawSpectrumPicture(benchmark::State& state) {
    raster::TRasterSurface surface(PlotWidth, PlotHeight);
    const TOrdinates& ordinates = FrameOrdinates();
    for (auto _ : state) {
        DrawSpectrumPicture(surface, ordinates);
        benchmark::DoNotOptimize(surface.Bits());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DrawSpectrumPicture);

void BM_CopySurfaceFrom(benchmark::State& state) {
    raster::TRasterSurface source(PlotWidth, PlotHeight);
    DrawSpectrumPicture(source, FrameOrdinates());
    raster::TRasterSurface copy(PlotWidth, PlotHeight);
    for (auto _ : state) {
        copy.CopySurfaceFrom(&source);
        benchmark::DoNotOptimize(copy.Bits());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CopySurfaceFrom);

// Everything a frame does to pictures inside its handler: hand the previous picture to
// the display control, then draw the new one.
void BM_HandOverAndDrawFrame(benchmark::State& state) {
    platform::scripted::TScriptedPlatform platform;
    controls::TSurfaceView view(platform, PlotWidth, PlotHeight);
    view.SetRepaintMode(controls::TRepaintMode::rmOptimizer);
    raster::TRasterSurface surface(PlotWidth, PlotHeight);
    const TOrdinates& ordinates = FrameOrdinates();
    view.SetBitmap(surface);
    for (auto _ : state) {
        view.SetBitmap(surface);
        DrawSpectrumPicture(surface, ordinates);
        benchmark::DoNotOptimize(surface.Bits());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_HandOverAndDrawFrame);

// A window that takes the control's paint requests and copies its pixels as a toolkit
// would blit a 32-bit RGB image: row by row, as they are.
class TBlitWindow : public platform::IControlHost, public platform::IWindowCanvas {
public:
    void Invalidate() override { invalidated = true; }
    void PostPaintRequest() override {}
    void SetCapture() override {}
    void ReleaseCapture() override {}
    bool HasCapture() const override { return false; }
    platform::TPoint PointerPosition() const override { return {}; }

    void BlockCopy(const platform::TPixelBlock& source, const platform::TRect& area) override {
        const platform::TRect r = platform::Intersection(
            area, platform::Intersection(platform::SizeRect(PlotWidth, PlotHeight),
                                         platform::SizeRect(source.width, source.height)));
        for (std::int32_t y = r.top; y < r.bottom; ++y) {
            std::memcpy(&screen[static_cast<std::size_t>(y * PlotWidth + r.left)],
                        source.pixels + static_cast<std::ptrdiff_t>(y) * source.width + r.left,
                        static_cast<std::size_t>(r.Width()) * sizeof(std::uint32_t));
        }
    }

    bool invalidated = false;
    std::vector<std::uint32_t> screen = std::vector<std::uint32_t>(PlotWidth * PlotHeight);
};

// The display control's share of a frame after the hand-over: its posted paint request
// recomposes the back buffer and copies it to the window (or, when the optimizer has gone
// to whole-area repaints, invalidates the window, whose paint then does so).
void BM_ComposeAndCopy(benchmark::State& state) {
    platform::scripted::TScriptedPlatform platform;
    controls::TSurfaceView view(platform, PlotWidth, PlotHeight);
    view.SetRepaintMode(controls::TRepaintMode::rmOptimizer);
    TBlitWindow window;
    view.SetHost(&window);
    raster::TRasterSurface surface(PlotWidth, PlotHeight);
    DrawSpectrumPicture(surface, FrameOrdinates());
    view.SetBitmap(surface);
    view.Paint(window, platform::PaintReason::prInvalidated);
    window.invalidated = false;
    for (auto _ : state) {
        state.PauseTiming();
        view.SetBitmap(surface);
        state.ResumeTiming();
        view.Paint(window, platform::PaintReason::prRequested);
        // When the optimizer has given up on pieces the window's own paint follows.
        if (window.invalidated) {
            window.invalidated = false;
            view.Paint(window, platform::PaintReason::prInvalidated);
        }
        benchmark::DoNotOptimize(window.screen.data());
        benchmark::ClobberMemory();
    }
    view.SetHost(nullptr);
}
BENCHMARK(BM_ComposeAndCopy);

} // namespace
