// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt_timer.h"

#include "qt_platform.h"

#include <QTimer>

namespace platform::qt {

TQtTimer::TQtTimer(TQtPlatform& platform)
    : platform_(platform), timer_(std::make_unique<QTimer>()) {
    // The frame clock needs whole periods, not the 5 % slack of Qt's coarse timers.
    timer_->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer_.get(), &QTimer::timeout, [this] { DeliverTick(); });
}

TQtTimer::~TQtTimer() {
    if (IsInTick()) {
        // Qt is still inside this QTimer's timeout emission: let the event loop delete it.
        timer_->stop();
        timer_->disconnect();
        timer_.release()->deleteLater();
    }
}

void TQtTimer::Arm() {
    timer_->start(Interval());
}

void TQtTimer::Disarm() {
    timer_->stop();
}

void TQtTimer::RunHandler(const std::function<void()>& handler) {
    platform_.RunGuarded(handler);
}

} // namespace platform::qt
