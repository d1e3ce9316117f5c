// SPDX-License-Identifier: GPL-3.0-or-later
#include "level_gain.h"

#include <cassert>
#include <cmath>

namespace analysis {
namespace {

using Extended = long double;

constexpr Extended Ln10 = 2.30258509299404568401799145468436421L;

Extended PowerOfTen(Extended exponent) {
    if (exponent == 0.0L) {
        return 1.0L;
    }
    if (exponent == std::trunc(exponent)) {
        // Exact up to 10^27 in a 64-bit significand; levels need at most 10^8.
        Extended power = 1.0L;
        for (long step = 0; step < static_cast<long>(exponent); ++step) {
            power *= 10.0L;
        }
        return power;
    }
    return std::exp(exponent * Ln10);
}

} // namespace

double GainFromAttenuation(int attenuationDb) {
    assert(attenuationDb >= 0 && attenuationDb <= MaxAttenuationDb);
    const Extended exponent = static_cast<Extended>(attenuationDb) / 20.0L;
    return static_cast<double>(1.0L / PowerOfTen(exponent));
}

} // namespace analysis
