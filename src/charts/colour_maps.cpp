// SPDX-License-Identifier: GPL-3.0-or-later
#include "colour_maps.h"

#include "colour_map_tables.h"

#include <cassert>
#include <cmath>

namespace charts {
namespace {

int Component(float unit) {
    return static_cast<int>(std::lround(unit * 255.0f));
}

QRgb FromEntry(const tables::TMapEntry& entry) {
    return qRgb(Component(entry.Red), Component(entry.Green), Component(entry.Blue));
}

} // namespace

QRgb ColourMapEntry(ColourMap map, int index) {
    assert(index >= 0 && index < ColourMapEntries);
    const auto at = static_cast<std::size_t>(index);
    switch (map) {
    case ColourMap::clViridis:
        return FromEntry(tables::Viridis[at]);
    case ColourMap::clMagma:
        return FromEntry(tables::Magma[at]);
    case ColourMap::clInferno:
        return FromEntry(tables::Inferno[at]);
    case ColourMap::clGrey:
        return qRgb(index, index, index);
    }
    return qRgb(0, 0, 0);
}

} // namespace charts
