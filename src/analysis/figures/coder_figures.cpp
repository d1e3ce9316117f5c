// SPDX-License-Identifier: GPL-3.0-or-later
#include "coder_figures.h"

#include "analysis/frames/analyzer_state.h"
#include "analysis/frames/level_gain.h"
#include "analysis/common/own_arithmetic.h"
#include "analysis/frames/tone_range.h"
#include "analysis/frames/tone_sample.h"

#include <cassert>
#include <cmath>
#include <vector>

namespace analysis {
namespace {

using Extended = long double;

// Signal-to-noise ratio of an ideal quantiser of a full-scale sine, in dB: 6.02 dB per bit
// plus this.
constexpr Extended SineQuantiserOffsetDb = 1.76L;
constexpr Extended DecibelsPerBit = 6.02L;

static_assert(SecondSamples == static_cast<std::size_t>(SampleRate));

// The clock value of a second's sample.
std::int32_t ClockOf(std::size_t index) {
    return static_cast<std::int32_t>(index) + 1;
}

} // namespace

TCoderFigures MeasureCoderFigures(std::int32_t frequencyHz, int levelDb, CodingMode mode) {
    const TOwnArithmetic own;
    // One second of the tone as frames take it in steady state: clock values 1 to 16000.
    std::vector<long double> sines(SecondSamples);
    FillSecondSines(frequencyHz, std::span<long double, SecondSamples>(sines.data(), SecondSamples));
    std::vector<double> samples(SecondSamples);
    const std::span<double, SecondSamples> second(samples.data(), SecondSamples);
    FillSecondSamples(std::span<const long double, SecondSamples>(sines.data(), SecondSamples),
                      levelDb, second);
    return MeasureCodedSecond(second, Describe(CoderOf(mode)).Code);
}

void FillSecondSines(std::int32_t frequencyHz, std::span<long double, SecondSamples> sines) {
    assert(frequencyHz >= MinFrequencyHz && frequencyHz <= MaxFrequencyHz);
    const double omega = ToneOmega(frequencyHz);
    for (std::size_t index = 0; index < SecondSamples; ++index) {
        sines[index] = ToneSine(omega, ClockOf(index));
    }
}

void FillSecondSamples(std::span<const long double, SecondSamples> sines, int levelDb,
                       std::span<double, SecondSamples> samples) {
    assert(levelDb >= MinLevelDb && levelDb <= MaxLevelDb);
    const double gain = GainFromAttenuation(-levelDb);
    for (std::size_t index = 0; index < SecondSamples; ++index) {
        samples[index] = ToneSample(sines[index], gain);
    }
}

TCoderFigures MeasureCodedSecond(std::span<const double, SecondSamples> samples,
                                 SampleCodeFunction code) {
    std::vector<double> coded(SecondSamples);
    const std::span<double, SecondSamples> codedSecond(coded.data(), SecondSamples);
    CodeSecond(samples, code, codedSecond);
    return MeasureCodedSecond(samples, codedSecond);
}

void CodeSecond(std::span<const double, SecondSamples> samples, SampleCodeFunction code,
                std::span<double, SecondSamples> coded) {
    // Coding apart from the sums below keeps those in registers across the calls.
    for (std::size_t index = 0; index < SecondSamples; ++index) {
        coded[index] = code(samples[index]);
    }
}

TCoderFigures MeasureCodedSecond(std::span<const double, SecondSamples> samples,
                                 std::span<const double, SecondSamples> coded) {
    Extended signalEnergy = 0.0L;
    Extended errorEnergy = 0.0L;
    double maxError = 0.0;
    bool silent = true;
    bool exact = true;
    for (std::size_t index = 0; index < SecondSamples; ++index) {
        const double a = samples[index];
        const double c = coded[index];
        const Extended error = static_cast<Extended>(c) - a;
        signalEnergy += static_cast<Extended>(a) * a;
        errorEnergy += error * error;
        // As fmax would, without its call: neither is ever NaN.
        const auto magnitude = static_cast<double>(std::fabs(error));
        maxError = magnitude > maxError ? magnitude : maxError;
        silent = silent && a == 0.0;
        exact = exact && c == a;
    }

    TCoderFigures figures{};
    figures.Silent = silent;
    figures.Exact = exact;
    figures.MaxError = maxError;
    if (!silent && !exact) {
        const Extended snr = 10.0L * std::log10(signalEnergy / errorEnergy);
        figures.SnrDb = static_cast<double>(snr);
        figures.EffectiveBits = static_cast<double>((snr - SineQuantiserOffsetDb) / DecibelsPerBit);
    }
    return figures;
}

} // namespace analysis
