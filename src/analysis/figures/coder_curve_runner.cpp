// SPDX-License-Identifier: GPL-3.0-or-later
#include "coder_curve_runner.h"

#include <cassert>
#include <utility>

namespace analysis {

CoderCurveRunner::CoderCurveRunner(int threads) : threads_(threads) {
    assert(threads >= 1);
}

CoderCurveRunner::~CoderCurveRunner() {
    Stop();
}

void CoderCurveRunner::Start(const TCurveRequest& request, CurveProgress pointReady,
                             CurveFinished finished) {
    Stop();
    worker_ = std::jthread([request, threads = threads_, pointReady = std::move(pointReady),
                            finished = std::move(finished)](std::stop_token stop) {
        TCurveResult result{request, CurveOutcome::coCancelled, {}, {}};
        try {
            result.Points.resize(CurveBufferSize(request.Axis));
            result.Outcome =
                ComputeCoderCurves(request, result.Points, std::move(stop), pointReady, threads);
        } catch (...) {
            result.Outcome = CurveOutcome::coCancelled;
            result.Error = std::current_exception();
        }
        if (result.Outcome != CurveOutcome::coComplete) {
            result.Points.clear();
        }
        if (finished) {
            finished(std::move(result));
        }
    });
}

void CoderCurveRunner::Stop() {
    if (worker_.joinable()) {
        worker_.request_stop();
        worker_.join();
    }
}

} // namespace analysis
