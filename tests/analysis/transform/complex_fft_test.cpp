// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/transform/complex_fft.h"
#include "analysis/transform/double_fft.h"

#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

namespace {

using analysis::Complex;
using analysis::ComplexFFT;
using analysis::FftDirection;

using Extended = long double;

// Reference transform by the definition, summed in extended precision with twiddles from
// sinl/cosl of the exactly reduced angle.
std::vector<Complex> BruteForceDft(const std::vector<Complex>& input, FftDirection direction) {
    const std::size_t n = input.size();
    const Extended sign = direction == FftDirection::Forward ? -1.0L : 1.0L;
    std::vector<Complex> output(n);
    for (std::size_t k = 0; k < n; ++k) {
        Extended re = 0.0L;
        Extended im = 0.0L;
        for (std::size_t j = 0; j < n; ++j) {
            const Extended angle =
                sign * 2.0L * std::numbers::pi_v<Extended> * static_cast<Extended>((j * k) % n) / n;
            const Extended c = std::cos(angle);
            const Extended s = std::sin(angle);
            re += input[j].re * c - input[j].im * s;
            im += input[j].re * s + input[j].im * c;
        }
        if (direction == FftDirection::Inverse) {
            re /= n;
            im /= n;
        }
        output[k] = {static_cast<double>(re), static_cast<double>(im)};
    }
    return output;
}

std::vector<Complex> RandomSignal(std::size_t n, unsigned seed) {
    std::mt19937_64 generator(seed);
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    std::vector<Complex> signal(n);
    for (Complex& x : signal) {
        x = {value(generator), value(generator)};
    }
    return signal;
}

double MaxAbsDifference(const std::vector<Complex>& a, const std::vector<Complex>& b) {
    double worst = 0.0;
    for (std::size_t k = 0; k < a.size(); ++k) {
        worst = std::max({worst, std::fabs(a[k].re - b[k].re), std::fabs(a[k].im - b[k].im)});
    }
    return worst;
}

TEST(ComplexFftSmallSizes, SinglePointIsUnchangedInBothDirections) {
    std::vector<Complex> data = {{0.1, -7.25}};
    ComplexFFT(data, FftDirection::Forward);
    EXPECT_EQ(data[0].re, 0.1);
    EXPECT_EQ(data[0].im, -7.25);
    ComplexFFT(data, FftDirection::Inverse);
    EXPECT_EQ(data[0].re, 0.1);
    EXPECT_EQ(data[0].im, -7.25);
}

TEST(ComplexFftSmallSizes, TwoPointsGiveSumAndDifference) {
    std::vector<Complex> data = {{3.0, 1.0}, {0.5, -2.0}};
    ComplexFFT(data, FftDirection::Forward);
    EXPECT_EQ(data[0].re, 3.5);
    EXPECT_EQ(data[0].im, -1.0);
    EXPECT_EQ(data[1].re, 2.5);
    EXPECT_EQ(data[1].im, 3.0);

    data = {{3.0, 1.0}, {0.5, -2.0}};
    ComplexFFT(data, FftDirection::Inverse);
    EXPECT_EQ(data[0].re, 1.75);
    EXPECT_EQ(data[0].im, -0.5);
    EXPECT_EQ(data[1].re, 1.25);
    EXPECT_EQ(data[1].im, 1.5);
}

TEST(ComplexFftSmallSizes, RejectsCountsThatAreNotPowersOfTwo) {
    std::vector<Complex> data(12, Complex{1.0, 0.0});
    EXPECT_THROW(ComplexFFT(data, FftDirection::Forward), std::invalid_argument);
    EXPECT_EQ(data[0].re, 1.0); // untouched
    std::vector<Complex> empty;
    EXPECT_THROW(ComplexFFT(empty, FftDirection::Forward), std::invalid_argument);
}

TEST(ComplexFftAgainstDefinition, MatchesBruteForceDftForEverySizeUpTo1024) {
    for (std::size_t n = 1; n <= 1024; n *= 2) {
        for (const FftDirection direction : {FftDirection::Forward, FftDirection::Inverse}) {
            const std::vector<Complex> input = RandomSignal(n, 17 + n);
            std::vector<Complex> data = input;
            ComplexFFT(data, direction);
            const std::vector<Complex> expected = BruteForceDft(input, direction);
            // The recurrences lose a few bits per stage; 1e-12 relative to the sizes involved
            // is far tighter than any indexing or sign fault would pass.
            const double scale = direction == FftDirection::Forward ? std::sqrt(double(n)) : 1.0;
            EXPECT_LT(MaxAbsDifference(data, expected), 1e-12 * scale) << "n = " << n;
        }
    }
}

TEST(ComplexFftAgainstDefinition, DoubleFftMatchesBruteForceDftAtEverySizeItTakes) {
    for (int n = 4; n <= 2048; n *= 2) {
        const std::vector<Complex> input = RandomSignal(static_cast<std::size_t>(n), 23 + n);
        std::vector<Complex> data = input;
        analysis::DoubleFFT(data, analysis::MakeDoubleFftTables(n));
        EXPECT_LT(MaxAbsDifference(data, BruteForceDft(input, FftDirection::Forward)),
                  1e-12 * std::sqrt(double(n))) << "n = " << n;
    }
    EXPECT_THROW(analysis::MakeDoubleFftTables(2), std::invalid_argument);
    EXPECT_THROW(analysis::MakeDoubleFftTables(768), std::invalid_argument);
}

TEST(ComplexFftAgainstDefinition, UnitImpulseGivesOneInEveryBin) {
    std::vector<Complex> data(1024, Complex{0.0, 0.0});
    data[0] = {1.0, 0.0};
    ComplexFFT(data, FftDirection::Forward);
    for (const Complex& bin : data) {
        EXPECT_EQ(bin.re, 1.0);
        EXPECT_EQ(bin.im, 0.0);
    }
}

TEST(ComplexFftAgainstDefinition, PositiveFrequencyToneLandsInItsBinWithTheForwardSign) {
    constexpr int n = 1024;
    for (const int k0 : {1, 64, 300, 1023}) {
        std::vector<Complex> data(n);
        for (int j = 0; j < n; ++j) {
            const Extended angle = 2.0L * std::numbers::pi_v<Extended> * ((j * k0) % n) / n;
            data[j] = {static_cast<double>(std::cos(angle)), static_cast<double>(std::sin(angle))};
        }
        ComplexFFT(data, FftDirection::Forward);
        for (int k = 0; k < n; ++k) {
            const double expectedRe = k == k0 ? n : 0.0;
            EXPECT_NEAR(data[k].re, expectedRe, 1e-9) << "k0 " << k0 << " bin " << k;
            EXPECT_NEAR(data[k].im, 0.0, 1e-9) << "k0 " << k0 << " bin " << k;
        }
    }
}

TEST(ComplexFftProperties, RealInputGivesConjugateSymmetricSpectrum) {
    std::vector<Complex> data = RandomSignal(1024, 5);
    for (Complex& x : data) {
        x.im = 0.0;
    }
    ComplexFFT(data, FftDirection::Forward);
    EXPECT_EQ(data[0].im, 0.0);
    EXPECT_NEAR(data[512].im, 0.0, 1e-12);
    for (int k = 1; k < 512; ++k) {
        // The half-angle recurrence costs a few parts in 1e12 at the finest stage.
        EXPECT_NEAR(data[1024 - k].re, data[k].re, 1e-10) << k;
        EXPECT_NEAR(data[1024 - k].im, -data[k].im, 1e-10) << k;
    }
}

TEST(ComplexFftProperties, ForwardThenInverseRestoresTheInput) {
    const std::vector<Complex> input = RandomSignal(1024, 99);
    std::vector<Complex> data = input;
    ComplexFFT(data, FftDirection::Forward);
    ComplexFFT(data, FftDirection::Inverse);
    EXPECT_LT(MaxAbsDifference(data, input), 1e-11);
}

TEST(ComplexFftProperties, BinZeroOfARealWindowedBlockIsItsSum) {
    std::vector<Complex> data(1024);
    Extended sum = 0.0L;
    for (int j = 0; j < 1024; ++j) {
        const double hann = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * j / 1024.0);
        data[j] = {std::sin(j * 0.37) * hann, 0.0};
        sum += data[j].re;
    }
    ComplexFFT(data, FftDirection::Forward);
    EXPECT_NEAR(data[0].re, static_cast<double>(sum), 1e-12);
    EXPECT_EQ(data[0].im, 0.0);
}

TEST(ComplexFftProperties, ForwardStagesUseTheHalfAngleTwiddles) {
    // A single impulse at element 1 of 8 points gives e^(-i pi k / 4) in bin k, built from
    // the twiddles (0, -1) and (sqrt(1/2), -sqrt(1/2)) of the recurrence.
    std::vector<Complex> data(8, Complex{0.0, 0.0});
    data[1] = {1.0, 0.0};
    ComplexFFT(data, FftDirection::Forward);
    const double h = static_cast<double>(std::sqrt(0.5L));
    const Complex expected[8] = {{1, 0},  {h, -h}, {0, -1}, {-h, -h},
                                 {-1, 0}, {-h, h}, {0, 1},  {h, h}};
    for (int k = 0; k < 8; ++k) {
        EXPECT_NEAR(data[k].re, expected[k].re, 5e-16) << k;
        EXPECT_NEAR(data[k].im, expected[k].im, 5e-16) << k;
    }
}

} // namespace
