// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/timer_base.h"

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
class TQtTimer : public TTimerBase {
public:
    explicit TQtTimer(TQtPlatform& platform);
    ~TQtTimer() override;
    TQtTimer(const TQtTimer&) = delete;
    TQtTimer& operator=(const TQtTimer&) = delete;

private:
    void Arm() override;
    void Disarm() override;
    void RunHandler(const std::function<void()>& handler) override;

    TQtPlatform& platform_;
    std::unique_ptr<QTimer> timer_;
};

} // namespace platform::qt
