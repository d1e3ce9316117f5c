#pragma once

#include <string>

namespace display {

// What the level and frequency sliders show and set, from their positions.
struct TLevelReadout {
    std::string LevelText;     // "- 20 dB": the attenuation below full scale
    std::string FrequencyText; // "1000 Hz"
    double Gain;               // linear amplitude factor of the tone
};

// The level slider runs from 0 (-160 dB) to 160 (0 dB); the frequency slider is in hertz.
// Numbers are written with "." as decimal separator and no grouping, whatever the locale.
// The caller passes positions within the sliders' ranges (0..160 and 0..8000).
TLevelReadout ReadLevelControls(int levelPosition, int frequencyPosition);

// "- N dB" for an attenuation of N decibels (0 to 160).
std::string FormatLevelText(int attenuationDb);

// "N Hz".
std::string FormatFrequencyText(int frequencyHz);

} // namespace display
