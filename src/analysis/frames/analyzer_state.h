// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/coding/coding_mode.h"
#include "analysis/transform/complex.h"
#include "analysis/common/frame_sizes.h"
#include "analysis/windows/window_kind.h"

#include <array>
#include <cstdint>

namespace analysis {

// Frames touch only entries 0 to 1024, yet the buffer keeps its full 65,537 pairs (1 MB of
// static storage): the analyzer's fixed memory footprint, which the resident-memory figures
// of the running program count, includes it. Nothing reads beyond entry 1024.
inline constexpr int SpectrumBufferLength = 65537;

// The analyzer's module-level state, one instance per process. Outside the analysis it is
// read freely but changed only through analyzer.h.
struct TAnalyzerState {
    WindowKind CurrentWindowKind = WindowKind::wkKaiser; // last window chosen in the menu
    bool WindowTableBusy = false;                        // re-entry guard of a window build
    double Gain = 1.0;              // linear amplitude factor of the tone, 10^(-level/20)
    double PeakInput = 0.0;         // largest absolute coded sample of the current frame
    double PeakMagnitude = 0.0;     // largest magnitude of the current frame's plotted bins
    std::int32_t SampleCounter = 0; // the next sample is taken at SampleCounter / 16000 s
};

extern TAnalyzerState AnalyzerState;

// Windowed samples in the real parts, transformed in place; statically allocated.
extern std::array<Complex, SpectrumBufferLength> SpectrumBuffer;
// |re| + |im| of bins 0 to 511 after the transform.
extern std::array<double, PlottedBins> MagnitudeBuffer;
// The current analysis window, one single-precision coefficient per sample.
extern std::array<float, FrameLength> WindowTable;

} // namespace analysis
