// SPDX-License-Identifier: GPL-3.0-or-later
#include "point_sharing.h"

#include "analysis/common/own_arithmetic.h"

#include <cassert>
#include <thread>
#include <vector>

namespace analysis {

void TPointSharing::Finished(const std::function<void(int finished)>& tell) {
    const std::scoped_lock guard(lock_);
    ++finished_;
    tell(finished_);
}

void TPointSharing::Work(int count, const TMakePointWorker& makeWorker) {
    const TOwnArithmetic own;
    try {
        const TPointWorker worker = makeWorker();
        while (!Stopped()) {
            const int index = next_.fetch_add(1, std::memory_order_relaxed);
            if (index >= count) {
                return;
            }
            worker(index, *this);
        }
    } catch (...) {
        const std::scoped_lock guard(lock_);
        if (!error_) {
            error_ = std::current_exception();
        }
        failed_.request_stop();
    }
}

bool SharePoints(int count, int threads, std::stop_token stop, const TMakePointWorker& makeWorker) {
    assert(threads >= 1);
    TPointSharing sharing(std::move(stop));
    {
        std::vector<std::jthread> helpers;
        try {
            for (int helper = 1; helper < threads; ++helper) {
                helpers.emplace_back([&sharing, count, &makeWorker] { sharing.Work(count, makeWorker); });
            }
        } catch (...) {
            // No thread to spare: stop the ones started before passing the failure on.
            sharing.failed_.request_stop();
            throw;
        }
        sharing.Work(count, makeWorker);
    } // the helpers join here, so every point they wrote is visible below
    if (sharing.error_) {
        std::rethrow_exception(sharing.error_);
    }
    return sharing.finished_ == count;
}

} // namespace analysis
