// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "spectrogram_settings.h"

#include <span>
#include <string>

namespace analysis {

// A spectrogram as numbers, the same from the headless tool and from the window: a header
// "time_s,lane" and each bin's centre frequency in hertz, then one row per column and lane.

// Appends the header of a spectrogram at `transformLength`, with its line end.
void AppendSpectrogramCsvHeader(std::string& text, int transformLength);

// Appends one row: the column's time in seconds, the lane's name (its ToolName) and each
// bin's level in dB with two decimals, empty below `floorDb` (and where it is -infinity).
void AppendSpectrogramCsvRow(std::string& text, double seconds, SpectrogramLane lane,
                             std::span<const double> levelsDb, double floorDb);

} // namespace analysis
