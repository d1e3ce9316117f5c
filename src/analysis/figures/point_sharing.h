// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <exception>
#include <functional>
#include <mutex>
#include <stop_token>

namespace analysis {

class TPointSharing;

// Works on one point, for one thread; made once per thread (for buffers of its own).
using TPointWorker = std::function<void(int index, TPointSharing& sharing)>;
using TMakePointWorker = std::function<TPointWorker()>;

// Works on points 0 to count - 1 with `threads` threads (1 or more, the caller's among
// them), handing the points out one at a time, so that they finish roughly, not strictly, in
// order. Each thread makes its worker with `makeWorker`, then calls it with each point it
// takes until none is left or the sharing is Stopped(). The first exception thrown by a
// worker (or by what it tells) stops every thread and is rethrown here. Returns whether
// every point was Finished.
bool SharePoints(int count, int threads, std::stop_token stop, const TMakePointWorker& makeWorker);

// What a thread of SharePoints sees of the sharing while it works on a point.
class TPointSharing {
public:
    // Whether the caller asked to stop or another thread failed: a worker that sees it leaves
    // its point unfinished.
    bool Stopped() const { return stop_.stop_requested() || failed_.stop_requested(); }
    // Counts a point finished and calls `tell` with how many are, under the sharing's lock:
    // no two calls overlap.
    void Finished(const std::function<void(int finished)>& tell);

private:
    friend bool SharePoints(int, int, std::stop_token, const TMakePointWorker&);
    explicit TPointSharing(std::stop_token stop) : stop_(std::move(stop)) {}
    // One thread's share: its worker made, then points until none is left or it stops.
    void Work(int count, const TMakePointWorker& makeWorker);

    std::stop_token stop_;
    std::stop_source failed_;
    std::atomic<int> next_{0};
    std::mutex lock_;
    int finished_ = 0;
    std::exception_ptr error_;
};

} // namespace analysis
