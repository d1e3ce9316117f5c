// SPDX-License-Identifier: GPL-3.0-or-later
// Live input's latency: from a click played into the sound server until the window shows a
// frame with it. Runs beside a sound server of its own (bench/live_figures.sh): pacat plays
// silence into its one output, paced in real time, with a click every CLICK_INTERVAL; the
// output's monitor is recorded as the window records live input, the frames run as the
// window's frame timer runs them, and a frame's picture is shown when the next frame hands
// it to the display. So the figure holds pacat's own queue (about 10 ms), the server's
// hand-over, the wait for the frame timer and the one frame of hand-over.
//
//   live_latency [CLICKS]   (default 50): prints the median, best and worst in milliseconds.

#include "analysis/frames/analyzer.h"
#include "analysis/frames/analyzer_state.h"
#include "analysis/coding/coding_mode.h"
#include "analysis/frames/tone_range.h"
#include "analysis/windows/window_kind.h"
#include "controls/surface_view.h"
#include "display/spectrum_plot.h"
#include "display/window_layout.h"
#include "platform/scripted/scripted_platform.h"
#include "raster/raster_surface.h"
#include "sound/pulse_input.h"
#include "sound/recent_samples.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// The window's frame interval.
constexpr auto FrameInterval = 64ms;
// A click's spacing: far longer than a frame, and not a multiple of the frame interval, so
// that the clicks fall on every phase of the frame timer.
constexpr auto ClickInterval = 397ms;
// The writer's block: 10 ms at 16000 Hz.
constexpr std::size_t BlockSamples = 160;
constexpr auto BlockTime = 10ms;
constexpr float ClickValue = 0.9f;
constexpr auto SinkCatchUp = 2500ms;
// A frame holds the click when its largest sample is above half of it (analyzer's scale).
constexpr double SeenAbove = 0.5 * ClickValue * 32767.0;

double Milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

} // namespace

int main(int argc, char** argv) {
    const int clicks = argc > 1 ? std::atoi(argv[1]) : 50;
    if (clicks < 1) {
        std::fprintf(stderr, "usage: live_latency [CLICKS]\n");
        return 2;
    }
    std::FILE* const player = popen("pacat --playback --raw --device=orvex --format=float32le "
                                    "--rate=16000 --channels=1 --latency-msec=10",
                                    "w");
    if (player == nullptr) {
        std::fprintf(stderr, "live_latency: cannot start pacat\n");
        return 1;
    }

    sound::TRecentSamples recent;
    std::promise<std::string> started;
    sound::TPulseInput input(
        {"orvex-bench", analysis::SampleRate, sound::LiveFragmentSamples}, "orvex.monitor",
        [&recent](std::span<const float> samples) { recent.Add(samples); },
        [&started](const std::string& problem) { started.set_value(problem); },
        [](const std::string& why) { std::fprintf(stderr, "live_latency: %s\n", why.c_str()); });
    if (const std::string problem = started.get_future().get(); !problem.empty()) {
        std::fprintf(stderr, "live_latency: %s\n", problem.c_str());
        return 1;
    }

    // The writer: silence in real time, a click now and then, each click's time kept.
    std::atomic<bool> stop{false};
    std::vector<Clock::time_point> clickTimes;
    std::mutex clickMutex;
    std::thread writer([&] {
        std::array<float, BlockSamples> block{};
        // An idle null sink renders up to two seconds ahead of its clock; what is played
        // before it has caught up would stay queued that long.
        std::this_thread::sleep_for(SinkCatchUp);
        auto next = Clock::now();
        auto nextClick = next + 1s;
        while (!stop.load()) {
            block.fill(0.0f);
            const bool click = next >= nextClick;
            if (click) {
                block[0] = ClickValue;
                nextClick += ClickInterval;
            }
            std::this_thread::sleep_until(next);
            if (click) {
                const std::lock_guard lock(clickMutex);
                clickTimes.push_back(Clock::now());
            }
            std::fwrite(block.data(), sizeof(float), block.size(), player);
            std::fflush(player);
            next += BlockTime;
        }
    });

    analysis::StartAnalyzer(analysis::StartWindowKind, analysis::StartLevelDb);
    platform::scripted::TScriptedPlatform platform;
    controls::TSurfaceView view(platform, display::layout::SpectrumDisplay.Width,
                                display::layout::SpectrumDisplay.Height);
    raster::TRasterSurface surface(display::layout::SpectrumDisplay.Width,
                                   display::layout::SpectrumDisplay.Height);
    std::vector<double> latencies;
    std::size_t seen = 0;         // clicks whose frame was found
    bool pending = false;         // the last frame drawn holds a new click
    bool held = false;            // the last frame drawn holds a click
    auto tick = Clock::now();
    const auto limit = tick + SinkCatchUp + ClickInterval * (clicks + 10);
    while (latencies.size() < static_cast<std::size_t>(clicks) && Clock::now() < limit) {
        tick += FrameInterval;
        std::this_thread::sleep_until(tick);
        // This frame hands the last picture to the display: a click in it is shown now.
        display::RunPlotFrame(surface, view, recent, display::NoToneHz, analysis::StartCodingMode);
        const auto shown = Clock::now();
        if (pending) {
            const std::lock_guard lock(clickMutex);
            if (seen < clickTimes.size()) {
                latencies.push_back(Milliseconds(shown - clickTimes[seen]));
            }
            ++seen;
            pending = false;
        }
        // A click stays in the latest 1024 samples for a frame or two: counted once.
        const bool holds = analysis::AnalyzerState.PeakInput > SeenAbove;
        pending = holds && !held;
        held = holds;
    }
    stop.store(true);
    writer.join();
    pclose(player);
    if (latencies.size() < static_cast<std::size_t>(clicks)) {
        std::fprintf(stderr, "live_latency: only %zu of %d clicks were seen\n", latencies.size(), clicks);
        return 1;
    }
    std::sort(latencies.begin(), latencies.end());
    std::printf("live input, click played to frame shown, %d clicks: median %.1f ms, best %.1f ms, "
                "worst %.1f ms\n",
                clicks, latencies[latencies.size() / 2], latencies.front(), latencies.back());
    return 0;
}
