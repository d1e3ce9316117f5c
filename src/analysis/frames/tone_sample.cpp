// SPDX-License-Identifier: GPL-3.0-or-later
#include "tone_sample.h"

#include "analysis/common/numeric_constants.h"

#include <cmath>

namespace analysis {
namespace {

using Extended = long double;

// The sample rate as the clock is divided by it: single precision, exact.
constexpr float SampleRateHz = 16000.0f;

} // namespace

double ToneOmega(std::int32_t frequencyHz) {
    return static_cast<double>(TwoPi * static_cast<double>(frequencyHz));
}

long double ToneSine(double omega, std::int32_t clock) {
    const double t = static_cast<double>(clock / static_cast<Extended>(SampleRateHz));
    return std::sin(static_cast<Extended>(omega) * t);
}

} // namespace analysis
