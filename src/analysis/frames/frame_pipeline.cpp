// SPDX-License-Identifier: GPL-3.0-or-later
#include "frame_pipeline.h"

#include "analysis/transform/complex_fft.h"
#include "analysis/common/own_arithmetic.h"
#include "analysis/coding/sample_coder.h"
#include "tone_source.h"

#include <array>
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

void TakeFrame(TSampleSource& source, CodingMode mode, std::span<double> codedSamples,
               std::span<double> uncodedSamples) {
    const TOwnArithmetic own;
    assert(codedSamples.empty() || codedSamples.size() == FrameLength);
    assert(uncodedSamples.empty() || uncodedSamples.size() == FrameLength);
    TAnalyzerState& state = AnalyzerState;
    state.PeakInput = 0.0;
    const double gain = state.Gain;

    // First the source's samples, parked in the real parts. Each is coded in a second pass,
    // so the processor overlaps the coder's long chains of divisions and roots across
    // samples. Static, as the frame's other buffers: a frame allocates nothing.
    static std::array<long double, FrameLength> units;
    source.Take(units);
    for (int k = 0; k < FrameLength; ++k) {
        SpectrumBuffer[k].re = SourceSample(units[static_cast<std::size_t>(k)], gain);
    }

    for (int k = 0; k < FrameLength; ++k) {
        double a = SpectrumBuffer[k].re;
        if (!uncodedSamples.empty()) {
            uncodedSamples[k] = a;
        }
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

void SynthesiseFrame(std::int32_t frequencyHz, CodingMode mode, std::span<double> codedSamples) {
    TToneSource tone(frequencyHz);
    TakeFrame(tone, mode, codedSamples);
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
    TToneSource tone(frequencyHz);
    ComputeFrame(tone, mode, ordinates);
}

void ComputeFrame(TSampleSource& source, CodingMode mode,
                  std::span<std::int32_t, PlottedBins> ordinates, std::span<double> codedSamples,
                  std::span<double> uncodedSamples) {
    const TOwnArithmetic own;
    TakeFrame(source, mode, codedSamples, uncodedSamples);
    TransformFrame();
    ComputeOrdinates(ordinates);
}

} // namespace analysis
