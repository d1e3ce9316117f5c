// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/common/frame_sizes.h"
#include "window_kind.h"

#include <span>

namespace analysis {

// What an analysis window does to a tone, measured on the single-precision table that a
// window build leaves in WindowTable (not on the formula). Bins are transform bins of the
// 1024-point frame, 15.625 Hz each.
struct TWindowFigures {
    double CoherentGain;      // sum of w / N: the amplitude a tone on a bin keeps
    double EnbwBins;          // equivalent noise bandwidth: N sum w^2 / (sum w)^2
    double ScallopingLossDb;  // how much lower, in dB, a tone half a bin off centre reads
    double Width3DbBins;      // main-lobe width at half the peak's power (3.01 dB below it)
    double Width6DbBins;      // ... at half its amplitude (6.02 dB below it)
    double HighestSideLobeDb; // highest side lobe against the main lobe's peak (negative)
    double MainLobeHalfWidthBins; // from the centre to the main lobe's first trough
};

// The lobes are measured on the window's transform zero-padded to this many times its
// length, so the response is known every 1/64 of a bin; the widths are then refined
// between those points to a thousandth of a bin or better. The main lobe is what lies
// from the centre to the first trough; side lobes are sought up to half the sample rate.
inline constexpr int WindowFiguresPadding = 64;

// The figures of any window table of one frame's length whose coefficients sum to more
// than 0 (a window that passes a tone on a bin); a few milliseconds.
TWindowFigures MeasureWindowFigures(std::span<const float, FrameLength> table);

// The figures of the table that choosing `kind` builds; each kind is measured once, on
// first use, without touching WindowTable, and kept in static storage (from one thread).
const TWindowFigures& WindowFiguresOf(WindowKind kind);

} // namespace analysis
