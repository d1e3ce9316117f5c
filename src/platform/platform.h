// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "color.h"
#include "timer.h"

#include <chrono>
#include <memory>
#include <string_view>

namespace platform {

// The application-wide services of the windowing system. Every call comes from the
// user-interface thread. Per-control services are IControlHost's.
class IPlatform {
public:
    virtual ~IPlatform() = default;

    virtual std::unique_ptr<ITimer> CreateTimer() = 0;

    // Dispatches every message pending for the user-interface thread, including due timer
    // ticks, and returns when none is left. May be called from inside a handler.
    virtual void ProcessMessages() = 0;

    // Suspends the user-interface thread; dispatches nothing.
    virtual void Sleep(std::chrono::milliseconds duration) = 0;

    // The current value of a system colour, as 0x00BBGGRR.
    virtual TColor SystemColor(SystemColorIndex index) const = 0;

    // Shows a message box with an error icon and an OK button, captioned with the
    // application title, and returns when the user has closed it.
    virtual void ShowErrorBox(std::string_view message) = 0;
};

// `color` as 0x00BBGGRR: a system colour is replaced by its current value, any other
// colour is returned as it is.
TColor ResolveColor(const IPlatform& platform, TColor color);

} // namespace platform
