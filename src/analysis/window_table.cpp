// SPDX-License-Identifier: GPL-3.0-or-later
#include "window_table.h"

#include "bessel_i0.h"
#include "numeric_constants.h"

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

// Coefficient c of a window; f = c / 1024. Sums run left to right in extended precision.
Extended Coefficient(WindowKind kind, int c) {
    const double f = c / 1024.0;
    switch (kind) {
    case WindowKind::wkRectangular:
        return 1.0L;
    case WindowKind::wkTriangular:
        return 1.0L - std::fabs(static_cast<Extended>(c) / 512.0L - 1.0L);
    case WindowKind::wkSine:
        return std::sin(Pi * f);
    case WindowKind::wkGaussian: {
        const Extended z = (static_cast<Extended>(c) - 512.0L) / 256.0L;
        return std::exp(-0.5L * (z * z));
    }
    case WindowKind::wkLanczos:
        return Sinc(static_cast<float>(2.0L * c / 1024.0L - 1.0L));
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
        const Extended t = (2.0L * c - 1023.0L) / 1023.0L;
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

void FillWindowTable(WindowKind kind, std::span<float, FrameLength> table) {
    for (int c = 0; c < FrameLength; ++c) {
        table[c] = static_cast<float>(Coefficient(kind, c));
    }
}

} // namespace analysis
