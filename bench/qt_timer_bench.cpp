// SPDX-License-Identifier: GPL-3.0-or-later
// The frame clock on Qt's event loop: the intervals between the ticks of a TQtTimer at the
// window's 64 ms, measured over many ticks. Each iteration waits for one tick and counts the
// time since the previous one, so the reported time is the mean interval; the counters give
// the mean, the spread (standard deviation) and the extremes in milliseconds, and the ticks
// that came more than half a period late (a dropped tick shows as one such interval).

#include "app/main_window/spectrum_form.h"
#include "platform/qt/qt_platform.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <numeric>
#include <vector>

#include <QApplication>
#include <QEventLoop>
#include <benchmark/benchmark.h>

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

// 200 ticks, about 13 s: enough for a stable mean and spread on a busy machine.
constexpr int Ticks = 200;
constexpr double LateFraction = 0.5;

void BM_QtFrameTimerInterval(benchmark::State& state) {
    platform::qt::TQtPlatform platform;
    const std::unique_ptr<platform::ITimer> timer = platform.CreateTimer();
    const Milliseconds period{app::FrameIntervalMs};
    timer->SetInterval(std::chrono::milliseconds(app::FrameIntervalMs));

    QEventLoop loop;
    Clock::time_point tick;
    timer->SetOnTimer([&] {
        tick = Clock::now();
        loop.quit();
    });
    timer->Enable();
    loop.exec(); // the first tick: its interval includes the start-up of the loop
    Clock::time_point previous = tick;

    std::vector<double> intervals;
    intervals.reserve(static_cast<std::size_t>(state.max_iterations));
    for (auto _ : state) {
        loop.exec();
        const Milliseconds interval = tick - previous;
        previous = tick;
        intervals.push_back(interval.count());
        state.SetIterationTime(interval.count() / 1000.0);
    }
    timer->Disable();

    const double count = static_cast<double>(intervals.size());
    const double mean = std::accumulate(intervals.begin(), intervals.end(), 0.0) / count;
    double squares = 0.0;
    for (const double interval : intervals) {
        squares += (interval - mean) * (interval - mean);
    }
    const auto [shortest, longest] = std::minmax_element(intervals.begin(), intervals.end());
    state.counters["mean_ms"] = mean;
    state.counters["spread_ms"] = std::sqrt(squares / count);
    state.counters["min_ms"] = *shortest;
    state.counters["max_ms"] = *longest;
    state.counters["late_ticks"] = static_cast<double>(
        std::count_if(intervals.begin(), intervals.end(), [&](double interval) {
            return interval > period.count() * (1.0 + LateFraction);
        }));
}
BENCHMARK(BM_QtFrameTimerInterval)
    ->Iterations(Ticks)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    // The clock needs no display; the offscreen platform keeps the figures free of one.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    platform::qt::DisableDisplayScaling();
    QApplication application(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
