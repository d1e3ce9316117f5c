// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "numeric_constants.h"

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

// The uncoded sample sine * gain * 32767 (in 16-bit steps), in extended precision, rounded
// once to double. `gain` is the linear amplitude factor of the level (Gain). Inline, since a
// frame takes it for every sample.
inline double ToneSample(long double sine, double gain) {
    return static_cast<double>(sine * gain * FullScale);
}

} // namespace analysis
