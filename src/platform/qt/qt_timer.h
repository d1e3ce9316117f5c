#pragma once

#include "platform/timer.h"

#include <chrono>
#include <functional>
#include <memory>

class QTimer;

namespace platform::qt {

class TQtPlatform;

// A timer of the Qt event loop. Its ticks arrive as Qt timer events on the GUI thread;
// Qt never queues more than one event per timer, so ticks missed while the thread was busy
// are dropped. Each tick runs the handler through the platform's handler guard.
//
// Create it through TQtPlatform::CreateTimer; the platform must outlive it.
class TQtTimer : public ITimer {
public:
    explicit TQtTimer(TQtPlatform& platform);
    ~TQtTimer() override;
    TQtTimer(const TQtTimer&) = delete;
    TQtTimer& operator=(const TQtTimer&) = delete;

    void SetInterval(std::chrono::milliseconds interval) override;
    std::chrono::milliseconds Interval() const override { return interval_; }
    void Enable() override;
    void Disable() override;
    bool IsEnabled() const override { return enabled_; }
    void SetOnTimer(std::function<void()> handler) override { handler_ = std::move(handler); }

private:
    bool IsArmed() const { return enabled_ && interval_.count() > 0; }
    // Starts a period from now when armed, otherwise stops the Qt timer.
    void Arm();
    void Tick();

    TQtPlatform& platform_;
    std::unique_ptr<QTimer> timer_;
    std::chrono::milliseconds interval_;
    bool enabled_ = false;
    std::function<void()> handler_;
    // While the handler runs: set to true if the handler destroys this timer.
    bool* destroyedDuringTick_ = nullptr;
};

} // namespace platform::qt
