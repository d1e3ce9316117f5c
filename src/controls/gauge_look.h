// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "gauge_slider.h"
#include "platform/color.h"

#include <cstdint>

namespace controls {

// The appearance settings of a gauge slider, to give several gauges the same look.
struct TGaugeLook {
    platform::TColor color; // the track
    platform::TColor handleColor;
    platform::TColor buttonColor;
    platform::TColor highLightColor;
    platform::TColor shadowColor;
    platform::TColor borderColor;
    std::int32_t handleSize; // pixels; 0 for as long as the gauge is high
    bool showArrows;
    bool showHandleGrip;
    TGaugeBackground backgnd;
};

// The dark flat look of the main window's level and frequency sliders.
inline constexpr TGaugeLook PanelGaugeLook{
    .color = platform::RGB(34, 46, 51),
    .handleColor = platform::RGB(166, 189, 197),
    .buttonColor = platform::RGB(166, 189, 197),
    .highLightColor = platform::RGB(128, 128, 128),
    .shadowColor = platform::RGB(128, 128, 128),
    .borderColor = platform::RGB(16, 16, 16),
    .handleSize = 24,
    .showArrows = true,
    .showHandleGrip = true,
    .backgnd = TGaugeBackground::bgSolid,
};

// Sets every appearance property of `gauge` from `look`; range, steps and size stay.
void ApplyGaugeLook(TGaugeSlider& gauge, const TGaugeLook& look);

} // namespace controls
