// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "coder_curves.h"

#include <exception>
#include <functional>
#include <thread>
#include <vector>

namespace analysis {

// How a computation of the runner ended, with its points when it is complete.
struct TCurveResult {
    TCurveRequest Request;
    CurveOutcome Outcome;
    std::vector<TCoderFigures> Points; // CurveBufferSize of the axis when complete, else empty
    std::exception_ptr Error;          // what stopped it, if something was thrown
};

using CurveFinished = std::function<void(TCurveResult result)>;

// Computes coder curves away from the caller's thread: one computation at a time, on a
// worker thread of its own (which shares the points with helpers, as ComputeCoderCurves
// does). Meant for a window that restarts the curves whenever the tone changes.
//
// Start and Stop are called from one thread, the owner's. The callbacks run on the worker
// or its helpers, never two at once; they must not wait for the owner's thread, which may
// be waiting in Start or Stop for the worker to end; they must not call Start or Stop; and
// `finished` must not throw.
class CoderCurveRunner {
public:
    // `threads` (1 or more) share each computation.
    explicit CoderCurveRunner(int threads);
    ~CoderCurveRunner(); // stops a computation under way and waits for it

    CoderCurveRunner(const CoderCurveRunner&) = delete;
    CoderCurveRunner& operator=(const CoderCurveRunner&) = delete;

    // Stops the computation under way, if any, and starts one for `request`. `pointReady`
    // (may be empty) reports each point as ComputeCoderCurves' progress does; `finished` is
    // called once, last, however the computation ends.
    void Start(const TCurveRequest& request, CurveProgress pointReady, CurveFinished finished);

    // Stops the computation under way, if any, and waits until it has ended: no callback of
    // it comes after this returns.
    void Stop();

private:
    int threads_;
    std::jthread worker_;
};

} // namespace analysis
