// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The frame numerics computed the plain way, every value afresh: a sine per sample and the
// transform's twiddle factors from their recurrences on every call. The analyzer remembers
// what repeats between frames; this is the reference that what it remembers must match bit
// for bit. It keeps its own clock and buffers and reads only WindowTable and Gain.

#include "analysis/frames/analyzer_state.h"
#include "analysis/coding/coding_mode.h"
#include "analysis/transform/complex.h"
#include "analysis/coding/sample_coder.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <span>
#include <utility>

namespace testing_support::plain {

using Extended = long double;

inline void BitReversePermute(analysis::Complex* data, std::int32_t n) {
    const std::int32_t half = n >> 1;
    std::int32_t j = 0;
    for (std::int32_t i = 0; i < n - 1; ++i) {
        if (i < j) {
            std::swap(data[i], data[j]);
        }
        std::int32_t k = half;
        while (k <= j) {
            j -= k;
            k >>= 1;
        }
        j += k;
    }
}

// The transform with its twiddle factors from the half-angle and rotation recurrences.
inline void ComplexFFT(std::span<analysis::Complex> data, bool inverse) {
    const auto n = static_cast<std::int32_t>(data.size());
    analysis::Complex* const x = data.data();
    const auto stages = static_cast<std::int32_t>(std::log2(static_cast<Extended>(n)));
    BitReversePermute(x, n);
    double wr = -1.0;
    double wi = 0.0;
    std::int32_t le = 1;
    for (std::int32_t stage = 0; stage < stages; ++stage) {
        const std::int32_t le2 = le;
        le *= 2;
        double ur = 1.0;
        double ui = 0.0;
        for (std::int32_t j = 0; j < le2; ++j) {
            const Extended eur = ur;
            const Extended eui = ui;
            for (std::int32_t i = j; i < n; i += le) {
                const Extended topRe = x[i].re;
                const Extended topIm = x[i].im;
                const Extended bottomRe = x[i + le2].re;
                const Extended bottomIm = x[i + le2].im;
                const double tr = static_cast<double>(eur * bottomRe - eui * bottomIm);
                const double ti = static_cast<double>(eur * bottomIm + eui * bottomRe);
                x[i + le2].re = static_cast<double>(topRe - tr);
                x[i + le2].im = static_cast<double>(topIm - ti);
                x[i].re = static_cast<double>(topRe + tr);
                x[i].im = static_cast<double>(topIm + ti);
            }
            const double nextUr = static_cast<double>(static_cast<Extended>(ur) * wr -
                                                      static_cast<Extended>(ui) * wi);
            const double nextUi = static_cast<double>(static_cast<Extended>(ur) * wi +
                                                      static_cast<Extended>(ui) * wr);
            ur = nextUr;
            ui = nextUi;
        }
        const double halfSine = static_cast<double>(std::sqrt((1.0L - wr) / 2.0L));
        wi = inverse ? halfSine : -halfSine;
        wr = static_cast<double>(std::sqrt((1.0L + wr) / 2.0L));
    }
    if (inverse) {
        const Extended count = n;
        for (analysis::Complex& value : data) {
            value.re = static_cast<double>(value.re / count);
            value.im = static_cast<double>(value.im / count);
        }
    }
}

// One frame's clock, buffers and results.
struct TFrame {
    std::int32_t SampleCounter = 0;
    double PeakInput = 0.0;
    double PeakMagnitude = 0.0;
    std::array<double, analysis::FrameLength> Coded{};
    std::array<analysis::Complex, analysis::FrameLength> Spectrum{};
    std::array<double, analysis::PlottedBins> Magnitudes{};
    std::array<std::int32_t, analysis::PlottedBins> Ordinates{};
};

// Runs the next frame of `frame`'s clock with the analyzer's WindowTable and Gain.
inline void RunFrame(TFrame& frame, std::int32_t frequencyHz, analysis::CodingMode mode) {
    constexpr Extended TwoPi = 6.28318530717958647692528676655900577L;
    const double omega = static_cast<double>(TwoPi * static_cast<double>(frequencyHz));
    const Extended gain = analysis::AnalyzerState.Gain;
    frame.PeakInput = 0.0;
    for (int k = 0; k < analysis::FrameLength; ++k) {
        const double t = static_cast<double>(frame.SampleCounter / static_cast<Extended>(16000.0f));
        if (t == 1.0) {
            frame.SampleCounter = 0;
        }
        double a =
            static_cast<double>(std::sin(static_cast<Extended>(omega) * t) * gain * 32767.0f);
        ++frame.SampleCounter;
        if (mode != analysis::CodingMode::cmPCM) {
            a = analysis::CodeSample(a, mode);
        }
        frame.Coded[k] = a;
        frame.Spectrum[k] = {
            static_cast<double>(static_cast<Extended>(a) * analysis::WindowTable[k]), 0.0};
        frame.PeakInput = std::max(frame.PeakInput, std::fabs(a));
    }
    ComplexFFT(frame.Spectrum, false);
    frame.PeakMagnitude = 0.0;
    for (int k = 0; k < analysis::PlottedBins; ++k) {
        const analysis::Complex bin = frame.Spectrum[k];
        frame.Magnitudes[k] =
            static_cast<double>(static_cast<Extended>(std::fabs(bin.re)) + std::fabs(bin.im));
        frame.PeakMagnitude = std::max(frame.PeakMagnitude, frame.Magnitudes[k]);
    }
    double factor = 0.0;
    if (frame.PeakMagnitude > 0.0) {
        factor = static_cast<double>(static_cast<Extended>(frame.PeakInput) / frame.PeakMagnitude *
                                     4100.0f);
    }
    for (int k = 0; k < analysis::PlottedBins; ++k) {
        const double v = static_cast<double>(static_cast<Extended>(frame.Magnitudes[k]) * factor);
        double level = 0.0;
        if (v >= 1.0) {
            level = static_cast<double>(20.0f * std::log10(static_cast<Extended>(v)));
        }
        frame.Ordinates[k] = static_cast<std::int32_t>(1.46L * level);
    }
}

} // namespace testing_support::plain
