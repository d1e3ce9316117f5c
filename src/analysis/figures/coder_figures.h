// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/coding/coder_kind.h"
#include "analysis/coding/coding_mode.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace analysis {

// What a coder does to one second of the tone (clock values 1 to 16000), with a_n the
// uncoded sample and c_n the sample coded, both exactly as a frame computes them.
struct TCoderFigures {
    bool Silent;          // every a_n is 0 (for example at 0 Hz): no SNR can be given
    bool Exact;           // every c_n equals a_n (always so in the uncoded mode)
    double SnrDb;         // 10 log10(sum a_n^2 / sum (c_n - a_n)^2); 0 if either of the above
    double EffectiveBits; // (SNR - 1.76) / 6.02; likewise 0
    double MaxError;      // max |c_n - a_n|, in 16-bit steps (the unit of the samples)
    // The SNR the telephone mask is read against (TelephoneBandSnrDb), measured only for the
    // level curves' points the mask reads, at the tones it is defined for; none elsewhere,
    // and none where the error has no power in the telephone band.
    std::optional<double> TelephoneBandSnrDb;
};

// The samples of one second: clock values 1 to 16000, the first at index 0.
inline constexpr std::size_t SecondSamples = 16000;

// Computes the figures afresh (16000 samples, a few milliseconds): meant for when they are
// asked for, not for every frame. Touches no module-level state, not even the remembered
// sine values, so it may run on any thread. `frequencyHz` is MinFrequencyHz to
// MaxFrequencyHz, `levelDb` MinLevelDb to MaxLevelDb.
TCoderFigures MeasureCoderFigures(std::int32_t frequencyHz, int levelDb, CodingMode mode);

// The parts MeasureCoderFigures is made of, for callers that measure many coders or levels
// and reuse what does not change; the figures come out bit for bit the same.

// The tone's sine values ToneSine(omega, clock) for clock values 1 to 16000 at a frequency
// (MinFrequencyHz to MaxFrequencyHz). They do not depend on the level.
void FillSecondSines(std::int32_t frequencyHz, std::span<long double, SecondSamples> sines);

// The uncoded samples of those sines at a level (MinLevelDb to MaxLevelDb).
void FillSecondSamples(std::span<const long double, SecondSamples> sines, int levelDb,
                       std::span<double, SecondSamples> samples);

// The figures of `code` over the uncoded samples of one second.
TCoderFigures MeasureCodedSecond(std::span<const double, SecondSamples> samples,
                                 SampleCodeFunction code);

// The same in two steps, for a caller that keeps a buffer for the coded samples: code the
// second, then measure the coded samples against the uncoded ones.
void CodeSecond(std::span<const double, SecondSamples> samples, SampleCodeFunction code,
                std::span<double, SecondSamples> coded);
TCoderFigures MeasureCodedSecond(std::span<const double, SecondSamples> samples,
                                 std::span<const double, SecondSamples> coded);

} // namespace analysis
