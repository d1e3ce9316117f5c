// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/frames/analyzer_state.h"
#include "display/plot_views.h"
#include "raster/raster_surface.h"
#include "replacing_file.h"

#include <cstdint>
#include <span>
#include <string>

namespace tools {

// Draws on `surface`, which must have the spectrum display's size, the picture the window
// shows for a frame with these ordinates: the grid, then the trace, or with `views` that
// are on, the views as they stand.
void DrawFramePicture(raster::TRasterSurface& surface,
                      std::span<const std::int32_t, analysis::PlottedBins> ordinates,
                      const display::TPlotViews* views = nullptr);

// Writes `surface` into `file`'s stream as an 8-bit RGB PNG (alpha is left out: the window
// shows every pixel opaque); `file` is put in place by its Commit(). Throws OutputError on
// failure.
void WritePng(const raster::TRasterSurface& surface, ReplacingFile& file);

// DrawFramePicture on a surface of the spectrum display's size, then WritePng.
void WriteFramePicture(std::span<const std::int32_t, analysis::PlottedBins> ordinates,
                       ReplacingFile& file, const display::TPlotViews* views = nullptr);

} // namespace tools
