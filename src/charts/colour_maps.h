// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/common/enum_table.h"

#include <array>
#include <cstdint>
#include <string_view>

#include <QRgb>

namespace charts {

// The colour maps a spectrogram is drawn in: three perceptually uniform ones (even steps of
// level look like even steps of colour, and they read the same to most colour-blind eyes and
// in grey print) and plain grey.
enum class ColourMap : std::uint8_t {
    clViridis = 0,
    clMagma = 1,
    clInferno = 2,
    clGrey = 3,
};

struct TColourMapInfo {
    ColourMap Map;
    std::string_view Caption;  // its name in a menu
    std::string_view ToolName; // orvex-frames --colour-map value
};

// In the enum's order.
inline constexpr std::array<TColourMapInfo, 4> ColourMaps = {{
    {ColourMap::clViridis, "Viridis", "viridis"},
    {ColourMap::clMagma, "Magma", "magma"},
    {ColourMap::clInferno, "Inferno", "inferno"},
    {ColourMap::clGrey, "Grey", "grey"},
}};

static_assert(analysis::RowsInEnumOrder(ColourMaps,
                                        [](const TColourMapInfo& row) { return row.Map; }));

// Viridis: its quietest colour, a dark violet, stays apart from the chart's background, so a
// floor is not mistaken for time with nothing recorded; the best known of the three.
inline constexpr ColourMap DefaultColourMap = ColourMap::clViridis;

// The entries of every map, from the quietest (0) to the loudest.
inline constexpr int ColourMapEntries = 256;

// Entry `index` (0 to 255) of `map`, each component rounded to 8 bits.
QRgb ColourMapEntry(ColourMap map, int index);

} // namespace charts
