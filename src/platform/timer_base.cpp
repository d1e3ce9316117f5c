// SPDX-License-Identifier: GPL-3.0-or-later
#include "timer_base.h"

#include <cassert>

namespace platform {

using std::chrono::milliseconds;

// Marks a tick as under way for its lifetime. A handler that pumps messages may meet a
// tick of this timer again (after restarting it), so the scopes of nested ticks form a
// chain, and a destruction seen by an inner tick is passed on to the outer ones.
class TTimerBase::TTickScope {
public:
    explicit TTickScope(TTimerBase& timer) : timer_(timer), outer_(timer.destroyedDuringTick_) {
        timer_.destroyedDuringTick_ = &destroyed_;
    }

    ~TTickScope() {
        if (!destroyed_) {
            timer_.destroyedDuringTick_ = outer_;
        } else if (outer_ != nullptr) {
            *outer_ = true;
        }
    }

    TTickScope(const TTickScope&) = delete;
    TTickScope& operator=(const TTickScope&) = delete;

private:
    TTimerBase& timer_; // not touched once destroyed_ is set
    bool* const outer_;
    bool destroyed_ = false;
};

TTimerBase::~TTimerBase() {
    if (destroyedDuringTick_ != nullptr) {
        *destroyedDuringTick_ = true;
    }
}

void TTimerBase::SetInterval(milliseconds interval) {
    assert(interval.count() >= 0);
    if (interval == interval_) {
        return;
    }
    interval_ = interval;
    if (enabled_) {
        Rearm();
    }
}

void TTimerBase::Enable() {
    if (!enabled_) {
        enabled_ = true;
        Rearm();
    }
}

void TTimerBase::Disable() {
    enabled_ = false;
    Disarm();
}

void TTimerBase::DeliverTick() {
    if (!IsArmed() || !handler_) {
        return;
    }
    // A copy, so that the handler may replace itself or destroy its timer.
    const std::function<void()> handler = handler_;
    const TTickScope tick(*this);
    RunHandler(handler);
}

void TTimerBase::Rearm() {
    if (IsArmed()) {
        Arm();
    } else {
        Disarm();
    }
}

} // namespace platform
