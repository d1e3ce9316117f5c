// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/geometry.h"

#include <cstdint>

namespace display {

// Where everything sits in the main window, in client pixels from its top-left corner. The
// layout is in pixels and never scales: the artwork is drawn to fit it exactly.
struct TPlace {
    std::int32_t Left;
    std::int32_t Top;
    std::int32_t Width;
    std::int32_t Height;

    constexpr platform::TRect Bounds() const { return {Left, Top, Left + Width, Top + Height}; }
    constexpr platform::TPoint TopLeft() const { return {Left, Top}; }
};

namespace layout {

inline constexpr std::int32_t ClientWidth = 556;
inline constexpr std::int32_t ClientHeight = 404;

// The pictures the window paints itself: the background panel, opaque, and the frequency
// ruler on the row just below the spectrum display, with its background colour left out.
inline constexpr TPlace Panel{0, 0, 554, 269};
inline constexpr TPlace FrequencyRuler{9, 250, 543, 14};

// The spectrum display covers the panel's plot well; its width is one column per plotted bin.
inline constexpr TPlace SpectrumDisplay{15, 9, 512, 241};

// The read-outs stand above their sliders.
inline constexpr TPlace LabelLevel{58, 294, 95, 13};
inline constexpr TPlace GaugeLevel{36, 317, 142, 18};
inline constexpr TPlace LabelF{58, 342, 95, 13};
inline constexpr TPlace GaugeF{36, 361, 142, 18};

// The coding-mode buttons form a column, one every 24 rows, in the order of the modes.
inline constexpr TPlace FirstCodingModeButton{372, 280, 97, 17};
inline constexpr std::int32_t CodingModeButtonStep = 24;

constexpr TPlace CodingModeButton(int index) {
    return {FirstCodingModeButton.Left, FirstCodingModeButton.Top + CodingModeButtonStep * index,
            FirstCodingModeButton.Width, FirstCodingModeButton.Height};
}

// The labels' and buttons' text: a plain sans-serif face 11 pixels high.
inline constexpr int TextPixelSize = 11;

} // namespace layout
} // namespace display
