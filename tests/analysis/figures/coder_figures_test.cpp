// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/frames/analyzer.h"
#include "analysis/frames/analyzer_state.h"
#include "analysis/figures/coder_figures.h"
#include "analysis/frames/frame_pipeline.h"

#include <array>
#include <cmath>
#include <span>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace analysis;

constexpr std::array CodedModes = {CodingMode::cmOrvexSqrt, CodingMode::cmIter1,
                                   CodingMode::cmIter2, CodingMode::cmIter3};

TEST(CoderFigures, UncodedSamplesAreExact) {
    struct Tone {
        std::int32_t frequencyHz;
        int levelDb;
    };
    for (const Tone tone : {Tone{1000, 0}, Tone{2345, -37}, Tone{7999, -160}}) {
        const TCoderFigures figures =
            MeasureCoderFigures(tone.frequencyHz, tone.levelDb, CodingMode::cmPCM);
        EXPECT_TRUE(figures.Exact) << tone.frequencyHz;
        EXPECT_FALSE(figures.Silent) << tone.frequencyHz;
        EXPECT_EQ(figures.MaxError, 0.0) << tone.frequencyHz;
    }
}

TEST(CoderFigures, MoreNewtonStepsNeverCodeAFullScaleToneWorse) {
    // At 195 Hz the three-step root happens to truncate slightly better than the exact one.
    for (const std::int32_t frequencyHz : {1000, 195, 2345, 7955}) {
        SCOPED_TRACE(frequencyHz);
        std::array<TCoderFigures, CodingModeCount> figures{};
        for (const CodingMode mode : CodedModes) {
            const TCoderFigures coded = MeasureCoderFigures(frequencyHz, 0, mode);
            EXPECT_FALSE(coded.Silent);
            EXPECT_FALSE(coded.Exact);
            EXPECT_TRUE(std::isfinite(coded.SnrDb));
            EXPECT_GT(coded.SnrDb, 0.0);
            EXPECT_NEAR(coded.EffectiveBits, (coded.SnrDb - 1.76) / 6.02, 1e-12);
            figures[static_cast<std::size_t>(mode)] = coded;
        }
        const auto snr = [&figures](CodingMode mode) {
            return figures[static_cast<std::size_t>(mode)].SnrDb;
        };
        EXPECT_LE(snr(CodingMode::cmIter1), snr(CodingMode::cmIter2));
        EXPECT_LE(snr(CodingMode::cmIter2), snr(CodingMode::cmIter3));
        EXPECT_LE(snr(CodingMode::cmIter2), snr(CodingMode::cmOrvexSqrt));
        EXPECT_NEAR(snr(CodingMode::cmIter3), snr(CodingMode::cmOrvexSqrt), 0.1);

        // Squaring the 16-bit code makes its step 2 near full scale, which bounds the exact
        // root's error; one Newton step leaves the root up to 0.18 % off, which squaring
        // doubles (about 115 steps).
        const auto maxError = [&figures](CodingMode mode) {
            return figures[static_cast<std::size_t>(mode)].MaxError;
        };
        EXPECT_LE(maxError(CodingMode::cmOrvexSqrt), 2.0);
        EXPECT_LE(maxError(CodingMode::cmIter3), 2.0);
        EXPECT_LE(maxError(CodingMode::cmIter1), 120.0);
        EXPECT_GT(maxError(CodingMode::cmIter1), maxError(CodingMode::cmIter2));
    }
}

TEST(CoderFigures, SilentToneIsReportedWithoutDividingByZero) {
    for (const TCodingModeInfo& info : CodingModes) {
        for (const int levelDb : {0, -160}) {
            const TCoderFigures figures = MeasureCoderFigures(0, levelDb, info.Mode);
            EXPECT_TRUE(figures.Silent) << info.ToolName;
            EXPECT_TRUE(figures.Exact) << info.ToolName;
            EXPECT_EQ(figures.MaxError, 0.0) << info.ToolName;
        }
    }
}

TEST(CoderFigures, FiguresAreThoseOfTheSamplesFramesProduceAndLeaveTheStateAlone) {
    constexpr std::int32_t FrequencyHz = 2345;
    constexpr int LevelDb = -37;
    // Frames from load take clock values 0 to 16383; entries 1 to 16000 are one second.
    constexpr int Frames = SampleRate / FrameLength + 1;
    const auto secondOfSamples = [](CodingMode mode) {
        StartAnalyzer(WindowKind::wkRectangular, LevelDb);
        std::vector<double> samples(static_cast<std::size_t>(Frames) * FrameLength);
        for (int frame = 0; frame < Frames; ++frame) {
            SynthesiseFrame(FrequencyHz, mode,
                            std::span<double>(samples).subspan(
                                static_cast<std::size_t>(frame) * FrameLength, FrameLength));
        }
        return samples;
    };
    const std::vector<double> uncoded = secondOfSamples(CodingMode::cmPCM);
    for (const CodingMode mode : CodedModes) {
        SCOPED_TRACE(Describe(mode).ToolName);
        const std::vector<double> coded = secondOfSamples(mode);
        long double signalEnergy = 0.0L;
        long double errorEnergy = 0.0L;
        double maxError = 0.0;
        for (std::size_t clock = 1; clock <= SampleRate; ++clock) {
            const long double error = static_cast<long double>(coded[clock]) - uncoded[clock];
            signalEnergy += static_cast<long double>(uncoded[clock]) * uncoded[clock];
            errorEnergy += error * error;
            maxError = std::fmax(maxError, static_cast<double>(std::fabs(error)));
        }

        const TAnalyzerState before = AnalyzerState;
        const TCoderFigures figures = MeasureCoderFigures(FrequencyHz, LevelDb, mode);
        EXPECT_NEAR(figures.SnrDb,
                    static_cast<double>(10.0L * std::log10(signalEnergy / errorEnergy)), 1e-9);
        EXPECT_EQ(figures.MaxError, maxError);

        EXPECT_EQ(AnalyzerState.SampleCounter, before.SampleCounter);
        EXPECT_EQ(AnalyzerState.Gain, before.Gain);
        EXPECT_EQ(AnalyzerState.PeakInput, before.PeakInput);
    }
}

} // namespace
