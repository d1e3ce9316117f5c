// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform.h"

namespace platform {

TColor ResolveColor(const IPlatform& platform, TColor color) {
    return IsSystemColor(color) ? platform.SystemColor(SystemColorIndexOf(color)) : color;
}

} // namespace platform
