// SPDX-License-Identifier: GPL-3.0-or-later
#include "coder_curves.h"

#include "own_arithmetic.h"
#include "telephone_mask.h"
#include "tone_range.h"

#include <array>
#include <atomic>
#include <cassert>
#include <cmath>
#include <exception>
#include <mutex>
#include <thread>

namespace analysis {
namespace {

using Extended = long double;

constexpr int LevelCurvePoints = (MaxLevelDb - MinLevelDb) / LevelCurveStepDb + 1;
constexpr int FrequencyCurvePoints = (MaxFrequencyHz - MinFrequencyHz) / FrequencyCurveStepHz + 1;

// The theory lines' constants, in dB.
constexpr double DecibelsPerBit = 6.02;
constexpr double SineQuantiserOffsetDb = 1.76;
constexpr double SquareRootCoderOffsetDb = 3.72;

using SecondSines = std::span<const long double, SecondSamples>;

// What the threads of one computation share. Points are handed out through `Next`; the
// count of finished points, the first exception and the calls of the progress callback are
// serialised by `Lock`.
struct TCurveWork {
    TCurveWork(const TCurveRequest& request, std::span<TCoderFigures> points, std::stop_token stop,
               const CurveProgress& progress, std::span<const long double> levelSines)
        : Request(request), Points(points), Stop(std::move(stop)), Progress(progress),
          LevelSines(levelSines) {}

    const TCurveRequest& Request;
    std::span<TCoderFigures> Points;
    std::stop_token Stop;
    const CurveProgress& Progress;
    // On the level axis every point has the same sines, computed once beforehand.
    std::span<const long double> LevelSines;
    std::atomic<int> Next{0};
    std::stop_source Failed;
    std::mutex Lock;
    int Done = 0;
    std::exception_ptr Error;

