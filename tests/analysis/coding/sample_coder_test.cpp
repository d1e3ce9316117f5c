// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/coding/sample_coder.h"

#include <bit>
#include <cmath>
#include <cstdint>

#include <gtest/gtest.h>

namespace {

using analysis::CodeSample;
using analysis::CodingMode;
using analysis::FastSqrt;

constexpr CodingMode CodedModes[] = {CodingMode::cmOrvexSqrt, CodingMode::cmIter1,
                                     CodingMode::cmIter2, CodingMode::cmIter3};

std::uint32_t Bits(float value) {
    return std::bit_cast<std::uint32_t>(value);
}

// What code q expands to, up to the coder's final rounding: q |q| / 32767 sample units.
double Expanded(int q) {
    return static_cast<double>(static_cast<long double>(q) * std::abs(q) / 32767.0L);
}

// The sample whose scaled value a / 32767 is x.
double SampleFor(double x) {
    return x * 32767.0;
}

TEST(FastSqrt, NewtonStepsRefineTheEstimateToKnownBitPatterns) {
    EXPECT_EQ(Bits(FastSqrt(1, 1.0f)), 0x3F7F910Fu); // 0.99830717
    EXPECT_EQ(Bits(FastSqrt(2, 1.0f)), 0x3F7FFFB8u); // 0.99999571
    EXPECT_EQ(FastSqrt(3, 1.0f), 1.0f);
    EXPECT_EQ(Bits(FastSqrt(1, 0.25f)), 0x3EFF910Fu); // 0.49915358
    EXPECT_EQ(FastSqrt(3, 0.25f), 0.5f);
    EXPECT_EQ(Bits(FastSqrt(3, 0.5f)), 0x3F3504F3u); // the single nearest to sqrt(0.5)
}

TEST(FastSqrt, StepCountsOutsideOneToThreeAreClamped) {
    for (const float x : {1.0f, 0.25f, 0.3f, 1e-9f}) {
        EXPECT_EQ(Bits(FastSqrt(0, x)), Bits(FastSqrt(1, x)));
        EXPECT_EQ(Bits(FastSqrt(-7, x)), Bits(FastSqrt(1, x)));
        EXPECT_EQ(Bits(FastSqrt(4, x)), Bits(FastSqrt(3, x)));
        EXPECT_EQ(Bits(FastSqrt(1000, x)), Bits(FastSqrt(3, x)));
    }
}

TEST(FastSqrt, ThreeStepsAreCloseToTheTrueRootOverTheCodedRange) {
    for (float x = 1e-9f; x <= 1.0f; x *= 1.7f) {
        EXPECT_NEAR(FastSqrt(3, x), std::sqrt(x), 2e-7 * std::sqrt(x)) << x;
    }
}

TEST(CodeSample, FullScaleSampleInEachMode) {
    EXPECT_EQ(CodeSample(32767.0, CodingMode::cmOrvexSqrt), 32767.0);
    EXPECT_EQ(CodeSample(32767.0, CodingMode::cmIter3), 32767.0);
    // c = 32711.53..., q = 32711
    EXPECT_NEAR(CodeSample(32767.0, CodingMode::cmIter1), 32655.0957, 5e-5);
    EXPECT_NEAR(CodeSample(32767.0, CodingMode::cmIter1), Expanded(32711), 1e-10);
    // c = 32766.86..., q = 32766
    EXPECT_NEAR(CodeSample(32767.0, CodingMode::cmIter2), 32765.00003, 1e-5);
    EXPECT_NEAR(CodeSample(32767.0, CodingMode::cmIter2), Expanded(32766), 1e-10);
}

TEST(CodeSample, QuarterScaleTruncatesTheCodeTowardZero) {
    const double a = SampleFor(0.25);
    // The exact root gives c = 16383.5, which truncates to 16383, not 16384.
    EXPECT_NEAR(CodeSample(a, CodingMode::cmOrvexSqrt), 8191.2500076, 1e-7);
    EXPECT_NEAR(CodeSample(a, CodingMode::cmOrvexSqrt), Expanded(16383), 1e-10);
    EXPECT_NEAR(CodeSample(a, CodingMode::cmIter1), 8163.2747, 1e-4);
    EXPECT_NEAR(CodeSample(a, CodingMode::cmIter1), Expanded(16355), 1e-10);
    EXPECT_NEAR(CodeSample(a, CodingMode::cmIter2), Expanded(16383), 1e-10);
    EXPECT_NEAR(CodeSample(a, CodingMode::cmIter3), Expanded(16383), 1e-10);
}

TEST(CodeSample, NegativeSamplesTruncateTowardZero) {
    const double a = SampleFor(-0.5);
    EXPECT_NEAR(CodeSample(a, CodingMode::cmOrvexSqrt), -16382.414, 1e-3);
    EXPECT_NEAR(CodeSample(a, CodingMode::cmOrvexSqrt), Expanded(-23169), 1e-10);
    EXPECT_NEAR(CodeSample(a, CodingMode::cmIter1), -16373.930, 1e-3);
    EXPECT_NEAR(CodeSample(a, CodingMode::cmIter1), Expanded(-23163), 1e-10);
}

TEST(CodeSample, SmallSamplesCodeToTheFirstStepsOrToZero) {
    for (const CodingMode mode : CodedModes) {
        // A peak at -160 dB codes to 3: 9 / 32767 against the uncoded 0.00032767.
        EXPECT_NEAR(CodeSample(SampleFor(1e-8), mode), 0.000274666, 1e-9);
        EXPECT_NEAR(CodeSample(SampleFor(1e-8), mode), Expanded(3), 1e-18);
        EXPECT_EQ(CodeSample(SampleFor(9e-10), mode), 0.0);
        EXPECT_EQ(CodeSample(SampleFor(-9e-10), mode), 0.0);
        EXPECT_NEAR(CodeSample(SampleFor(1e-9), mode), 3.0518e-5, 1e-9);
        EXPECT_NEAR(CodeSample(SampleFor(-1e-9), mode), -3.0518e-5, 1e-9);
        EXPECT_EQ(CodeSample(0.0, mode), 0.0);
    }
}

TEST(CodeSample, NegativeSampleGivesTheNegativeOfItsMagnitude) {
    for (const CodingMode mode : CodedModes) {
        for (double a = 1e-6; a <= 32767.0; a *= 1.37) {
            EXPECT_EQ(CodeSample(-a, mode), -CodeSample(a, mode)) << a;
        }
    }
}

TEST(CodeSample, ResultIsAlwaysAnExpandedSixteenBitCode) {
    for (const CodingMode mode : CodedModes) {
        for (double a = -32767.0; a <= 32767.0; a += 97.3) {
            const double coded = CodeSample(a, mode);
            const long double root =
                std::sqrt(std::fabs(static_cast<long double>(coded)) * 32767.0L);
            const long double q = std::round(root);
            EXPECT_LE(q, 32767.0L);
            EXPECT_NEAR(static_cast<double>(std::fabs(coded)), Expanded(static_cast<int>(q)), 1e-9)
                << a;
            // With an accurate root, coding never moves a sample by more than one code step.
            if (mode == CodingMode::cmIter1 || mode == CodingMode::cmIter2) {
                continue;
            }
            EXPECT_LE(std::fabs(coded - a),
                      (2.0 * static_cast<double>(q) + 1.0) / 32767.0 * 1.001 + 1e-9)
                << a;
        }
    }
}

} // namespace
