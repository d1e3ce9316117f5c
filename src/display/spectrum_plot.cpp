// SPDX-License-Identifier: GPL-3.0-or-later
#include "spectrum_plot.h"

#include "analysis/frames/frame_pipeline.h"
#include "analysis/frames/tone_source.h"
#include "plot_views.h"

#include <array>

namespace display {

void BeginPlotFrame(raster::TRasterSurface& surface, controls::TSurfaceView& view) {
    view.SetBitmap(surface);
    DrawPlotGrid(surface);
}

void DrawPlotGrid(raster::TRasterSurface& surface) {
    const std::int32_t width = surface.Width();
    const std::int32_t height = surface.Height();
    raster::TSurfaceCanvas& canvas = surface.Canvas();
    canvas.SetBrushColor(PlotBackgroundColor);
    canvas.FillRect(platform::SizeRect(width, height));

    // Vertical lines first, so the horizontal ones show where they cross. Each line ends
    // one pixel beyond the surface, which line drawing leaves out.
    canvas.SetPenColor(PlotGridColor);
    for (int i = 0; i < PlotGridLineCount; ++i) {
        canvas.MoveTo(PlotGridColumnStep * i, 0);
        canvas.LineTo(PlotGridColumnStep * i, height);
    }
    for (int j = 0; j < PlotGridLineCount; ++j) {
        canvas.SetPenColor(j == PlotMarkedGridLine ? PlotMarkedLineColor : PlotGridColor);
        canvas.MoveTo(0, PlotGridRowStep * j);
        canvas.LineTo(width, PlotGridRowStep * j);
    }

    canvas.SetPenColor(PlotTraceColor);
}

void DrawPlotTrace(raster::TRasterSurface& surface,
                   std::span<const std::int32_t, analysis::PlottedBins> ordinates) {
    // Ordinates count upward from the row just below the surface.
    const std::int32_t baseline = surface.Height();
    raster::TSurfaceCanvas& canvas = surface.Canvas();
    canvas.MoveTo(-1, baseline - ordinates[0]);
    for (int k = 0; k < analysis::PlottedBins; ++k) {
        canvas.LineTo(k, baseline - ordinates[k]);
    }
}

void HandFrameToViews(TPlotViews& views, std::int32_t frequencyHz, analysis::CodingMode mode,
                      std::span<const std::int32_t, analysis::PlottedBins> ordinates) {
    const TFrameSettings settings{frequencyHz, mode, analysis::AnalyzerState.CurrentWindowKind,
                                  analysis::AnalyzerState.Gain};
    if (!views.AnyOn()) {
        // Nothing more than a copy of the ordinates while the plot is drawn without views.
        views.KeepFrame(settings, ordinates);
        return;
    }
    std::array<double, analysis::PlottedBins> values;
    for (int bin = 0; bin < analysis::PlottedBins; ++bin) {
        values[static_cast<std::size_t>(bin)] = analysis::BinValue(bin);
    }
    views.TakeFrame(settings, ordinates, values);
}

void DrawPlotViews(raster::TRasterSurface& surface,
                   std::span<const std::int32_t, analysis::PlottedBins> ordinates,
                   const TPlotViews* views) {
    if (views == nullptr || !views->AnyOn()) {
        DrawPlotTrace(surface, ordinates);
        return;
    }
    views->Draw(surface);
}

void RunPlotFrame(raster::TRasterSurface& surface, controls::TSurfaceView& view,
                  std::int32_t frequencyHz, analysis::CodingMode mode, TPlotViews* views,
                  TFrameSamples samples) {
    analysis::TToneSource tone(frequencyHz);
    RunPlotFrame(surface, view, tone, frequencyHz, mode, views, samples);
}

void RunPlotFrame(raster::TRasterSurface& surface, controls::TSurfaceView& view,
                  analysis::TSampleSource& source, std::int32_t frequencyHz,
                  analysis::CodingMode mode, TPlotViews* views, TFrameSamples samples) {
    BeginPlotFrame(surface, view);
    std::array<std::int32_t, analysis::PlottedBins> ordinates;
    analysis::ComputeFrame(source, mode, ordinates, samples.Coded, samples.Uncoded);
    if (views != nullptr) {
        HandFrameToViews(*views, frequencyHz, mode, ordinates);
    }
    DrawPlotViews(surface, ordinates, views);
}

} // namespace display
