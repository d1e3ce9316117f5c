// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tone_range.h"

namespace analysis {

// Attenuations run from 0 dB (full scale) to 160 dB below it in whole decibels.
inline constexpr int MaxAttenuationDb = -MinLevelDb;

// The linear amplitude factor for a tone `attenuationDb` decibels below full scale:
// 1 / 10^(attenuationDb / 20), with the power evaluated in extended precision and the
// reciprocal rounded once to double. Exponent 0 gives exactly 1.0; whole exponents
// (multiples of 20 dB) give the power of ten by repeated multiplication, so 20 dB gives
// the double nearest to 0.1 and 160 dB the double nearest to 1e-8; other levels use
// e^(exponent ln 10). The caller passes a whole number of decibels from 0 to 160.
double GainFromAttenuation(int attenuationDb);

} // namespace analysis
