// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/frames/frame_pipeline.h"
#include "analysis/coding/sample_coder.h"
#include "support/analyzer_fixture.h"

#include <array>
#include <cmath>
#include <numbers>

#include <gtest/gtest.h>

namespace {

using namespace analysis;
using analysis::StartAnalyzer;
using testing_support::Highest;
using testing_support::NonZeroCount;
using testing_support::Ordinates;
using testing_support::RunFrame;

using Samples = std::array<double, FrameLength>;

Samples SynthesiseAndCapture(std::int32_t frequencyHz, CodingMode mode) {
    Samples samples{};
    SynthesiseFrame(frequencyHz, mode, samples);
    return samples;
}

// 32767 sin(2 pi f n / 16000) with the angle reduced exactly first.
double ExactToneSample(std::int64_t frequencyHz, std::int64_t n) {
    const std::int64_t phase = (frequencyHz * n) % SampleRate;
    return static_cast<double>(
        32767.0L * std::sin(2.0L * std::numbers::pi_v<long double> * phase / SampleRate));
}

TEST(FrameSynthesis, FirstFrameAfterLoadIsTheToneFromTimeZero) {
    StartAnalyzer(WindowKind::wkRectangular, 0);
    const Samples samples = SynthesiseAndCapture(1000, CodingMode::cmPCM);
    EXPECT_EQ(samples[0], 0.0);
    EXPECT_NEAR(samples[1], 12539.388, 1e-3);
    EXPECT_NEAR(samples[2], 23169.767, 1e-3);
    EXPECT_NEAR(samples[3], 30272.760, 1e-3);
    EXPECT_NEAR(samples[4], 32767.0, 1e-9);
    EXPECT_NEAR(samples[5], 30272.760, 1e-3);
    for (int k = 0; k < FrameLength; ++k) {
        EXPECT_NEAR(samples[k], ExactToneSample(1000, k), 1e-8) << k;
    }
    EXPECT_EQ(AnalyzerState.SampleCounter, 1024);
}

TEST(FrameSynthesis, ConsecutiveFramesContinueTheSameTone) {
    StartAnalyzer(WindowKind::wkRectangular, 0);
    SynthesiseAndCapture(997, CodingMode::cmPCM);
    const Samples second = SynthesiseAndCapture(997, CodingMode::cmPCM);
    for (int k = 0; k < FrameLength; ++k) {
        EXPECT_NEAR(second[k], ExactToneSample(997, 1024 + k), 1e-8) << k;
    }
}

TEST(FrameSynthesis, ClockWrapsAfterTheSampleAtOneSecond) {
    StartAnalyzer(WindowKind::wkRectangular, 0);
    AnalyzerState.SampleCounter = 15990;
    const Samples samples = SynthesiseAndCapture(1000, CodingMode::cmPCM);
    // Sample 10 uses t = 1.0 (a whole number of periods), sample 11 uses t = 1/16000.
    EXPECT_NEAR(samples[10], 0.0, 1e-8);
    EXPECT_NEAR(samples[11], 12539.388, 1e-3);
    EXPECT_EQ(AnalyzerState.SampleCounter, 1024 - 11 + 1);

    // From load, the clock passes 0..16000 once and then 1..16000 for ever.
    StartAnalyzer(WindowKind::wkRectangular, 0);
    for (int frame = 0; frame < 16; ++frame) {
        SynthesiseAndCapture(1000, CodingMode::cmPCM);
    }
    EXPECT_EQ(AnalyzerState.SampleCounter, 16 * 1024 - 16001 + 1);
    for (int frame = 0; frame < 200; ++frame) {
        SynthesiseAndCapture(1000, CodingMode::cmPCM);
        EXPECT_GE(AnalyzerState.SampleCounter, 1);
        EXPECT_LE(AnalyzerState.SampleCounter, 16000);
    }
}

TEST(FrameSynthesis, WindowWeightsEverySampleIntoTheSpectrumBuffer) {
    StartAnalyzer(WindowKind::wkHann, 0);
    const Samples samples = SynthesiseAndCapture(1234, CodingMode::cmPCM);
    for (int k = 0; k < FrameLength; ++k) {
        EXPECT_EQ(SpectrumBuffer[k].re,
                  static_cast<double>(static_cast<long double>(samples[k]) * WindowTable[k]));
        EXPECT_EQ(SpectrumBuffer[k].im, 0.0);
        EXPECT_FALSE(std::signbit(SpectrumBuffer[k].im));
    }
}

TEST(FrameOrdinates, ToneOnABinWithTheRectangularWindowIsASingleSpike) {
    StartAnalyzer(WindowKind::wkRectangular, 0);
    for (int frame = 0; frame < 20; ++frame) {
        const Ordinates ordinates = RunFrame(1000, CodingMode::cmPCM);
        for (int k = 0; k < PlottedBins; ++k) {
            EXPECT_EQ(ordinates[k], k == 64 ? 237 : 0) << "frame " << frame << " bin " << k;
        }
    }
}

TEST(FrameOrdinates, PeakFollowsTheLevel) {
    struct Case {
        int levelDb;
        WindowKind window;
        std::int32_t peak;
    };
    const Case cases[] = {
        {0, WindowKind::wkKaiser, 237},
        {-20, WindowKind::wkRectangular, 208},
        {-160, WindowKind::wkRectangular, 3},
        {-160, WindowKind::wkKaiser, 3},
    };
    for (const Case& c : cases) {
        StartAnalyzer(c.window, c.levelDb);
        EXPECT_EQ(Highest(RunFrame(1000, CodingMode::cmPCM)), c.peak) << c.levelDb;
    }
}

TEST(FrameOrdinates, SilentToneGivesAllZeroOrdinates) {
    StartAnalyzer(WindowKind::wkKaiser, 0);
    for (const CodingMode mode :
         {CodingMode::cmPCM, CodingMode::cmOrvexSqrt, CodingMode::cmIter1}) {
        const Ordinates ordinates = RunFrame(0, mode);
        EXPECT_EQ(NonZeroCount(ordinates), 0);
        EXPECT_EQ(AnalyzerState.PeakInput, 0.0);
        EXPECT_EQ(AnalyzerState.PeakMagnitude, 0.0);
    }
}

TEST(FrameOrdinates, SlowTonesShowTheirPeakInEveryFrame) {
    // Below 8 Hz a frame can lie wholly in the negative half-period; the peak is the largest
    // absolute sample, so the tone still shows at full height.
    for (const int frequency : {1, 2, 5, 7}) {
        StartAnalyzer(WindowKind::wkKaiser, 0);
        for (int frame = 0; frame < 40; ++frame) {
            const Ordinates ordinates = RunFrame(frequency, CodingMode::cmPCM);
            EXPECT_GE(Highest(ordinates), 200) << frequency << " Hz, frame " << frame;
            EXPECT_GT(AnalyzerState.PeakInput, 0.0);
        }
    }
    StartAnalyzer(WindowKind::wkKaiser, 0);
    for (int frame = 0; frame < 40; ++frame) {
        // Every 64 ms frame spans 115 degrees of the 5 Hz period, so its largest absolute
        // sample is at least sin(57.5 degrees) of full scale: at most 1.5 dB down.
        EXPECT_GE(Highest(RunFrame(5, CodingMode::cmPCM)), 234) << "frame " << frame;
    }
}

TEST(FrameOrdinates, BinValueIsTheValueEachOrdinateIsDrawnFrom) {
    struct Case {
        WindowKind window;
        int levelDb;
        std::int32_t frequencyHz;
        CodingMode mode;
    };
    const Case cases[] = {
        {WindowKind::wkKaiser, 0, 1000, CodingMode::cmPCM},
        {WindowKind::wkHann, -37, 2345, CodingMode::cmIter1},
        {WindowKind::wkRectangular, -160, 777, CodingMode::cmOrvexSqrt},
        {WindowKind::wkBlackman, -80, 5, CodingMode::cmPCM},
        {WindowKind::wkKaiser, 0, 0, CodingMode::cmPCM}, // silent: every v is 0
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.frequencyHz);
        StartAnalyzer(c.window, c.levelDb);
        const Ordinates ordinates = RunFrame(c.frequencyHz, c.mode);
        int peakBin = 0;
        for (int k = 0; k < PlottedBins; ++k) {
            const double v = BinValue(k);
            // 1.46 pixels per decibel of 20 log10 v, the level rounded to double.
            const std::int32_t drawn =
                v >= 1.0 ? static_cast<std::int32_t>(
                               1.46L *
                               static_cast<double>(20.0L * std::log10(static_cast<long double>(v))))
                         : 0;
            EXPECT_EQ(ordinates[k], drawn) << "bin " << k << " v " << v;
            if (MagnitudeBuffer[k] > MagnitudeBuffer[peakBin]) {
                peakBin = k;
            }
        }
        EXPECT_DOUBLE_EQ(BinValue(peakBin), AnalyzerState.PeakInput * NormalisationTarget);
    }
}

