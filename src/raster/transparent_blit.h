// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/geometry.h"
#include "raster_surface.h"

namespace raster {

// Draws `source` at its natural size with its top-left pixel at `destination` in `target`,
// skipping every pixel whose colour (red, green, blue; alpha ignored) equals that of the
// source's bottom-left pixel, and copying every other pixel unchanged. Clipped to the
// target's clip rectangle; notifies the target's change once. `source` must not be
// `target`; an empty source draws nothing.
void DrawTransparent(TRasterSurface& target, const TRasterSurface& source,
                     platform::TPoint destination);

} // namespace raster
