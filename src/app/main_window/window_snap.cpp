// SPDX-License-Identifier: GPL-3.0-or-later
#include "window_snap.h"

#include <algorithm>
#include <cstdlib>

namespace app {
namespace {

// Where the near edge of a span [low, high) moves to snap onto [areaLow, areaHigh).
int SnapSpan(int low, int high, int areaLow, int areaHigh) {
    if (std::abs(low - areaLow) < SnapDistance) {
        return areaLow;
    }
    if (std::abs(high - areaHigh) < SnapDistance) {
        return areaHigh - (high - low);
    }
    return low;
}

// Where the near edge of a span `length` long goes when centred on [areaLow, areaHigh); a
// span longer than the area starts where the area does.
int CentreSpan(int length, int areaLow, int areaHigh) {
    return std::max(areaLow, areaLow + (areaHigh - areaLow - length) / 2);
}

} // namespace

platform::TPoint CentreOnWorkArea(const platform::TRect& frame, const platform::TRect& workArea) {
    return {CentreSpan(frame.Width(), workArea.left, workArea.right),
            CentreSpan(frame.Height(), workArea.top, workArea.bottom)};
}

platform::TPoint SnapToWorkArea(const platform::TRect& frame, const platform::TRect& workArea) {
    return {SnapSpan(frame.left, frame.right, workArea.left, workArea.right),
            SnapSpan(frame.top, frame.bottom, workArea.top, workArea.bottom)};
}

} // namespace app
