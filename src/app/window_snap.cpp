#include "window_snap.h"

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

} // namespace

platform::TPoint SnapToWorkArea(const platform::TRect& frame, const platform::TRect& workArea) {
    return {SnapSpan(frame.left, frame.right, workArea.left, workArea.right),
            SnapSpan(frame.top, frame.bottom, workArea.top, workArea.bottom)};
}

} // namespace app
