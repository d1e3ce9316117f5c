// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/frames/analyzer_state.h"
#include "analysis/common/enum_table.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace analysis {

// What a spectrogram shows of a source, one lane each: the source's samples uncoded, as the
// coding mode codes them, and the coding error alone (coded minus original).
enum class SpectrogramLane : std::uint8_t {
    slOriginal = 0,
    slCoded = 1,
    slError = 2,
};

struct TSpectrogramLaneInfo {
    SpectrogramLane Lane;
    std::string_view Caption;  // the lane's title in the picture
    std::string_view ToolName; // its name in orvex-frames --lanes and in the CSV rows
};

// In the enum's order, which is also the order of the lanes from top to bottom.
inline constexpr std::array<TSpectrogramLaneInfo, 3> SpectrogramLanes = {{
    {SpectrogramLane::slOriginal, "Original", "original"},
    {SpectrogramLane::slCoded, "Coded", "coded"},
    {SpectrogramLane::slError, "Error", "error"},
}};

inline constexpr int SpectrogramLaneCount = static_cast<int>(SpectrogramLanes.size());

static_assert(RowsInEnumOrder(SpectrogramLanes,
                              [](const TSpectrogramLaneInfo& row) { return row.Lane; }));

constexpr const TSpectrogramLaneInfo& Describe(SpectrogramLane lane) {
    return SpectrogramLanes[static_cast<std::size_t>(lane)];
}

// A column is computed every SpectrogramHop samples (16 ms, 62.5 columns a second) over the
// last TransformLength samples, whatever that length; 1024 unless the user picks another.
inline constexpr int SpectrogramHop = 256;
inline constexpr std::array<int, 3> SpectrogramTransformLengths = {512, 1024, 2048};
inline constexpr int DefaultSpectrogramTransform = FrameLength;
inline constexpr double SpectrogramColumnsPerSecond =
    static_cast<double>(SampleRate) / SpectrogramHop;

// The bins of a column: 0 (DC) to half the sample rate, transformLength / 2 + 1 of them.
constexpr int SpectrogramBins(int transformLength) {
    return transformLength / 2 + 1;
}

// The levels the picture spans by default: a full-scale tone on a bin at the top (0 dB),
// anything 120 dB below it or lower in the colour of the floor.
inline constexpr double DefaultSpectrogramTopDb = 0.0;
inline constexpr double DefaultSpectrogramFloorDb = -120.0;

// The history keeps the columns of this long, in seconds, at every transform length.
inline constexpr int SpectrogramHistorySeconds = 600;

} // namespace analysis