TEST(FrameCoding, PeakUsesTheLargestCodedSample) {
    StartAnalyzer(WindowKind::wkRectangular, 0);
    const Samples samples = SynthesiseAndCapture(1000, CodingMode::cmIter1);
    // Sample 4 is the full-scale crest, which the one-step root codes to 32711.
    EXPECT_EQ(samples[4], CodeSample(32767.0, CodingMode::cmIter1));
    EXPECT_EQ(AnalyzerState.PeakInput, CodeSample(32767.0, CodingMode::cmIter1));
}

TEST(FrameCoding, PcmLeavesSamplesUntouchedAndCodingAddsDistortion) {
    StartAnalyzer(WindowKind::wkRectangular, 0);
    const Ordinates pcm = RunFrame(1000, CodingMode::cmPCM);
    EXPECT_EQ(NonZeroCount(pcm), 1);
    for (const CodingMode mode :
         {CodingMode::cmOrvexSqrt, CodingMode::cmIter1, CodingMode::cmIter2, CodingMode::cmIter3}) {
        StartAnalyzer(WindowKind::wkRectangular, 0);
        const Ordinates coded = RunFrame(1000, mode);
        EXPECT_EQ(coded[64], 237) << static_cast<int>(mode);
        EXPECT_GT(NonZeroCount(coded), 1) << static_cast<int>(mode);
    }
}

TEST(FrameCoding, EveryCodedSampleIsTheCoderOutputOfTheUncodedOne) {
    for (const CodingMode mode :
         {CodingMode::cmOrvexSqrt, CodingMode::cmIter1, CodingMode::cmIter2, CodingMode::cmIter3}) {
        StartAnalyzer(WindowKind::wkKaiser, -37);
        const Samples plain = SynthesiseAndCapture(2345, CodingMode::cmPCM);
        StartAnalyzer(WindowKind::wkKaiser, -37);
        const Samples coded = SynthesiseAndCapture(2345, mode);
        for (int k = 0; k < FrameLength; ++k) {
            EXPECT_EQ(coded[k], CodeSample(plain[k], mode)) << k;
        }
    }
}

} // namespace
