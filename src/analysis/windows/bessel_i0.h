// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>

namespace analysis {

// Arguments above this (the natural logarithm of the largest finite double) give +infinity.
inline constexpr double BesselI0OverflowLimit = 709.7827128933839;

// Chebyshev series by the Clenshaw recurrence with a half-weighted first term:
// c[0]/2 + sum_{k=1}^{m-1} c[k] T_k(x), with m = min(termCount, c.size()); 0 when m = 0.
// The caller keeps x within [-1, 1].
double ChebyshevSeries(std::span<const double> coefficients, std::int32_t termCount, double x);

// I0(y) for 0 <= y <= 3, from a series in y*y.
double BesselI0Small(double y);

// e^(-|x|) I0(x) for |x| > 3, from a series in 1/|x|.
double BesselI0Scaled(double x);

// The modified Bessel function of the first kind of order zero, I0(x), for every real x;
// +infinity when |x| exceeds BesselI0OverflowLimit. Raises no floating-point exception.
double BesselI0(double x);

} // namespace analysis
