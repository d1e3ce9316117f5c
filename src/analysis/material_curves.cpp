// SPDX-License-Identifier: GPL-3.0-or-later
#include "material_curves.h"

#include "level_gain.h"
#include "material_meter.h"
#include "own_arithmetic.h"
#include "sample_source.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cassert>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace analysis {
namespace {

// Samples scaled and fed at a time: between two blocks a stop is noticed.
constexpr std::size_t BlockSamples = 4096;

} // namespace

CurveOutcome ComputeMaterialCurves(std::span<const float> material, std::span<TMaterialPoint> points,
                                   std::stop_token stop, const MaterialCurveProgress& progress,
                                   int threads) {
    assert(points.size() == MaterialCurveBufferSize && threads >= 1);
    std::vector<SampleCodeFunction> codes;
    for (const TCoderInfo& coder : Coders) {
        codes.push_back(coder.Code);
    }
    std::atomic<int> next{0};
    std::stop_source failed;
    std::mutex lock;
    int done = 0;
    std::exception_ptr error;
    const auto stopped = [&] { return stop.stop_requested() || failed.stop_requested(); };
    const auto work = [&] {
        const TOwnArithmetic own;
        try {
            std::array<double, BlockSamples> scaled{};
            std::array<TMaterialPoint, CoderCount> row{};
            for (int index = next++; index < MaterialCurvePoints && !stopped(); index = next++) {
                // As the level slider scales a source.
                const double gain = GainFromAttenuation(-MaterialCurveGainDb(index));
                TMaterialMeter meter(codes);
                for (std::size_t first = 0; first < material.size() && !stopped(); first += BlockSamples) {
                    const std::size_t count = std::min(BlockSamples, material.size() - first);
                    for (std::size_t k = 0; k < count; ++k) {
                        scaled[k] = SourceSample(UnitSample(material[first + k]), gain);
                    }
                    meter.Feed(std::span(scaled).first(count));
                }
                if (stopped()) {
                    return;
                }
                for (std::size_t c = 0; c < codes.size(); ++c) {
                    const TMaterialFigures figures = meter.Figures(c);
                    row[c] = {figures.SnrDb, figures.SegmentalSnrDb};
                }
                std::copy(row.begin(), row.end(),
                          points.begin() + static_cast<std::ptrdiff_t>(MaterialCurveBufferIndex(index, CoderKind::ckPCM)));
                const std::scoped_lock guard(lock);
                ++done;
                if (progress) {
                    progress(index, row, done);
                }
            }
        } catch (...) {
            const std::scoped_lock guard(lock);
            if (!error) {
                error = std::current_exception();
            }
            failed.request_stop();
        }
    };
    {
        std::vector<std::jthread> helpers;
        for (int t = 1; t < threads; ++t) {
            helpers.emplace_back(work);
        }
        work();
    }
    if (error) {
        std::rethrow_exception(error);
    }
    return stop.stop_requested() ? CurveOutcome::coCancelled : CurveOutcome::coComplete;
}

} // namespace analysis
