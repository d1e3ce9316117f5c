// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/frames/analyzer_state.h"
#include "coder_curves.h"

#include <cstdint>
#include <functional>
#include <span>
#include <stop_token>

namespace analysis {

// How every coder does on real material as it comes quieter: its SNR and segmental SNR (as
// TMaterialMeter measures them) with the material scaled by each gain from 0 dB down to
// MaterialCurveLowestGainDb, MaterialCurveStepDb apart.
inline constexpr int MaterialCurveStepDb = 1;
inline constexpr int MaterialCurveLowestGainDb = -60;
inline constexpr int MaterialCurvePoints = -MaterialCurveLowestGainDb / MaterialCurveStepDb + 1;
// The most material the curves are measured over, in samples at 16000 Hz (20 s): every point
// codes all of it through every coder, and a long file's first seconds (or its loop region's)
// stand for it.
inline constexpr std::int64_t MaterialCurveLongestSamples = std::int64_t{20} * SampleRate;

// The gain of point `index` (0 to MaterialCurvePoints - 1), in dB: 0, -1, ..., -60.
constexpr int MaterialCurveGainDb(int index) {
    return -index * MaterialCurveStepDb;
}

// One coder at one gain: +inf where it is exact, NaN where nothing can be said (silence, or
// no active segment for the segmental SNR).
struct TMaterialPoint {
    double SnrDb = 0.0;
    double SegmentalSnrDb = 0.0;
};

// Point `index` of coder `kind` stands at index * CoderCount + kind in a buffer of
// MaterialCurvePoints * CoderCount.
inline constexpr std::size_t MaterialCurveBufferSize = MaterialCurvePoints * CoderCount;
constexpr std::size_t MaterialCurveBufferIndex(int index, CoderKind kind) {
    return static_cast<std::size_t>(index) * CoderCount + static_cast<std::size_t>(kind);
}

// Called each time a point is complete, with its index, every coder's point there (in table
// order, valid during the call only) and how many points are complete. Calls never overlap
// but may come from any of the threads.
using MaterialCurveProgress =
    std::function<void(int index, std::span<const TMaterialPoint> coders, int pointsDone)>;

// Measures every coder of the coder table on `material` (unit samples at 16000 Hz, full scale
// 1, scaled as a source's are: SourceSample) at every gain into `points`
// (MaterialCurveBufferSize). `threads` (1 or more, the caller's among them) take points one at
// a time and check `stop` between blocks of samples. An exception thrown by the work or by
// `progress` stops every thread and is rethrown here.
CurveOutcome ComputeMaterialCurves(std::span<const float> material, std::span<TMaterialPoint> points,
                                   std::stop_token stop, const MaterialCurveProgress& progress,
                                   int threads);

} // namespace analysis
