// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "coding_mode.h"

#include <cstdint>

namespace analysis {

// What a coding mode does to one second of the tone (clock values 1 to 16000), with a_n the
// uncoded sample and c_n the sample coded in the mode, both exactly as a frame computes them.
struct TCoderFigures {
    bool Silent;          // every a_n is 0 (for example at 0 Hz): no SNR can be given
    bool Exact;           // every c_n equals a_n (always so in the uncoded mode)
    double SnrDb;         // 10 log10(sum a_n^2 / sum (c_n - a_n)^2); 0 if either of the above
    double EffectiveBits; // (SNR - 1.76) / 6.02; likewise 0
    double MaxError;      // max |c_n - a_n|, in 16-bit steps (the unit of the samples)
};

// Computes the figures afresh (16000 samples, a few milliseconds): meant for when they are
// asked for, not for every frame. Touches no module-level state, not even the remembered
// sine values. `frequencyHz` is MinFrequencyHz to MaxFrequencyHz, `levelDb` MinLevelDb to
// MaxLevelDb.
TCoderFigures MeasureCoderFigures(std::int32_t frequencyHz, int levelDb, CodingMode mode);

} // namespace analysis
