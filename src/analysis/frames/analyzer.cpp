// SPDX-License-Identifier: GPL-3.0-or-later
#include "analyzer.h"

#include "analyzer_state.h"
#include "level_gain.h"
#include "analysis/common/own_arithmetic.h"
#include "tone_range.h"
#include "analysis/windows/window_table.h"

#include <algorithm>
#include <cassert>

namespace analysis {

void StartAnalyzer(WindowKind window, int levelDb) {
    const TOwnArithmetic own;
    ResetAnalyzerToLoadState();
    // As if the window's menu had chosen it, so that whatever asks which window the table
    // holds is told the truth.
    AnalyzerState.CurrentWindowKind = window;
    LoadWindowTable(window);
    ClearSpectrumBuffer();
    SetLevel(levelDb);
}

void ResetAnalyzerToLoadState() {
    AnalyzerState = TAnalyzerState{};
    std::fill(SpectrumBuffer.begin(), SpectrumBuffer.end(), Complex{0.0, 0.0});
    MagnitudeBuffer.fill(0.0);
    WindowTable.fill(0.0f);
}

void ClearSpectrumBuffer() {
    std::fill_n(SpectrumBuffer.begin(), FrameLength + 1, Complex{0.0, 0.0});
}

void SetLevel(int levelDb) {
    const TOwnArithmetic own;
    assert(levelDb >= MinLevelDb && levelDb <= MaxLevelDb);
    AnalyzerState.Gain = GainFromAttenuation(-levelDb);
}

void SelectWindow(WindowKind kind) {
    AnalyzerState.CurrentWindowKind = kind;
}

void LoadWindowTable(WindowKind kind) {
    const TOwnArithmetic own;
    FillWindowTable(kind, WindowTable);
}

bool BeginWindowTableBuild() {
    if (AnalyzerState.WindowTableBusy) {
        return false;
    }
    AnalyzerState.WindowTableBusy = true;
    return true;
}

void EndWindowTableBuild() {
    assert(AnalyzerState.WindowTableBusy);
    AnalyzerState.WindowTableBusy = false;
}

} // namespace analysis
