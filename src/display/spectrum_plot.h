// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/frames/analyzer_state.h"
#include "analysis/coding/coding_mode.h"
#include "analysis/frames/sample_source.h"
#include "controls/surface_view.h"
#include "platform/color.h"
#include "raster/raster_surface.h"

#include <cstdint>
#include <span>

namespace display {

class TPlotViews;

inline constexpr platform::TColor PlotBackgroundColor = platform::RGB(0, 0, 0);
inline constexpr platform::TColor PlotGridColor = platform::RGB(4, 40, 60);
// The -90 dB line stands out from the rest of the grid.
inline constexpr platform::TColor PlotMarkedLineColor = platform::RGB(80, 40, 40);
inline constexpr platform::TColor PlotTraceColor = platform::RGB(0, 200, 160);

// Grid: a vertical line every 32 columns (500 Hz) and a horizontal line every 15 rows
// (about 10.27 dB at 1.46 pixels per dB); horizontal line 9 is the -90 dB line.
inline constexpr int PlotGridColumnStep = 32;
inline constexpr int PlotGridRowStep = 15;
inline constexpr int PlotGridLineCount = 17;
inline constexpr int PlotMarkedGridLine = 9;

// Clears `surface` to the background, draws the grid over the whole surface and leaves the
// trace colour in the pen. The surface is the plot, as large as the spectrum display.
void DrawPlotGrid(raster::TRasterSurface& surface);

// Starts a frame's picture: hands the picture drawn on the previous frame to `view` (a
// copy), then DrawPlotGrid.
void BeginPlotFrame(raster::TRasterSurface& surface, controls::TSurfaceView& view);

// Draws the trace of one frame: bin k at column k, its ordinate in pixels above the row
// just below the surface, joined bin to bin from a point left of the surface at bin 0's
// height. The end point of the last segment is not set. The pen must hold the trace colour
// (BeginPlotFrame leaves it so).
void DrawPlotTrace(raster::TRasterSurface& surface,
                   std::span<const std::int32_t, analysis::PlottedBins> ordinates);

// The frame's samples, for a caller that also wants them: each span empty or of 1024
// entries (analysis::TakeFrame). The picture is the same either way.
struct TFrameSamples {
    std::span<double> Coded;
    std::span<double> Uncoded;
};

// One whole frame: BeginPlotFrame, the frame's numerics for the tone frequency (hertz) and
// coding mode, then DrawPlotTrace, or with any of `views` (if given) on, the views take the
// frame and draw it. The window shows the new picture with the next frame.
void RunPlotFrame(raster::TRasterSurface& surface, controls::TSurfaceView& view,
                  std::int32_t frequencyHz, analysis::CodingMode mode,
                  TPlotViews* views = nullptr, TFrameSamples samples = {});

// What the views are told of a source that is not the tone: it has no frequency.
inline constexpr std::int32_t NoToneHz = 0;

// RunPlotFrame for the next 1024 samples of `source`; `frequencyHz` is the tone's for the
// views, or NoToneHz.
void RunPlotFrame(raster::TRasterSurface& surface, controls::TSurfaceView& view,
                  analysis::TSampleSource& source, std::int32_t frequencyHz,
                  analysis::CodingMode mode, TPlotViews* views = nullptr,
                  TFrameSamples samples = {});

// Hands the frame just computed, with `ordinates`, to `views`: with any view on, its bin
// values too, and the tone, mode and window it was computed with (TakeFrame); with every view
// off, only what a view switched on before the next frame needs (KeepFrame).
void HandFrameToViews(TPlotViews& views, std::int32_t frequencyHz, analysis::CodingMode mode,
                      std::span<const std::int32_t, analysis::PlottedBins> ordinates);

// Over the grid: the trace of `ordinates` alone without views or while every view is off,
// else the views. The pen must hold the trace colour.
void DrawPlotViews(raster::TRasterSurface& surface,
                   std::span<const std::int32_t, analysis::PlottedBins> ordinates,
                   const TPlotViews* views);

} // namespace display
