// SPDX-License-Identifier: GPL-3.0-or-later
#include "window_table.h"

#include "bessel_i0.h"
#include "analysis/common/numeric_constants.h"

#include <cassert>
#include <cmath>

namespace analysis {
namespace {

using Extended = long double;

// The other multiples of pi (2 pi is shared), each the extended value nearest to the true
// multiple (the compiler rounds these long literals once).
constexpr Extended Pi = 3.14159265358979323846264338327950288L;
constexpr Extended FourPi = 12.5663706143591729538505735331180115L;
constexpr Extended SixPi = 18.8495559215387594307758602996770173L;
constexpr Extended EightPi = 25.1327412287183459077011470662360231L;

constexpr double KaiserBeta = 20.0;

// Coefficient c of a window of `length` coefficients (even, at least 2); f = c / length.
// Every divisor is a power of two or length - 1, so at 1024 each expression rounds exactly
// as the frame's table always has: the same formula gives the same bits. Sums run left to
// right in extended precision.
Extended Coefficient(WindowKind kind, int c, int length) {
    const double f = c / static_cast<double>(length);
    const Extended half = length / 2;
    switch (kind) {
    case WindowKind::wkRectangular:
        return 1.0L;
    case WindowKind::wkTriangular:
        return 1.0L - std::fabs(static_cast<Extended>(c) / half - 1.0L);
    case WindowKind::wkSine:
        return std::sin(Pi * f);
    case WindowKind::wkGaussian: {
        // Its standard deviation is a quarter of the length.
        const Extended z = (static_cast<Extended>(c) - half) / (half / 2.0L);
        return std::exp(-0.5L * (z * z));
    }
    case WindowKind::wkLanczos:
        return Sinc(static_cast<float>(2.0L * c / static_cast<Extended>(length) - 1.0L));
    case WindowKind::wkHamming:
        return 0.54L - 0.46L * std::cos(TwoPi * f);
    case WindowKind::wkHann:
        return 0.5L - 0.5L * std::cos(TwoPi * f);
    case WindowKind::wkBlackman:
        return 0.42L - 0.5L * std::cos(TwoPi * f) + 0.08L * std::cos(FourPi * f);
    case WindowKind::wkNuttall:
        return 0.355768L - 0.487396L * std::cos(TwoPi * f) + 0.144232L * std::cos(FourPi * f) -
               0.012604L * std::cos(SixPi * f);
    case WindowKind::wkKaiser: {
        const Extended last = length - 1;
        const Extended t = (2.0L * c - last) / last;
        const double argument = static_cast<double>(KaiserBeta * std::sqrt(1.0L - t * t));
        // The denominator is evaluated afresh for every coefficient, as the table is defined.
        return static_cast<Extended>(BesselI0(argument)) / BesselI0(KaiserBeta);
    }
    case WindowKind::wkFlatTop:
        return 1.0L - 1.93L * std::cos(TwoPi * f) + 1.29L * std::cos(FourPi * f) -
               0.388L * std::cos(SixPi * f) + 0.028L * std::cos(EightPi * f);
    }
    return 0.0L;
}

} // namespace

float Sinc(float x) {
    if (x == 0.0f) {
        return 1.0f;
    }
    const Extended angle = Pi * x;
    return static_cast<float>(std::sin(angle) / angle);
}

void FillWindow(WindowKind kind, std::span<float> table) {
    const auto length = static_cast<int>(table.size());
    assert(length >= 2 && length % 2 == 0);
    for (int c = 0; c < length; ++c) {
        table[static_cast<std::size_t>(c)] = static_cast<float>(Coefficient(kind, c, length));
    }
}

void FillWindowTable(WindowKind kind, std::span<float, FrameLength> table) {
    FillWindow(kind, table);
}

} // namespace analysis
