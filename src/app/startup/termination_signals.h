// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <csignal>
#include <memory>

class QSocketNotifier;

namespace app {

// While it lives, SIGTERM, SIGINT and SIGHUP end the Qt event loop with status 0 instead of
// killing the process: the window is then closed and everything released as when the user
// closes it. The signal only writes a byte to a pipe; the loop reads it as any other event.
// One at a time; needs a QCoreApplication.
class TTerminationSignals {
public:
    TTerminationSignals();
    ~TTerminationSignals();
    TTerminationSignals(const TTerminationSignals&) = delete;
    TTerminationSignals& operator=(const TTerminationSignals&) = delete;

    static constexpr std::array<int, 3> Signals = {SIGTERM, SIGINT, SIGHUP};

private:
    static void OnSignal(int);

    static inline int writeEnd_ = -1;
    int readEnd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::array<struct sigaction, Signals.size()> previous_{};
};

} // namespace app
