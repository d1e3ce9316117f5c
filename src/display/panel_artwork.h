// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/color.h"
#include "platform/geometry.h"
#include "raster/raster_surface.h"
#include "window_layout.h"

#include <cstdint>

namespace display {

// The fixed pictures that dress the main window, drawn at start-up. Every start draws
// exactly the same pixels (the slate texture comes from a fixed-seed generator).

// The background panel sits at client (0, 0); its plot well lies under the spectrum
// display, whose pixel (x, y) is panel pixel (15 + x, 9 + y).
inline constexpr std::int32_t PanelWidth = layout::Panel.Width;
inline constexpr std::int32_t PanelHeight = layout::Panel.Height;

// The frequency ruler sits just below the display; ruler column c is display column c - 6.
inline constexpr std::int32_t RulerWidth = layout::FrequencyRuler.Width;
inline constexpr std::int32_t RulerHeight = layout::FrequencyRuler.Height;
inline constexpr platform::TPoint RulerPosition = layout::FrequencyRuler.TopLeft();

inline constexpr std::int32_t IconSize = 16;

// Colours of the artwork.
inline constexpr platform::TColor ScaleTextColor = platform::RGB(168, 197, 208);
inline constexpr platform::TColor PanelGridDotColor = platform::RGB(4, 44, 80);
inline constexpr platform::TColor RulerBackgroundColor = platform::RGB(16, 16, 16);

// Resizes `panel` to 554 x 269 and draws the background panel: top band, left edge, slate
// texture, the inset shadow around the black plot well with its dotted grid, and the
// decibel scale on the right.
void DrawBackgroundPanel(raster::TRasterSurface& panel);

// Resizes `ruler` to 543 x 14 and draws the frequency ruler: ticks every 125 Hz (longer
// every 500 Hz) and the kHz labels on an RGB(16, 16, 16) background, which is the colour
// the window leaves transparent.
void DrawFrequencyRuler(raster::TRasterSurface& ruler);

// Resizes `icon` to 16 x 16 and draws the window icon, a white wire globe: lit pixels are
// opaque white (0xFFFFFFFF), the rest fully transparent (0x00000000).
void DrawWindowIcon(raster::TRasterSurface& icon);

// Composes what the window itself paints under its child controls into `background`
// (resized to width x height): black, the panel drawn opaque at (0, 0), then the ruler
// drawn at RulerPosition skipping its background colour.
void ComposeWindowBackground(raster::TRasterSurface& background, std::int32_t width,
                             std::int32_t height, const raster::TRasterSurface& panel,
                             const raster::TRasterSurface& ruler);

} // namespace display
