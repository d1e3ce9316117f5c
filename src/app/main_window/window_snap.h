// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/geometry.h"

namespace app {

// A moved window snaps onto an edge of the monitor's work area when its own edge comes
// closer than this many pixels to it.
inline constexpr int SnapDistance = 10;

// The top-left corner for a window whose frame is `frame` (screen pixels) after snapping
// onto `workArea`: each edge of the frame that lies less than SnapDistance pixels from the
// same edge of the work area (on either side of it) is moved onto it; the left and top
// edges win over the right and bottom ones.
platform::TPoint SnapToWorkArea(const platform::TRect& frame, const platform::TRect& workArea);

// The top-left corner for a window whose frame is `frame` at its first showing: centred on
// `workArea` where it fits; where it is wider or taller than the work area, its left or top
// edge lies on the work area's, so that the title bar stays within reach.
platform::TPoint CentreOnWorkArea(const platform::TRect& frame, const platform::TRect& workArea);

} // namespace app
