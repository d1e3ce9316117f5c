// SPDX-License-Identifier: GPL-3.0-or-later
#include "frame_pipeline.h"

#include "complex_fft.h"
#include "own_arithmetic.h"
#include "sample_coder.h"
#include "sine_memory.h"
#include "tone_sample.h"

#include <cassert>
#include <cmath>

namespace analysis {
namespace {

using Extended = long double;

constexpr float DecibelFactor = 20.0f;
constexpr Extended PixelsPerDecibel = 1.46L;

// What scales the last frame's magnitudes to values v: the largest bin becomes
// PeakInput * NormalisationTarget. A silent frame has no peak to normalise to; its factor 0
// puts every bin at 0.
double NormalisationFactor() {
    const TAnalyzerState& state = AnalyzerState;
    if (state.PeakMagnitude > 0.0) {
        return static_cast<double>(static_cast<Extended>(state.PeakInput) / state.PeakMagnitude *
                                   NormalisationTarget);
    }
    return 0.0;
}

double NormalisedValue(double magnitude, double factor) {
    return static_cast<double>(static_cast<Extended>(magnitude) * factor);
}

} // namespace

void SynthesiseFrame(std::int32_t frequencyHz, CodingMode mode, std::span<double> codedSamples) {
    const TOwnArithmetic own;
    assert(codedSamples.empty() || codedSamples.size() == FrameLength);
    TAnalyzerState& state = AnalyzerState;
    state.PeakInput = 0.0;
    // The frequency is read once; the phase of each sample is 2 pi f t from the running clock.
    const double omega = ToneOmega(frequencyHz);
    const double gain = state.Gain;

    // First the tone, parked in the real parts. Each sample is a pure function of its
    // clock value, so coding them in a second pass gives the same values while the
    // processor overlaps the coder's long chains of divisions and roots across samples.
    TuneSineMemory(frequencyHz, omega);
    for (int k = 0; k < FrameLength; ++k) {
        const std::int32_t clock = state.SampleCounter;
        // The clock wraps after one second (t = 1.0 exactly); f is whole, so the tone has no
        // jump there. The sample itself still uses t = 1.0.
        if (clock == SampleRate) {
            state.SampleCounter = 0;
        }
        SpectrumBuffer[k].re = ToneSample(RememberedSine(clock), gain);
        ++state.SampleCounter;
    }

    for (int k = 0; k < FrameLength; ++k) {
        double a = SpectrumBuffer[k].re;
        if (mode != CodingMode::cmPCM) {
            a = CodeSample(a, mode);
        }
        if (!codedSamples.empty()) {
            codedSamples[k] = a;
        }

        SpectrumBuffer[k].re = static_cast<double>(static_cast<Extended>(a) * WindowTable[k]);
        SpectrumBuffer[k].im = 0.0;

        // The largest absolute sample, so that a frame lying wholly in the negative half of a
        // slow tone's period still normalises to its true peak.
        const double magnitude = std::fabs(a);
        if (state.PeakInput < magnitude) {
            state.PeakInput = magnitude;
        }
    }
}

void TransformFrame() {
    const TOwnArithmetic own;
    ComplexFFT(std::span<Complex>(SpectrumBuffer.data(), FrameLength), FftDirection::Forward);
    TAnalyzerState& state = AnalyzerState;
    state.PeakMagnitude = 0.0;
    for (int k = 0; k < PlottedBins; ++k) {
        const Complex bin = SpectrumBuffer[k];
        const double magnitude =
            static_cast<double>(static_cast<Extended>(std::fabs(bin.re)) + std::fabs(bin.im));
        MagnitudeBuffer[k] = magnitude;
        if (state.PeakMagnitude < magnitude) {
            state.PeakMagnitude = magnitude;
        }
    }
}

std::int32_t OrdinateOf(double v) {
    const TOwnArithmetic own;
    // Values below 1 are drawn at 0 dB, so no logarithm of zero or negative level occurs.
    double level = 0.0;
    if (v >= PlotFloorBinValue) {
        level = static_cast<double>(DecibelFactor * std::log10(static_cast<Extended>(v)));
    }
    return static_cast<std::int32_t>(PixelsPerDecibel * level);
}

void ComputeOrdinates(std::span<std::int32_t, PlottedBins> ordinates) {
    const TOwnArithmetic own;
    const double factor = NormalisationFactor();
    for (int k = 0; k < PlottedBins; ++k) {
        ordinates[k] = OrdinateOf(NormalisedValue(MagnitudeBuffer[k], factor));
    }
}

double BinValue(int bin) {
    const TOwnArithmetic own;
    assert(bin >= 0 && bin < PlottedBins);
    return NormalisedValue(MagnitudeBuffer[static_cast<std::size_t>(bin)], NormalisationFactor());
}

void ComputeFrame(std::int32_t frequencyHz, CodingMode mode,
                  std::span<std::int32_t, PlottedBins> ordinates) {
    const TOwnArithmetic own;
    SynthesiseFrame(frequencyHz, mode);
    TransformFrame();
    ComputeOrdinates(ordinates);
}

} // namespace analysis
