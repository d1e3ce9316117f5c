// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/frames/tone_range.h"
#include "controls/gauge_slider.h"

#include <string>
#include <string_view>

namespace display {

// Range, start and steps of one of the window's sliders, in slider positions.
struct TGaugeRange {
    int Min;
    int Max;
    int Start;
    int SmallStep; // an arrow click
    int LargeStep; // a click on the track
};

// The level slider's position p stands for the level p - 160 dB: the left end is -160 dB,
// the right end full scale.
inline constexpr TGaugeRange LevelGaugeRange{0, analysis::MaxLevelDb - analysis::MinLevelDb,
                                             analysis::StartLevelDb - analysis::MinLevelDb, 1, 10};
// The frequency slider's position is the frequency in hertz.
inline constexpr TGaugeRange FrequencyGaugeRange{analysis::MinFrequencyHz, analysis::MaxFrequencyHz,
                                                 analysis::StartFrequencyHz, 1, 10};

// Gives `gauge` the window sliders' shared flat look and `range`.
void ConfigureGauge(controls::TGaugeSlider& gauge, const TGaugeRange& range);

// What the level and frequency sliders show and set, from their positions.
struct TLevelReadout {
    std::string LevelText;     // "- 20 dB": the attenuation below full scale
    std::string FrequencyText; // "1000 Hz"
    int LevelDb;               // the tone's level, MinLevelDb to MaxLevelDb
};

// The level reads "- N dB" for N decibels below full scale, the frequency "N Hz". Numbers
// are written with "." as decimal separator and no grouping, whatever the locale.
// The caller passes positions within the sliders' ranges.
TLevelReadout ReadLevelControls(int levelPosition, int frequencyPosition);

// With a recorded source (a sound file) the level slider is a gain on it: "gain - N dB" for
// `levelDb` = -N; the frequency read-out says there is no tone to set.
std::string SourceGainText(int levelDb);
inline constexpr std::string_view NoFrequencyText = "no tone";

} // namespace display
