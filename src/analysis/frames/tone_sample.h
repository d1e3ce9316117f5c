// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/common/numeric_constants.h"
#include "sample_source.h"

#include <cstdint>

namespace analysis {

// The tone's uncoded samples, as a frame synthesises them. A sample is a pure function of
// the frequency, the gain and the sample-clock value, so frames, the sine memory and the
// coder figures all compute it through these three steps and agree bit for bit.

// 2 pi f in radians per second, with f in whole hertz, rounded once to double.
double ToneOmega(std::int32_t frequencyHz);

// sin(omega t), with t = clock / 16000 s rounded to double, the product and the sine in
// extended precision.
long double ToneSine(double omega, std::int32_t clock);

// The uncoded sample: the sine as a source's unit sample, on the analyzer's scale.
inline double ToneSample(long double sine, double gain) {
    return SourceSample(sine, gain);
}

} // namespace analysis
