// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/common/enum_table.h"
#include "analysis/spectrogram/spectrogram_settings.h"
#include "colour_maps.h"

#include <array>
#include <cstdint>
#include <string_view>

#include <QSize>

namespace charts {

// How the frequency axis runs, bottom to top.
enum class FrequencyAxis : std::uint8_t {
    faLinear = 0,      // 0 Hz to 8 kHz in even steps
    faLogarithmic = 1, // 50 Hz to 8 kHz in even ratios
};

struct TFrequencyAxisInfo {
    FrequencyAxis Axis;
    std::string_view Caption;
    std::string_view ToolName; // orvex-frames --frequency-axis value
};

inline constexpr std::array<TFrequencyAxisInfo, 2> FrequencyAxes = {{
    {FrequencyAxis::faLinear, "Linear", "linear"},
    {FrequencyAxis::faLogarithmic, "Logarithmic", "log"},
}};

static_assert(analysis::RowsInEnumOrder(FrequencyAxes,
                                        [](const TFrequencyAxisInfo& row) { return row.Axis; }));

inline constexpr double LowestLogFrequencyHz = 50.0;
inline constexpr double HighestFrequencyHz = analysis::SampleRate / 2.0;

// Which way time runs across the picture.
enum class TimeDirection : std::uint8_t {
    tdLeftToRight = 0, // later to the right: the newest column at the right edge, as a chart
                       // recorder writes and as sound editors lay out a file (the default)
    tdRightToLeft = 1, // the newest column at the left edge
};

// What the picture shows and how.
struct TSpectrogramLook {
    std::array<bool, analysis::SpectrogramLaneCount> Lanes{true, true, true}; // shown, top down
    FrequencyAxis Axis = FrequencyAxis::faLinear;
    ColourMap Colours = DefaultColourMap;
    // The level drawn in the map's loudest colour and the floor, drawn (with everything
    // below it) in its quietest; TopDb > FloorDb, both within the stored levels
    // (spectrogram_levels.h).
    double TopDb = analysis::DefaultSpectrogramTopDb;
    double FloorDb = analysis::DefaultSpectrogramFloorDb;
    TimeDirection Direction = TimeDirection::tdLeftToRight;
    int TransformLength = analysis::DefaultSpectrogramTransform; // its bins are the codes'
    // The time one slot (pixel column) stands for: a column's hop when every column gets a
    // slot of its own.
    double SecondsPerSlot = 1.0 / analysis::SpectrogramColumnsPerSecond;
};

// The picture's size in the tool unless it is given, and the least size it is drawn at.
inline constexpr QSize DefaultSpectrogramSize{1200, 720};
inline constexpr QSize MinimumSpectrogramSize{240, 160};
// The largest picture the window draws, however large it is made: more than the largest
// screens show (7680 x 4320), and at 4 bytes a pixel for the picture and again for its ring,
// 283 MB at most, where a window of 16000 x 16000 would take 2 GB for pixels no one sees.
inline constexpr QSize LargestWindowSpectrogramSize{8192, 4320};

} // namespace charts
