// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <functional>

namespace platform {

// A periodic timer of the user-interface thread. Its ticks are messages: a due tick is
// delivered only when no other message waits, and at most one tick is outstanding, so
// ticks missed while the thread was busy are dropped, not queued.
//
// A new timer is disabled, with an interval of 1000 ms and no handler.
class ITimer {
public:
    virtual ~ITimer() = default;

    // Changing the interval of an enabled timer starts its period anew from now and drops
    // an outstanding tick; setting the interval it already has changes nothing. A timer
    // with interval 0 never ticks.
    virtual void SetInterval(std::chrono::milliseconds interval) = 0;
    virtual std::chrono::milliseconds Interval() const = 0;

    // Enabling starts the first period from now (nothing happens if already enabled);
    // disabling drops an outstanding tick.
    virtual void Enable() = 0;
    virtual void Disable() = 0;
    virtual bool IsEnabled() const = 0;

    // The handler runs once per delivered tick. The timer may be reconfigured or destroyed
    // from inside it.
    virtual void SetOnTimer(std::function<void()> handler) = 0;
};

} // namespace platform
