// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "timer.h"

#include <chrono>
#include <functional>
#include <utility>

namespace platform {

// The bookkeeping every timer shares: interval, enabled flag and handler, when a period
// restarts, and a handler that destroys its own timer. An implementation supplies the
// clock through the hooks below and calls DeliverTick for each tick it delivers.
class TTimerBase : public ITimer {
public:
    ~TTimerBase() override;
    TTimerBase(const TTimerBase&) = delete;
    TTimerBase& operator=(const TTimerBase&) = delete;

    void SetInterval(std::chrono::milliseconds interval) final;
    std::chrono::milliseconds Interval() const final { return interval_; }
    void Enable() final;
    void Disable() final;
    bool IsEnabled() const final { return enabled_; }
    void SetOnTimer(std::function<void()> handler) final { handler_ = std::move(handler); }

protected:
    TTimerBase() = default;

    // Enabled with a non-zero interval: the only state in which ticks fall due.
    bool IsArmed() const { return enabled_ && interval_.count() > 0; }

    // True while DeliverTick runs the handler (also from a nested tick). A destructor that
    // sees it must leave whatever the tick is still being delivered through alive.
    bool IsInTick() const { return destroyedDuringTick_ != nullptr; }

    // Runs the handler once for a tick that fell due, unless the timer has been disarmed
    // since or has no handler. The timer may be gone when it returns.
    void DeliverTick();

private:
    // Starts a period of Interval() from now and drops an outstanding tick. Called only
    // while armed.
    virtual void Arm() = 0;
    // Stops the ticks and drops an outstanding tick.
    virtual void Disarm() = 0;
    // Runs the handler of a tick the way the platform runs every handler.
    virtual void RunHandler(const std::function<void()>& handler) = 0;

    class TTickScope;

    // Arms or disarms to match the interval and the enabled flag.
    void Rearm();

    static constexpr std::chrono::milliseconds DefaultInterval{1000};

    std::chrono::milliseconds interval_ = DefaultInterval;
    bool enabled_ = false;
    std::function<void()> handler_;
    // While the handler runs: set to true if the handler destroys this timer.
    bool* destroyedDuringTick_ = nullptr;
};

} // namespace platform
