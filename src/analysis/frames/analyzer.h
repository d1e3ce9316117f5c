// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/windows/window_kind.h"

namespace analysis {

// The one way in for everything outside the analysis that changes the analyzer's
// module-level state (AnalyzerState, SpectrumBuffer, WindowTable). Frames themselves run
// through ComputeFrame and its steps (frame_pipeline.h).

// Puts the analyzer in the state the window leaves it in once it is created: every
// module-level variable as at program load (sample clock at 0), WindowTable holding
// `window` and CurrentWindowKind naming it, SpectrumBuffer entries 0 to 1024 zeroed and Gain set for `levelDb`
// (MinLevelDb to MaxLevelDb). The window itself runs these steps one by one, because it
// lets messages run between them; the headless tool, the tests and the benchmarks call this.
void StartAnalyzer(WindowKind window, int levelDb);

// Puts every module-level variable back to its value at program load.
void ResetAnalyzerToLoadState();

// Zeroes entries 0 to 1024 of SpectrumBuffer, as the window does once when it is created.
void ClearSpectrumBuffer();

// Sets Gain for a tone `levelDb` decibels relative to full scale (MinLevelDb to MaxLevelDb).
void SetLevel(int levelDb);

// Records the window last chosen in the window menu.
void SelectWindow(WindowKind kind);

// Fills WindowTable with the coefficients of `kind`.
void LoadWindowTable(WindowKind kind);

// Marks a window-table build as running, so that a build cannot start inside another one
// (a build lets pending messages run). Returns false, changing nothing, if one already runs.
bool BeginWindowTableBuild();
void EndWindowTableBuild();

} // namespace analysis
