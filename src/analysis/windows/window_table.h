// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/common/frame_sizes.h"
#include "window_kind.h"

#include <span>

namespace analysis {

// Normalised sinc, sin(pi x) / (pi x), with 1 at x = 0; evaluated in extended precision
// and rounded to single.
float Sinc(float x);

// Computes the 1024 coefficients of `kind` into `table`, each evaluated in extended
// precision and rounded to single. All windows except Kaiser are periodic (peak at 512,
// symmetric about it); Kaiser (beta 20) is the symmetric form over 0..1023.
void FillWindowTable(WindowKind kind, std::span<float, FrameLength> table);

// The same formulas at any even length of at least 2 (a spectrogram's 512 or 2048 points):
// periodic over table.size() (Kaiser symmetric over 0 .. size - 1), the Gaussian's width a
// quarter of the length. At 1024 it fills exactly the bits FillWindowTable does.
void FillWindow(WindowKind kind, std::span<float> table);

} // namespace analysis
