// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/figures/coder_curve_runner.h"
#include "analysis/figures/coder_curves.h"
#include "analysis/common/numeric_constants.h"
#include "analysis/figures/point_sharing.h"
#include "analysis/figures/telephone_mask.h"

#include <atomic>
#include <bit>
#include <chrono>
#include <cmath>
#include <future>
#include <numeric>
#include <set>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace analysis;

constexpr int TestToneHz = 997;

const TCoderFigures& At(const std::vector<TCoderFigures>& points, int index, CoderKind kind) {
    return points[CurveBufferIndex(index, kind)];
}

TEST(CoderCurves, CodingModesPointsAreTheirCoderFiguresBitForBit) {
    for (const TCurveRequest request : {TCurveRequest{CurveAxis::caLevel, TestToneHz, 0},
                                        TCurveRequest{CurveAxis::caFrequency, TestToneHz, -37}}) {
        const std::vector<TCoderFigures> points = ComputeCoderCurves(request, {}, 2);
        ASSERT_EQ(points.size(), CurveBufferSize(request.Axis));
        for (int index = 0; index < CurvePointCount(request.Axis); index += 1) {
            const TCurveTone tone = CurvePointTone(request, index);
            for (const TCodingModeInfo& mode : CodingModes) {
                const TCoderFigures expected =
                    MeasureCoderFigures(tone.FrequencyHz, tone.LevelDb, mode.Mode);
                const TCoderFigures& got = At(points, index, CoderOf(mode.Mode));
                ASSERT_EQ(std::bit_cast<std::uint64_t>(got.SnrDb),
                          std::bit_cast<std::uint64_t>(expected.SnrDb))
                    << mode.ToolName << " " << tone.FrequencyHz << " Hz " << tone.LevelDb << " dB";
                ASSERT_EQ(got.MaxError, expected.MaxError);
                ASSERT_EQ(got.Silent, expected.Silent);
                ASSERT_EQ(got.Exact, expected.Exact);
            }
        }
        // The uncoded mode is never plotted; the silent tone at 0 Hz has no SNR in any coder.
        EXPECT_FALSE(PlottedSnrDb(At(points, 5, CoderKind::ckPCM)));
        if (request.Axis == CurveAxis::caFrequency) {
            EXPECT_FALSE(PlottedSnrDb(At(points, 0, CoderKind::ckMuLaw)));
            EXPECT_EQ(CurveAbscissa(request.Axis, 160), 8000);
        }
    }
}

TEST(CoderCurves, ReferenceCodersAt997HzShowTheirTheory) {
    const std::vector<TCoderFigures> points =
        ComputeCoderCurves({CurveAxis::caLevel, TestToneHz, 0}, {}, 2);
    const auto snr = [&points](int levelDb, CoderKind kind) {
        return At(points, -levelDb, kind).SnrDb;
    };
    // The G.711 plateau, and linear PCM's 6.02 * 16 + 1.76 dB falling 1 dB per dB.
    for (int levelDb = 0; levelDb >= -30; --levelDb) {
        for (const CoderKind law : {CoderKind::ckMuLaw, CoderKind::ckALaw}) {
            EXPECT_GE(snr(levelDb, law), 35.0) << levelDb;
            EXPECT_LE(snr(levelDb, law), 40.0) << levelDb;
        }
    }
    EXPECT_NEAR(snr(0, CoderKind::ckLinear16), 98.1, 0.5);
    EXPECT_NEAR(UniformQuantiserSnrDb(UniformTheoryBits, 0.0), 98.08, 1e-12);
    for (int levelDb = 0; levelDb >= -60; --levelDb) {
        EXPECT_NEAR(snr(levelDb, CoderKind::ckLinear16),
                    UniformQuantiserSnrDb(UniformTheoryBits, levelDb), 0.5)
            << levelDb;
        // Truncating the root (not rounding it) costs the square-root coder 6 dB against its
        // model, at any level where the tone spans many codes; the model falls 0.5 dB per dB.
        EXPECT_NEAR(snr(levelDb, CoderKind::ckOrvexSqrt),
                    SquareRootCoderModelSnrDb(SquareRootCoderSteps, levelDb) - 6.02, 0.3)
            << levelDb;
    }
    EXPECT_NEAR(SquareRootCoderModelSnrDb(SquareRootCoderSteps, -20.0), 84.03, 0.005);
}

