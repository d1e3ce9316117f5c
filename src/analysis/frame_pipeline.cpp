#include "frame_pipeline.h"

#include "complex_fft.h"
#include "numeric_constants.h"
#include "sample_coder.h"
#include "sine_memory.h"

#include <cassert>
#include <cmath>

namespace analysis {
namespace {

using Extended = long double;

constexpr float NormalisationTarget = 4100.0f; // value v of the frame's largest bin
constexpr float DecibelFactor = 20.0f;
constexpr Extended PixelsPerDecibel = 1.46L;

} // namespace

void SynthesiseFrame(std::int32_t frequencyHz, CodingMode mode, std::span<double> codedSamples) {
    assert(codedSamples.empty() || codedSamples.size() == FrameLength);
    TAnalyzerState& state = AnalyzerState;
    state.PeakInput = 0.0;
    // The frequency is read once; the phase of each sample is 2 pi f t from the running clock.
    const double omega = static_cast<double>(TwoPi * static_cast<double>(frequencyHz));
    const Extended gain = state.Gain;

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
        SpectrumBuffer[k].re = static_cast<double>(RememberedSine(clock) * gain * FullScale);
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

void ComputeOrdinates(std::span<std::int32_t, PlottedBins> ordinates) {
    const TAnalyzerState& state = AnalyzerState;
    // A silent frame has no peak to normalise to; its factor 0 puts every bin at 0.
    double factor = 0.0;
    if (state.PeakMagnitude > 0.0) {
        factor = static_cast<double>(static_cast<Extended>(state.PeakInput) / state.PeakMagnitude *
                                     NormalisationTarget);
    }
    for (int k = 0; k < PlottedBins; ++k) {
        const double v = static_cast<double>(static_cast<Extended>(MagnitudeBuffer[k]) * factor);
        // Values below 1 are drawn at 0 dB, so no logarithm of zero or negative level occurs.
        double level = 0.0;
        if (v >= 1.0) {
            level = static_cast<double>(DecibelFactor * std::log10(static_cast<Extended>(v)));
        }
        ordinates[k] = static_cast<std::int32_t>(PixelsPerDecibel * level);
    }
}

void ComputeFrame(std::int32_t frequencyHz, CodingMode mode,
                  std::span<std::int32_t, PlottedBins> ordinates) {
    SynthesiseFrame(frequencyHz, mode);
    TransformFrame();
    ComputeOrdinates(ordinates);
}

} // namespace analysis
