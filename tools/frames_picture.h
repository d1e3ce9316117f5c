// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/analyzer_state.h"
#include "raster/raster_surface.h"

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

namespace tools {

// A file or stream that could not be written; what() is the one-line message.
class OutputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Draws on `surface`, which must have the spectrum display's size, the picture the window
// shows for a frame with these ordinates: the grid, then the trace.
void DrawFramePicture(raster::TRasterSurface& surface,
                      std::span<const std::int32_t, analysis::PlottedBins> ordinates);

// Writes `surface` to `path` as an 8-bit RGB PNG (alpha is left out: the window shows
// every pixel opaque). A new or regular file is written beside `path` under a temporary
// name and renamed over it at the end, so a failed write leaves `path` as it was; other
// files (a device, a pipe, a link) are written in place. Throws OutputError on failure.
void WritePng(const raster::TRasterSurface& surface, const std::string& path);

// DrawFramePicture on a surface of the spectrum display's size, then WritePng.
void WriteFramePicture(std::span<const std::int32_t, analysis::PlottedBins> ordinates,
                       const std::string& path);

} // namespace tools
