// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/figures/coder_figures.h"
#include "analysis/coding/coding_mode.h"
#include "analysis/figures/distortion_figures.h"
#include "analysis/windows/window_figures.h"

#include <string>
#include <vector>

namespace display {

// The texts of the window's tooltips. Figures are written with two decimals and "." as
// decimal separator, whatever the locale; a figure that rounds to zero reads "0.00", never
// "-0.00". Lines are separated by '\n'.

// The level, in dB relative to a full-scale tone, of a bin whose normalised value in the
// frame pipeline is `binValue` (at least 1): the peak bin of a full-scale tone reads about
// 0 dB.
double BinLevelDb(double binValue);

// `value` in fixed notation with `decimals` decimals and a full stop, whatever the locale;
// a value that rounds to zero never reads as a signed "-0.00".
std::string FixedText(double value, int decimals);

// The pointer read-out of the spectrum display, for the bin shown in column `bin` with its
// normalised value: "Bin 64: 1000.000 Hz, -0.01 dB". A value below 1 lies below the plot's
// floor, and the text says so instead of giving a level.
std::string BinReadoutText(int bin, double binValue);

// A coding-mode button's tooltip: `figures` are those of `mode` for the tone at
// `frequencyHz` and `levelDb`. The uncoded mode reads as the reference whatever its figures.
std::string CoderFiguresText(const analysis::TCodingModeInfo& mode, int frequencyHz, int levelDb,
                             const analysis::TCoderFigures& figures);

// A window menu item's tooltip: the figures of the table the item builds, with how finely
// the lobes were measured.
std::string WindowFiguresText(const analysis::TWindowFigures& figures);

// One bin of the plotted trace: its number and its normalised value.
struct TBinReading {
    int Bin;
    double Value;
};

// A marker's read-out: "bin 64, 1000.000 Hz, -0.01 dB", on the pointer read-out's scale.
std::string MarkerText(const TBinReading& reading);

// The second marker against the first: "M2-M1: +500.000 Hz, -20.00 dB"; the level
// difference is left out where either lies below the plot's floor.
std::string MarkerDifferenceText(const TBinReading& first, const TBinReading& second);

// The distortion figures as lines: the fundamental, THD (with the harmonics that fell on
// the fundamental), SINAD, SNR, SFDR with its spur, and the effective bits; a figure that
// compares with nothing (an infinite one) reads "none", and SFDR then names no spur. No tone
// gives the one line "No tone to measure".
std::vector<std::string> DistortionFiguresLines(const analysis::TDistortionFigures& figures);

// The coding mode's SNR against the uncoded tone, named apart from the spectrum's SINAD:
// "Coder SNR (coded - exact): 91.93 dB", or why there is none.
std::string CoderSnrText(const analysis::TCodingModeInfo& mode,
                         const analysis::TCoderFigures& figures);

} // namespace display
