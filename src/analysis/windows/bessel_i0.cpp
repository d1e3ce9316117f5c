// SPDX-License-Identifier: GPL-3.0-or-later
#include "bessel_i0.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace analysis {
namespace {

using Extended = long double;

// Chebyshev coefficients for I0 on [0, 3], in the variable y*y/4.5 - 1.
constexpr std::array<double, 12> BI0Coeffs = {
    -0.07660547252839145,   1.9273379539938083,    0.22826445869203013,   0.013048914667072904,
    0.00043442709008164877, 9.422657686001934e-06, 1.434006289510691e-07, 1.613849069661749e-09,
    1.3966500445356697e-11, 9.579451725505446e-14, 5.333981859862503e-16, 2.4587160884374706e-18,
};

// e^(-y) I0(y) sqrt(y) on (3, 8], in the variable (48/y - 11)/5.
constexpr std::array<double, 24> AI0Coeffs = {
    0.07575994494023795,    0.007591380810823345,    0.00041531313389237505,
    1.070076463439073e-05,  -7.901179979212895e-06,  -7.826143501438752e-07,
    2.783849942948871e-07,  8.252472600612028e-09,   -1.2044639455201991e-08,
    1.5596485985060765e-09, 2.2925563671033166e-10,  -1.1916228842790646e-10,
    1.75785491603241e-11,   1.1282244632189005e-12,  -1.1468486259272989e-12,
    2.715592054803663e-13,  -2.4158746665626878e-14, -6.084469888255125e-15,
    3.1457050771754773e-15, -7.172212924871188e-16,  7.874493403454103e-17,
    1.0048027530094623e-17, -7.566895365350535e-18,  2.15038010687612e-18,
};

// e^(-y) I0(y) sqrt(y) above 8, in the variable 16/y - 1.
constexpr std::array<double, 27> AI02Coeffs = {
    0.054490411014108835,    0.0033691164782556943,   6.889758346916825e-05,
    2.8913705208347567e-06,  2.0489185894690638e-07,  2.266668990498178e-08,
    3.3962320257083865e-09,  4.94060238822497e-10,    1.1889147107846439e-11,
    -3.1499165279632416e-11, -1.3215811840447713e-11, -1.7941785315068062e-12,
    7.180124451383666e-13,   3.8527783827421426e-13,  1.54008621752141e-14,
    -4.150569347287222e-14,  -9.554846698828307e-15,  3.8116806693526224e-15,
    1.7725601330565263e-15,  -3.425485619677219e-16,  -2.8276239805165836e-16,
    3.461222867697461e-17,   4.46562142029676e-17,    -4.830504485944182e-18,
    -7.233180487874754e-18,  9.921475412173699e-19,   1.193650890845982e-18,
};

// Below this I0(y) is 1 to double precision.
constexpr double SmallArgument = 0x1p-25;

} // namespace

double ChebyshevSeries(std::span<const double> coefficients, std::int32_t termCount, double x) {
    const std::int32_t available = static_cast<std::int32_t>(coefficients.size());
    const std::int32_t m = std::max(0, std::min(termCount, available));
    const double twoX = 2.0 * x;
    double b0 = 0.0;
    double b1 = 0.0;
    double b2 = 0.0;
    for (std::int32_t k = m - 1; k >= 0; --k) {
        b2 = b1;
        b1 = b0;
        b0 = static_cast<double>(static_cast<Extended>(twoX) * b1 - b2 + coefficients[k]);
    }
    return static_cast<double>((static_cast<Extended>(b0) - b2) * 0.5L);
}

double BesselI0Small(double y) {
    if (y <= SmallArgument) {
        return 1.0;
    }
    const double z = static_cast<double>(static_cast<Extended>(y) * y / 4.5L - 1.0L);
    return static_cast<double>(2.75L + ChebyshevSeries(BI0Coeffs, 12, z));
}

double BesselI0Scaled(double x) {
    const double y = std::fabs(x);
    double series;
    if (y > 8.0) {
        const double z = static_cast<double>(16.0L / y - 1.0L);
        series = ChebyshevSeries(AI02Coeffs, 27, z);
    } else {
        const double z = static_cast<double>((48.0L / y - 11.0L) / 5.0L);
        series = ChebyshevSeries(AI0Coeffs, 24, z);
    }
    return static_cast<double>((0.375L + series) / std::sqrt(static_cast<Extended>(y)));
}

double BesselI0(double x) {
    const double y = std::fabs(x);
    if (y <= 3.0) {
        return BesselI0Small(y);
    }
    if (y > BesselI0OverflowLimit) {
        return std::numeric_limits<double>::infinity();
    }
    return static_cast<double>(std::exp(static_cast<Extended>(y)) * BesselI0Scaled(y));
}

} // namespace analysis
