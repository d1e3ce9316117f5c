// SPDX-License-Identifier: GPL-3.0-or-later
#include "reference_coder.h"

#include "g711_companding.h"
#include "analysis/common/numeric_constants.h"

#include <cassert>
#include <cmath>
#include <cstdint>

namespace analysis {
namespace {

using Extended = long double;

constexpr double Linear16Min = -32768.0;
constexpr double Linear16Max = 32767.0;

// `a` on a law's linear scale, where full scale is `largest`, rounded once to double.
double ToLawScale(double a, int largest) {
    return static_cast<double>(static_cast<Extended>(a) * largest / FullScale);
}

// A decoder output back on the samples' scale, rounded once to double.
double FromLawScale(double decoded, int largest) {
    return static_cast<double>(static_cast<Extended>(decoded) * FullScale / largest);
}

} // namespace

double CodeLinear16(double a) {
    assert(std::isfinite(a));
    // Limiting first gives the same as rounding first, the limits being whole; then the
    // whole part and the fraction are exact in double, and a fraction of one half or more
    // rounds away from zero.
    const double limited = std::fmin(std::fmax(a, Linear16Min), Linear16Max);
    const double whole = static_cast<double>(static_cast<std::int32_t>(limited));
    const double fraction = limited - whole;
    if (fraction >= 0.5) {
        return whole + 1.0;
    }
    if (fraction <= -0.5) {
        return whole - 1.0;
    }
    return whole;
}

double CodeMuLaw(double a) {
    assert(std::isfinite(a));
    return FromLawScale(DecodeMuLaw(EncodeMuLaw(ToLawScale(a, MuLawLargestOutput))),
                        MuLawLargestOutput);
}

double CodeALaw(double a) {
    assert(std::isfinite(a));
    return FromLawScale(DecodeALaw(EncodeALaw(ToLawScale(a, ALawLargestOutput))),
                        ALawLargestOutput);
}

} // namespace analysis
