// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analyzer_state.h"
#include "analysis/coding/coding_mode.h"
#include "sample_source.h"

#include <cstdint>
#include <span>

namespace analysis {

// The numeric half of one frame, without any window or drawing. It reads the tone
// frequency (whole hertz, 0 to 8000) and the coding mode from its arguments and Gain,
// WindowTable and SampleCounter from the module-level state, advances SampleCounter by
// 1024 samples and writes SpectrumBuffer, MagnitudeBuffer, PeakInput and PeakMagnitude.
// Nothing here allocates. What repeats from frame to frame is remembered in static storage
// (the tone's sine values, sine_memory.h, and the transform's twiddle factors) and gives
// exactly the bits a fresh computation would.
//
// An ordinate is the height of a bin's point in pixels above the plot's baseline:
// 1.46 pixels per decibel of the bin's value, where the largest bin of the frame stands
// at 20 log10(PeakInput * 4100) dB, PeakInput being the largest absolute sample. Bins
// more than about 162.6 dB below a full-scale peak, and every bin of a silent frame, get 0.

// The value v of the frame's largest bin, relative to its largest absolute sample: a
// full-scale peak (32767) stands at v = 32767 * 4100.
inline constexpr float NormalisationTarget = 4100.0f;

// Bins whose value v lies below this are drawn on the plot's bottom edge (0 dB of the
// plot), so no logarithm of zero is taken; they have no level of their own.
inline constexpr double PlotFloorBinValue = 1.0;

// The spacing of the transform's bins, 15.625 Hz: bin k is centred on k times this.
inline constexpr double BinSpacingHz =
    static_cast<double>(SampleRate) / static_cast<double>(FrameLength);

// Takes the frame's next 1024 samples from `source`, scales each by Gain (SourceSample), codes
// each one unless the mode is cmPCM, tracks the largest absolute coded sample in PeakInput and
// stores sample * WindowTable[k] into SpectrumBuffer[k] (imaginary parts 0).
// If `codedSamples` is not empty it must hold 1024 entries and receives the coded samples
// before windowing; if `uncodedSamples` is not empty it must hold 1024 entries and receives
// the scaled samples before coding.
void TakeFrame(TSampleSource& source, CodingMode mode, std::span<double> codedSamples = {},
               std::span<double> uncodedSamples = {});

// TakeFrame from the tone at `frequencyHz` (whole hertz) on the running sample clock.
void SynthesiseFrame(std::int32_t frequencyHz, CodingMode mode,
                     std::span<double> codedSamples = {});

// Transforms SpectrumBuffer[0..1023] forward and reduces bins 0 to 511 to |re| + |im| in
// MagnitudeBuffer, tracking their largest value in PeakMagnitude.
void TransformFrame();

// The ordinate of a bin whose value (see BinValue) is `v`: 0 below PlotFloorBinValue.
std::int32_t OrdinateOf(double v);

// Turns MagnitudeBuffer into the 512 plot ordinates (0 to 237 for levels the sliders allow).
void ComputeOrdinates(std::span<std::int32_t, PlottedBins> ordinates);

// The value v of `bin` (0 to 511) in the last frame transformed, from which its ordinate is
// drawn: MagnitudeBuffer[bin] scaled so that the largest bin stands at PeakInput *
// NormalisationTarget, bit for bit as ComputeOrdinates computes it. Its level relative to a
// full-scale tone on a bin is 20 log10(v / (FullScale * NormalisationTarget)) dB. Every bin
// of a silent frame has v = 0. Reads MagnitudeBuffer, PeakInput and PeakMagnitude only.
double BinValue(int bin);

// One whole frame: SynthesiseFrame (or TakeFrame), TransformFrame, ComputeOrdinates.
void ComputeFrame(std::int32_t frequencyHz, CodingMode mode,
                  std::span<std::int32_t, PlottedBins> ordinates);
// `codedSamples` and `uncodedSamples`, empty or of 1024 entries, receive the frame's samples
// as TakeFrame gives them; the frame's results are the same either way.
void ComputeFrame(TSampleSource& source, CodingMode mode,
                  std::span<std::int32_t, PlottedBins> ordinates,
                  std::span<double> codedSamples = {}, std::span<double> uncodedSamples = {});

} // namespace analysis