// The telephone mask is read against the error within 300 to 3400 Hz: white noise counts
// with the band's share of 0 to 8 kHz, a tone in the band whole, one outside it hardly.
// Measured so, ideal G.711 at 1020 Hz stays above the mask from 0 to -45 dBm0; a curve
// pushed under it is caught exactly where it crosses, on the straight piece between points.
TEST(CoderCurves, TheTelephoneMaskFindsWhereEachCurveFirstFallsBelow) {
    EXPECT_EQ(TelephoneMaskSnrDb(-35.0), 33.0);
    EXPECT_EQ(TelephoneMaskSnrDb(-42.5), 27.5);
    EXPECT_FALSE(TelephoneMaskSnrDb(-45.5));
    EXPECT_TRUE(TelephoneMaskApplies(1004) && TelephoneMaskApplies(1025) &&
                !TelephoneMaskApplies(1003) && !TelephoneMaskApplies(1026));

    std::vector<double> sine(SecondSamples);
    std::vector<double> coded(SecondSamples);
    std::uint32_t noise = 1;
    const auto band = [&](const auto& error) {
        double errorEnergy = 0.0;
        for (std::size_t n = 0; n < SecondSamples; ++n) {
            sine[n] = 10000.0 * std::sin(0.4 * static_cast<double>(n));
            coded[n] = sine[n] + error(n);
            errorEnergy += (coded[n] - sine[n]) * (coded[n] - sine[n]);
        }
        const double fullSnr = 10.0 * std::log10(5e7 * SecondSamples / errorEnergy);
        return *TelephoneBandSnrDb(std::span<const double, SecondSamples>(sine.data(), SecondSamples),
                                   std::span<const double, SecondSamples>(coded.data(), SecondSamples)) -
               fullSnr;
    };
    EXPECT_NEAR(band([&](std::size_t) { return ((noise = noise * 1664525u + 1013904223u) >> 8) / 65536.0 - 128.0; }),
                10.0 * std::log10(8000.0 / 3100.0), 0.1);
    EXPECT_NEAR(band([](std::size_t n) { return 3.0 * std::sin(static_cast<double>(TwoPi) * 2000.0 * static_cast<double>(n) / 16000.0); }), 0.0, 0.01);
    EXPECT_GT(band([](std::size_t n) { return 3.0 * std::sin(static_cast<double>(TwoPi) * 5000.0 * static_cast<double>(n) / 16000.0); }), 60.0);

    std::vector<TCoderFigures> points = ComputeCoderCurves({CurveAxis::caLevel, 1020, 0}, {}, 2);
    const TPointSpan span = TelephoneMaskPoints();
    for (const CoderKind kind : {CoderKind::ckMuLaw, CoderKind::ckALaw}) {
        for (int index = span.First; index <= span.Last; ++index) {
            const std::optional<double> mask =
                TelephoneMaskSnrDb(DbfsToDbm0(CurveAbscissa(CurveAxis::caLevel, index)));
            EXPECT_TRUE(!mask || *At(points, index, kind).TelephoneBandSnrDb > *mask) << int(kind) << " " << index;
        }
        EXPECT_EQ(CheckTelephoneMask(points, kind).Outcome, MaskOutcome::moMeets) << int(kind);
    }
    EXPECT_FALSE(At(points, span.First, CoderKind::ckPCM).TelephoneBandSnrDb); // exact
    EXPECT_FALSE(At(points, span.First - 1, CoderKind::ckMuLaw).TelephoneBandSnrDb); // not read
    // 16-bit PCM's point at -43 dB (-39.97 dBm0) pushed to 20 dB: the curve crosses the mask on
    // the straight piece from -38.97 dBm0, where it was `above` over it, to there.
    const double above = *At(points, 42, CoderKind::ckLinear16).TelephoneBandSnrDb - *TelephoneMaskSnrDb(-38.97);
    const double below = 20.0 - *TelephoneMaskSnrDb(-39.97);
    points[CurveBufferIndex(43, CoderKind::ckLinear16)].TelephoneBandSnrDb = 20.0;
    const TMaskVerdict verdict = CheckTelephoneMask(points, CoderKind::ckLinear16);
    EXPECT_EQ(verdict.Outcome, MaskOutcome::moFallsBelow);
    EXPECT_NEAR(verdict.FirstBelowDbm0, -38.97 - above / (above - below), 1e-9);
}

