// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace analysis {

// The tone the analyzer can synthesise, and the one it starts with. The window's sliders,
// the headless tool and the tests all take their ranges from here.

// Frequency in whole hertz. 8000 Hz is half the sample rate, the top of the plotted bins.
inline constexpr int MinFrequencyHz = 0;
inline constexpr int MaxFrequencyHz = 8000;
inline constexpr int StartFrequencyHz = 1000;

// Level in whole decibels relative to a full-scale tone: 0 is full scale, -160 the quietest.
inline constexpr int MinLevelDb = -160;
inline constexpr int MaxLevelDb = 0;
inline constexpr int StartLevelDb = 0;

} // namespace analysis
