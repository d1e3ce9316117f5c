// SPDX-License-Identifier: GPL-3.0-or-later
#include "termination_signals.h"

#include <cassert>
#include <cerrno>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>

namespace app {

TTerminationSignals::TTerminationSignals() {
    assert(writeEnd_ == -1 && "one at a time");
    int ends[2];
    if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::system_error(errno, std::generic_category(), "cannot watch for signals");
    }
    readEnd_ = ends[0];
    writeEnd_ = ends[1];
    notifier_ = std::make_unique<QSocketNotifier>(readEnd_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
        char drained[16];
        while (read(readEnd_, drained, sizeof drained) > 0) {
        }
        QCoreApplication::exit(0);
    });
    struct sigaction action {};
    action.sa_handler = &OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < Signals.size(); ++i) {
        sigaction(Signals[i], &action, &previous_[i]);
    }
}

TTerminationSignals::~TTerminationSignals() {
    for (std::size_t i = 0; i < Signals.size(); ++i) {
        sigaction(Signals[i], &previous_[i], nullptr);
    }
    notifier_.reset();
    close(writeEnd_);
    close(readEnd_);
    writeEnd_ = -1;
}

void TTerminationSignals::OnSignal(int) {
    // Only what is safe in a signal handler; a full pipe already holds a wake-up.
    const int savedErrno = errno;
    const char wake = 1;
    [[maybe_unused]] const ssize_t written = write(writeEnd_, &wake, 1);
    errno = savedErrno;
}

} // namespace app