    bool Stopped() const { return Stop.stop_requested() || Failed.stop_requested(); }
};

// Takes points until there are none left or a stop is requested.
void WorkOnPoints(TCurveWork& work) {
    const TOwnArithmetic own;
    try {
        const int count = CurvePointCount(work.Request.Axis);
        std::vector<long double> ownSines;
        if (work.LevelSines.empty()) {
            ownSines.resize(SecondSamples);
        }
        std::vector<double> samples(SecondSamples);
        std::vector<double> coded(SecondSamples);
        std::array<TCoderFigures, CoderCount> row{};
        // The points the telephone mask reads, on a level curve at one of its tones.
        const TPointSpan maskPoints = work.Request.Axis == CurveAxis::caLevel &&
                                              TelephoneMaskApplies(work.Request.FrequencyHz)
                                          ? TelephoneMaskPoints()
                                          : TPointSpan{1, 0};
        while (!work.Stopped()) {
            const int index = work.Next.fetch_add(1, std::memory_order_relaxed);
            if (index >= count) {
                return;
            }
            const TCurveTone tone = CurvePointTone(work.Request, index);
            std::span<const long double> sines = work.LevelSines;
            if (sines.empty()) {
                FillSecondSines(tone.FrequencyHz, std::span<long double, SecondSamples>(
                                                      ownSines.data(), SecondSamples));
                sines = ownSines;
            }
            FillSecondSamples(SecondSines(sines.data(), SecondSamples), tone.LevelDb,
                              std::span<double, SecondSamples>(samples.data(), SecondSamples));
            for (const TCoderInfo& coder : Coders) {
                if (work.Stopped()) {
                    return;
                }
                const std::span<const double, SecondSamples> second(samples.data(), SecondSamples);
                const std::span<double, SecondSamples> codedSecond(coded.data(), SecondSamples);
                CodeSecond(second, coder.Code, codedSecond);
                TCoderFigures& figures = row[static_cast<std::size_t>(coder.Kind)];
                figures = MeasureCodedSecond(second, codedSecond);
                if (index >= maskPoints.First && index <= maskPoints.Last && !figures.Exact) {
                    figures.TelephoneBandSnrDb = TelephoneBandSnrDb(second, codedSecond);
                }
            }
            std::copy(row.begin(), row.end(),
                      work.Points.begin() +
                          static_cast<std::ptrdiff_t>(CurveBufferIndex(index, CoderKind::ckPCM)));

            const std::scoped_lock lock(work.Lock);
            ++work.Done;
            if (work.Progress) {
                work.Progress(index, row, work.Done);
            }
        }
    } catch (...) {
        const std::scoped_lock lock(work.Lock);
        if (!work.Error) {
            work.Error = std::current_exception();
        }
        work.Failed.request_stop();
    }
}

} // namespace

int CurvePointCount(CurveAxis axis) {
    return axis == CurveAxis::caLevel ? LevelCurvePoints : FrequencyCurvePoints;
}

int CurveAbscissa(CurveAxis axis, int index) {
    assert(index >= 0 && index < CurvePointCount(axis));
    return axis == CurveAxis::caLevel ? MaxLevelDb - index * LevelCurveStepDb
                                      : MinFrequencyHz + index * FrequencyCurveStepHz;
}

TCurveTone CurvePointTone(const TCurveRequest& request, int index) {
    if (request.Axis == CurveAxis::caLevel) {
        return {request.FrequencyHz, CurveAbscissa(request.Axis, index)};
    }
    return {CurveAbscissa(request.Axis, index), request.LevelDb};
}

std::size_t CurveBufferSize(CurveAxis axis) {
    return static_cast<std::size_t>(CurvePointCount(axis)) * CoderCount;
}

std::size_t CurveBufferIndex(int index, CoderKind kind) {
    assert(index >= 0);
    return static_cast<std::size_t>(index) * CoderCount + static_cast<std::size_t>(kind);
}

std::optional<double> PlottedSnrDb(const TCoderFigures& figures) {
    if (figures.Silent || figures.Exact) {
        return std::nullopt;
    }
    return figures.SnrDb;
}

std::optional<double> PlottedEffectiveBits(const TCoderFigures& figures) {
    if (figures.Silent || figures.Exact) {
        return std::nullopt;
    }
    return figures.EffectiveBits;
}

CurveOutcome ComputeCoderCurves(const TCurveRequest& request, std::span<TCoderFigures> points,
                                std::stop_token stop, const CurveProgress& progress, int threads) {
    const TOwnArithmetic own;
    assert(points.size() == CurveBufferSize(request.Axis));
    assert(threads >= 1);
    assert(request.FrequencyHz >= MinFrequencyHz && request.FrequencyHz <= MaxFrequencyHz);
    assert(request.LevelDb >= MinLevelDb && request.LevelDb <= MaxLevelDb);

    std::vector<long double> levelSines;
    if (request.Axis == CurveAxis::caLevel) {
        levelSines.resize(SecondSamples);
        FillSecondSines(request.FrequencyHz,
                        std::span<long double, SecondSamples>(levelSines.data(), SecondSamples));
    }
    TCurveWork work(request, points, std::move(stop), progress, levelSines);
    {
        std::vector<std::jthread> helpers;
        try {
            for (int helper = 1; helper < threads; ++helper) {
                helpers.emplace_back([&work] { WorkOnPoints(work); });
            }
        } catch (...) {
            // No thread to spare: stop the ones started before passing the failure on.
            work.Failed.request_stop();
            throw;
        }
        WorkOnPoints(work);
    } // the helpers join here, so every point they wrote is visible below
    if (work.Error) {
        std::rethrow_exception(work.Error);
    }
    return work.Done == CurvePointCount(request.Axis) ? CurveOutcome::coComplete
                                                      : CurveOutcome::coCancelled;
}

std::vector<TCoderFigures> ComputeCoderCurves(const TCurveRequest& request, std::stop_token stop,
                                              int threads) {
    std::vector<TCoderFigures> points(CurveBufferSize(request.Axis));
    if (ComputeCoderCurves(request, points, std::move(stop), CurveProgress{}, threads) !=
        CurveOutcome::coComplete) {
        points.clear();
    }
    return points;
}

double UniformQuantiserSnrDb(int bits, double levelDb) {
    const TOwnArithmetic own;
    return DecibelsPerBit * bits + SineQuantiserOffsetDb + levelDb;
}

double SquareRootCoderModelSnrDb(int stepsPerPolarity, double levelDb) {
    const TOwnArithmetic own;
    assert(stepsPerPolarity >= 1);
    // 10 log10(A) with A = 10^(level / 20) is level / 2.
    return SquareRootCoderOffsetDb + 20.0 * std::log10(static_cast<double>(stepsPerPolarity)) +
           levelDb / 2.0;
}

} // namespace analysis
