// SPDX-License-Identifier: GPL-3.0-or-later
#include "gauge_look.h"

namespace controls {

void ApplyGaugeLook(TGaugeSlider& gauge, const TGaugeLook& look) {
    gauge.SetColor(look.color);
    gauge.SetHandleColor(look.handleColor);
    gauge.SetButtonColor(look.buttonColor);
    gauge.SetHighLightColor(look.highLightColor);
    gauge.SetShadowColor(look.shadowColor);
    gauge.SetBorderColor(look.borderColor);
    gauge.SetHandleSize(look.handleSize);
    gauge.SetShowArrows(look.showArrows);
    gauge.SetShowHandleGrip(look.showHandleGrip);
    gauge.SetBackgnd(look.backgnd);
}

} // namespace controls
