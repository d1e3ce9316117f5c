#pragma once

#include "coding_mode.h"
#include "complex.h"
#include "window_kind.h"

#include <array>
#include <cstdint>

namespace analysis {

// Sizes of one frame: 1024 samples at 16000 Hz is 64 ms of signal, of which the
// first 512 bins (0 to 7984.375 Hz, 15.625 Hz apart) are plotted.
inline constexpr int FrameLength = 1024;
inline constexpr int PlottedBins = 512;
inline constexpr int SampleRate = 16000;
// The spectrum buffer is far larger than one frame; only entries 0 to 1024 are ever touched.
inline constexpr int SpectrumBufferLength = 65537;

// The analyzer's module-level state, one instance per process.
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

// Puts every module-level variable back to its value at program load. The program itself
// never calls this; tests and the headless tool use it to start from a known state.
void ResetAnalyzerToLoadState();

// Zeroes entries 0 to 1024 of SpectrumBuffer, as the window does once when it is created.
void ClearSpectrumBuffer();

} // namespace analysis
