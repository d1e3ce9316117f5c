// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/windows/bessel_i0.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include <gtest/gtest.h>

namespace {

using analysis::BesselI0;
using analysis::ChebyshevSeries;

// Distance in units in the last place between two finite doubles of the same sign.
std::int64_t UlpDistance(double a, double b) {
    return std::llabs(std::bit_cast<std::int64_t>(a) - std::bit_cast<std::int64_t>(b));
}

TEST(BesselI0, ReferenceValuesWithinTwoUlp) {
    struct Reference {
        double x;
        double i0;
    };
    constexpr Reference references[] = {
        {0.5, 1.0634833707413236},  {1.0, 1.2660658777520084},      {3.0, 4.8807925858650245},
        {5.0, 27.239871823604446},  {8.0, 427.5641157218048},       {10.0, 2815.7166284662544},
        {20.0, 43558282.559553534}, {3.0000001, 4.880792981202063},
    };
    for (const Reference& reference : references) {
        EXPECT_LE(UlpDistance(BesselI0(reference.x), reference.i0), 2)
            << "I0(" << reference.x << ") = " << BesselI0(reference.x);
    }
}

TEST(BesselI0, TinyArgumentsGiveExactlyOne) {
    EXPECT_EQ(BesselI0(0.0), 1.0);
    EXPECT_EQ(BesselI0(1e-9), 1.0);
    EXPECT_EQ(BesselI0(0x1p-25), 1.0);
    EXPECT_GT(BesselI0(1e-3), 1.0);
}

TEST(BesselI0, IsEvenBitForBit) {
    for (double x = 0.0; x < 720.0; x += 0.731) {
        EXPECT_EQ(std::bit_cast<std::uint64_t>(BesselI0(-x)),
                  std::bit_cast<std::uint64_t>(BesselI0(x)))
            << x;
    }
}

TEST(BesselI0, BranchBoundariesJoinSmoothly) {
    // Both sides of the boundaries at 3 and 8 agree to near double precision.
    for (const double boundary : {3.0, 8.0}) {
        const double below = BesselI0(std::nextafter(boundary, 0.0));
        const double above = BesselI0(std::nextafter(boundary, 100.0));
        EXPECT_NEAR(above / below, 1.0, 1e-14) << boundary;
    }
}

TEST(BesselI0, OverflowLimitIsFiniteAndBeyondItIsInfinity) {
    const double atLimit = BesselI0(analysis::BesselI0OverflowLimit);
    EXPECT_TRUE(std::isfinite(atLimit));
    EXPECT_NEAR(atLimit / 2.69e306, 1.0, 0.01);
    EXPECT_EQ(BesselI0(710.0), std::numeric_limits<double>::infinity());
    EXPECT_EQ(BesselI0(-1e300), std::numeric_limits<double>::infinity());
    EXPECT_EQ(BesselI0(std::numeric_limits<double>::max()),
              std::numeric_limits<double>::infinity());
}

TEST(BesselI0, GrowsMonotonicallyOverTheKaiserRange) {
    double previous = BesselI0(0.0);
    for (double x = 0.01; x <= 20.0; x += 0.01) {
        const double value = BesselI0(x);
        EXPECT_GT(value, previous) << x;
        previous = value;
    }
}

TEST(ChebyshevSeries, TermCountIsClampedToTheTable) {
    constexpr std::array<double, 3> coefficients = {2.0, 3.0, 5.0};
    const double x = 0.25;
    // 2/2 + 3 T1(x) + 5 T2(x), T1 = x, T2 = 2x^2 - 1
    const double full = 1.0 + 3.0 * x + 5.0 * (2.0 * x * x - 1.0);
    EXPECT_EQ(ChebyshevSeries(coefficients, 3, x), full);
    EXPECT_EQ(ChebyshevSeries(coefficients, 50, x), full);
    EXPECT_EQ(ChebyshevSeries(coefficients, 2, x), 1.0 + 3.0 * x);
    EXPECT_EQ(ChebyshevSeries(coefficients, 1, x), 1.0);
    EXPECT_EQ(ChebyshevSeries(coefficients, 0, x), 0.0);
    EXPECT_EQ(ChebyshevSeries(std::span<const double>(coefficients.data(), 1), 10, x), 1.0);
}

} // namespace
