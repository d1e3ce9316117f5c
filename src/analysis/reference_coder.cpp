// SPDX-License-Identifier: GPL-3.0-or-later
#include "reference_coder.h"

#include "g711_companding.h"
#include "numeric_constants.h"

#include <cassert>
#include <cmath>
#include <cstdint>

namespace analysis {
namespace {

using Extended = long double;

constexpr Extended Linear16Min = -32768.0L;
constexpr Extended Linear16Max = 32767.0L;

// `a` on a law's linear scale whose overload point is `overload`, rounded once to double.
double ToLawScale(double a, int overload) {
    return static_cast<double>(static_cast<Extended>(a) * overload / FullScale);
}

// A decoder output back on the samples' scale, rounded once to double.
double FromLawScale(double decoded, int overload) {
    return static_cast<double>(static_cast<Extended>(decoded) * FullScale / overload);
}

} // namespace

double CodeLinear16(double a) {
    assert(std::isfinite(a));
    const Extended rounded = std::round(static_cast<Extended>(a));
    return static_cast<double>(std::fmin(std::fmax(rounded, Linear16Min), Linear16Max));
}

double CodeMuLaw(double a) {
    assert(std::isfinite(a));
    return FromLawScale(DecodeMuLaw(EncodeMuLaw(ToLawScale(a, MuLawOverload))), MuLawOverload);
}

double CodeALaw(double a) {
    assert(std::isfinite(a));
    return FromLawScale(DecodeALaw(EncodeALaw(ToLawScale(a, ALawOverload))), ALawOverload);
}

} // namespace analysis
