// SPDX-License-Identifier: GPL-3.0-or-later
#include "sample_coder.h"

#include "analysis/common/numeric_constants.h"

#include <array>
#include <bit>
#include <cassert>
#include <cmath>

namespace analysis {
namespace {

using Extended = long double;

constexpr std::uint32_t InverseSqrtMagic = 0x5F3759DF;

// The mode's square root of a positive x, in extended precision. The exact root is taken
// of the double itself; the fast roots work on x rounded to single.
Extended CompandRoot(double x, CodingMode mode) {
    const TCodingModeInfo& info = Describe(mode);
    assert(info.Root != TCompandRoot::crNone && "PCM samples are not coded");
    if (info.Root == TCompandRoot::crFast) {
        return FastSqrt(info.NewtonSteps, static_cast<float>(x));
    }
    return std::sqrt(static_cast<Extended>(x));
}

constexpr std::int32_t LargestCode = 32767;

// What each code magnitude q expands to: y = q / 32767 rounded to double, then y * y *
// 32767 in extended precision, rounded to double. Built once, on first use (thread-safe),
// and read-only after.
const std::array<double, LargestCode + 1>& ExpandedCodes() {
    static const std::array<double, LargestCode + 1> table = [] {
        std::array<double, LargestCode + 1> expanded{};
        for (std::int32_t q = 1; q <= LargestCode; ++q) {
            const double y = static_cast<double>(static_cast<Extended>(q) / FullScale);
            expanded[static_cast<std::size_t>(q)] =
                static_cast<double>(static_cast<Extended>(y) * y * FullScale);
        }
        return expanded;
    }();
    return table;
}

} // namespace

float FastSqrt(std::int32_t steps, float x) {
    const std::uint32_t bits = InverseSqrtMagic - (std::bit_cast<std::uint32_t>(x) >> 1);
    float y = std::bit_cast<float>(bits); // estimate of 1/sqrt(x)
    const Extended halfX = static_cast<Extended>(x) * 0.5L;
    const int newtonSteps = steps <= 1 ? 1 : (steps >= 3 ? 3 : steps);
    for (int step = 0; step < newtonSteps; ++step) {
        // y (1.5 - x/2 y y): x/2 first, then times y twice, from 1.5, then times y.
        y = static_cast<float>(static_cast<Extended>(y) * (1.5L - halfX * y * y));
    }
    return static_cast<float>(static_cast<Extended>(x) * y);
}

double CodeSample(double a, CodingMode mode) {
    const double x = static_cast<double>(static_cast<Extended>(a) / FullScale);

    double c = 0.0;
    if (x > 0.0) {
        c = static_cast<double>(CompandRoot(x, mode) * FullScale);
    } else if (x < 0.0) {
        c = static_cast<double>(-CompandRoot(-x, mode) * FullScale);
    }

    // Truncation toward zero; |c| <= 32767 so the code fits in 16 bits.
    const auto q = static_cast<std::int32_t>(c);
    assert(q >= -LargestCode && q <= LargestCode);
    if (q == 0) {
        return 0.0;
    }
    // Rounding is symmetric, so a negative code expands to exactly the negative of its
    // magnitude's expansion.
    const double expanded = ExpandedCodes()[static_cast<std::size_t>(q > 0 ? q : -q)];
    return q > 0 ? expanded : -expanded;
}

} // namespace analysis
