// SPDX-License-Identifier: GPL-3.0-or-later
#include "spectrum_plot.h"

#include "analysis/frame_pipeline.h"

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

void RunPlotFrame(raster::TRasterSurface& surface, controls::TSurfaceView& view,
                  std::int32_t frequencyHz, analysis::CodingMode mode) {
    BeginPlotFrame(surface, view);
    std::array<std::int32_t, analysis::PlottedBins> ordinates;
    analysis::ComputeFrame(frequencyHz, mode, ordinates);
    DrawPlotTrace(surface, ordinates);
}

} // namespace display