TEST(CoderCurves, StopsWhenAskedAndPassesFailuresOn) {
    const TCurveRequest request{CurveAxis::caLevel, 1733, 0};
    std::vector<TCoderFigures> points(CurveBufferSize(request.Axis));
    std::stop_source stop;
    std::set<int> reported;
    int lastDone = 0;
    const CurveProgress stopAtFive = [&](int index, std::span<const TCoderFigures> figures,
                                         int done) {
        EXPECT_EQ(figures.size(), static_cast<std::size_t>(CoderCount));
        EXPECT_TRUE(reported.insert(index).second) << index;
        EXPECT_EQ(done, ++lastDone);
        if (done == 5) {
            stop.request_stop();
        }
    };
    EXPECT_EQ(ComputeCoderCurves(request, points, stop.get_token(), stopAtFive, 2),
              CurveOutcome::coCancelled);
    // The other thread may finish the point it holds, no more.
    EXPECT_GE(lastDone, 5);
    EXPECT_LE(lastDone, 6);

    const CurveProgress failing = [](int, std::span<const TCoderFigures>, int done) {
        if (done == 3) {
            throw std::runtime_error("no room");
        }
    };
    EXPECT_THROW(ComputeCoderCurves(request, points, {}, failing, 2), std::runtime_error);
}

// Workers that finish points at the same moment each count one of their own: the counts
// told run 1, 2, 3 ... to the last point, none lost or told twice (and ThreadSanitizer sees
// no race on the count or on what is told).
TEST(PointSharing, WorkersFinishingTogetherCountEveryPointOnce) {
    constexpr int Points = 200000;
    constexpr int Threads = 4;
    std::atomic<int> ready{0};
    std::vector<int> told; // only under the sharing's lock
    const bool complete = SharePoints(Points, Threads, {}, [&] {
        // Every worker is made before any takes a point, so they all finish points together.
        ++ready;
        while (ready < Threads) {
            std::this_thread::yield();
        }
        return [&](int, TPointSharing& sharing) {
            sharing.Finished([&](int finished) { told.push_back(finished); });
        };
    });
    EXPECT_TRUE(complete);
    std::vector<int> counted(Points);
    std::iota(counted.begin(), counted.end(), 1);
    EXPECT_TRUE(told == counted);
}

TEST(CoderCurveRunner, ARestartEndsTheFirstComputationAndCompletesTheSecond) {
    CoderCurveRunner runner(2);
    std::promise<TCurveResult> first;
    std::promise<TCurveResult> second;
    runner.Start({CurveAxis::caFrequency, 0, -20}, {},
                 [&first](TCurveResult result) { first.set_value(std::move(result)); });
    const TCurveRequest request{CurveAxis::caLevel, 1000, 0};
    runner.Start(request, {},
                 [&second](TCurveResult result) { second.set_value(std::move(result)); });
    // The first has ended, one way or the other, before Start returned.
    EXPECT_EQ(first.get_future().wait_for(std::chrono::seconds(0)), std::future_status::ready);
    TCurveResult result = second.get_future().get();
    EXPECT_EQ(result.Outcome, CurveOutcome::coComplete);
    EXPECT_FALSE(result.Error);
    EXPECT_EQ(result.Request.FrequencyHz, 1000);
    const std::vector<TCoderFigures> direct = ComputeCoderCurves(request, {}, 1);
    ASSERT_EQ(result.Points.size(), direct.size());
    for (std::size_t point = 0; point < direct.size(); ++point) {
        EXPECT_EQ(result.Points[point].SnrDb, direct[point].SnrDb) << point;
    }

    // Stopped once its first point is out, a run hands over no points, not the part it had.
    std::promise<void> started;
    bool firstPoint = true; // the callbacks never run two at once
    std::promise<TCurveResult> stopped;
    runner.Start(
        {CurveAxis::caFrequency, 0, -20},
        [&](int, std::span<const TCoderFigures>, int) {
            if (std::exchange(firstPoint, false)) {
                started.set_value();
            }
        },
        [&stopped](TCurveResult result) { stopped.set_value(std::move(result)); });
    started.get_future().wait();
    runner.Stop();
    const TCurveResult cancelled = stopped.get_future().get();
    EXPECT_EQ(cancelled.Outcome, CurveOutcome::coCancelled);
    EXPECT_TRUE(cancelled.Points.empty());
}

} // namespace
