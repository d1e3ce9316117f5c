// SPDX-License-Identifier: GPL-3.0-or-later
#include "coder_curves.h"

#include "analysis/common/own_arithmetic.h"
#include "point_sharing.h"
#include "telephone_mask.h"
#include "analysis/frames/tone_range.h"

#include <array>
#include <cassert>
#include <cmath>
#include <vector>

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

// The work on one point for one thread, with buffers of its own: every coder's figures over
// the point's second, into `points` and told to `progress`.
TPointWorker MakeCurveWorker(const TCurveRequest& request, std::span<TCoderFigures> points,
                             const CurveProgress& progress, std::span<const long double> levelSines) {
    // On the level axis every point has the same sines, computed once beforehand.
    std::vector<long double> ownSines(levelSines.empty() ? SecondSamples : 0);
    // The points the telephone mask reads, on a level curve at one of its tones.
    const TPointSpan maskPoints =
        request.Axis == CurveAxis::caLevel && TelephoneMaskApplies(request.FrequencyHz)
            ? TelephoneMaskPoints()
            : TPointSpan{1, 0};
    return [&request, points, &progress, levelSines, maskPoints, ownSines = std::move(ownSines),
            samples = std::vector<double>(SecondSamples), coded = std::vector<double>(SecondSamples),
            row = std::array<TCoderFigures, CoderCount>{}](int index, TPointSharing& sharing) mutable {
        const TCurveTone tone = CurvePointTone(request, index);
        std::span<const long double> sines = levelSines;
        if (sines.empty()) {
            FillSecondSines(tone.FrequencyHz,
                            std::span<long double, SecondSamples>(ownSines.data(), SecondSamples));
            sines = ownSines;
        }
        FillSecondSamples(SecondSines(sines.data(), SecondSamples), tone.LevelDb,
                          std::span<double, SecondSamples>(samples.data(), SecondSamples));
        for (const TCoderInfo& coder : Coders) {
            if (sharing.Stopped()) {
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
                  points.begin() + static_cast<std::ptrdiff_t>(CurveBufferIndex(index, CoderKind::ckPCM)));
        sharing.Finished([&](int finished) {
            if (progress) {
                progress(index, row, finished);
            }
        });
    };
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
    const bool complete = SharePoints(CurvePointCount(request.Axis), threads, std::move(stop), [&] {
        return MakeCurveWorker(request, points, progress, levelSines);
    });
    return complete ? CurveOutcome::coComplete : CurveOutcome::coCancelled;
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
