#include "qt_timer.h"

#include "qt_platform.h"

#include <cassert>

#include <QTimer>

namespace platform::qt {

using std::chrono::milliseconds;

namespace {

constexpr milliseconds DefaultTimerInterval{1000};

} // namespace

TQtTimer::TQtTimer(TQtPlatform& platform)
    : platform_(platform), timer_(std::make_unique<QTimer>()), interval_(DefaultTimerInterval) {
    // The frame clock needs whole periods, not the 5 % slack of Qt's coarse timers.
    timer_->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer_.get(), &QTimer::timeout, [this] { Tick(); });
}

TQtTimer::~TQtTimer() {
    if (destroyedDuringTick_ != nullptr) {
        // Qt is still inside this QTimer's timeout emission: let the event loop delete it.
        *destroyedDuringTick_ = true;
        timer_->stop();
        timer_->disconnect();
        timer_.release()->deleteLater();
    }
}

void TQtTimer::SetInterval(milliseconds interval) {
    assert(interval.count() >= 0);
    if (interval == interval_) {
        return;
    }
    interval_ = interval;
    if (enabled_) {
        Arm();
    }
}

void TQtTimer::Enable() {
    if (!enabled_) {
        enabled_ = true;
        Arm();
    }
}

void TQtTimer::Disable() {
    enabled_ = false;
    timer_->stop();
}

void TQtTimer::Arm() {
    if (IsArmed()) {
        timer_->start(interval_);
    } else {
        timer_->stop();
    }
}

void TQtTimer::Tick() {
    if (!IsArmed() || !handler_) {
        return;
    }
    // A copy, so that the handler may replace itself or destroy its timer.
    const std::function<void()> handler = handler_;
    // A handler that pumps messages may meet a tick of this timer again (after restarting
    // it), so the flags of nested ticks form a chain.
    bool* const outerTick = destroyedDuringTick_;
    bool destroyed = false;
    destroyedDuringTick_ = &destroyed;
    platform_.RunGuarded(handler);
    if (destroyed) {
        if (outerTick != nullptr) {
            *outerTick = true;
        }
        return;
    }
    destroyedDuringTick_ = outerTick;
}

} // namespace platform::qt
