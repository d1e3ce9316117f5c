// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Readable GoogleTest output for the platform's geometry types.

#include "platform/geometry.h"

#include <ostream>

namespace platform {

inline void PrintTo(const TPoint& p, std::ostream* os) {
    *os << "(" << p.x << ", " << p.y << ")";
}

inline void PrintTo(const TRect& r, std::ostream* os) {
    *os << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}

} // namespace platform
