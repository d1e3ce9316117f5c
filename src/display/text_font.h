// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pixel_font.h"
#include "platform/color.h"
#include "platform/geometry.h"
#include "raster/raster_surface.h"

#include <string_view>

namespace display {

// The plot's text font: printable ASCII in cells of 5 x 7 pixels, one colour, no smoothing,
// for the read-outs that the measurement views draw on the spectrum.
inline constexpr int TextGlyphWidth = 5;
inline constexpr int TextGlyphHeight = GlyphHeight;
inline constexpr int TextAdvance = TextGlyphWidth + 1; // one blank column between glyphs
inline constexpr int TextLineHeight = TextGlyphHeight + 2;

// The width in pixels of `text` in one line (its last glyph without the blank column).
int TextWidth(std::string_view text);

// Draws `text` in one line with its top-left corner at (left, top), clipped to the surface
// and its clip rectangle. A character the font lacks is drawn as '?'.
void DrawText(raster::TRasterSurface& surface, platform::TPoint topLeft, std::string_view text,
              platform::TColor color);

} // namespace display
