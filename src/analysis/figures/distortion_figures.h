// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/frames/analyzer_state.h"
#include "analysis/transform/complex.h"
#include "analysis/windows/window_figures.h"

#include <span>

namespace analysis {

// The harmonics that count as distortion: the 2nd to the 10th.
inline constexpr int FirstHarmonic = 2;
inline constexpr int LastHarmonic = 10;
// A fundamental below this level, in dB against a full-scale sine, is no tone: the quietest
// tone the level slider gives reads -171 dBFS at worst (at 1 Hz and 7999 Hz, where a frame
// holds only part of a cycle), while a sine at half the sample rate, zero at every sample
// but for the rounding of its phase, reads -230 dBFS at most.
inline constexpr double ToneFloorDbfs = -200.0;
// The bins a one-sided spectrum of one frame holds: 0 (DC) to 512 (half the sample rate).
inline constexpr int OneSidedBins = FrameLength / 2 + 1;

// What the spectrum of one frame says of a tone's purity, as an analyzer reads it.
//
// Powers are the transform's true power, re^2 + im^2, of each bin; a component's power is
// the sum over its main lobe, taken as wide as the window's own main lobe and centred on
// its highest bin, which by Parseval's theorem is its mean-square value times
// N sum w^2 = ENBW (N CG)^2, whatever the window. The fundamental is the highest bin above
// 0 Hz; harmonics 2 to 10 are sought at whole multiples of its frequency (the power-weighted
// centre of its lobe), folded into 0 to 8000 Hz where they alias. A harmonic that lands on
// the fundamental's lobe cannot be told from it and is left out; one that lands on another
// harmonic's lobe is counted once. The DC bins (as wide as a main lobe) are no one's. What
// is left is noise; the noise in the bins that components cover is estimated from the mean
// of the rest. A figure comparing with nothing at all (no harmonic, no noise, no spur) is
// +infinity, or -infinity for THD.
struct TDistortionFigures {
    bool Silent = true;              // no tone above 0 Hz (none above ToneFloorDbfs): no figures
    double FundamentalHz = 0.0;      // power-weighted centre of the fundamental's lobe
    double FundamentalDbfs = 0.0;    // its power against a full-scale sine (FullScale peak)
    double ThdDb = 0.0;              // harmonics' power against the fundamental's (dBc)
    int HarmonicsMeasured = 0;       // harmonics whose power is counted in THD
    int HarmonicsOnFundamental = 0;  // harmonics that fell on the fundamental's lobe
    double SinadDb = 0.0;            // fundamental against noise and harmonics
    double SnrDb = 0.0;              // fundamental against noise alone
    double SfdrDb = 0.0;             // fundamental's highest bin against the highest other bin
    double SpurHz = 0.0;             // where that other bin lies; 0 when SFDR is infinite
    double EffectiveBits = 0.0;      // (SINAD - 1.76) / 6.02
};

// The main lobe's half width in whole bins, as the figures take it for `window`.
int MainLobeBins(const TWindowFigures& window);

// The figures of the spectrum `bins` (bins 0 to 512 of a forward transform of windowed
// samples in 16-bit units, as TransformFrame leaves SpectrumBuffer), analysed with the
// window whose figures are `window`. A few microseconds; touches no shared state.
TDistortionFigures MeasureDistortion(std::span<const Complex, OneSidedBins> bins,
                                     const TWindowFigures& window);

} // namespace analysis
