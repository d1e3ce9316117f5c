// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/figures/material_meter.h"

#include <array>
#include <string>
#include <string_view>

namespace display {

// One column of the coders' figures over material, as the headless tool's table, CSV and
// JSON and the "Coder figures" window all name and show it.
struct TMaterialColumn {
    std::string_view Key;     // CSV header and JSON key
    std::string_view Heading; // heading of the text table and of the window's column
    int Decimals;             // in text: decibels to a hundredth, errors finer; -1 for a count
    double (*Value)(const analysis::TMaterialFigures&);
};

inline constexpr std::array<TMaterialColumn, 6> MaterialColumns = {{
    {"snr_db", "SNR (dB)", 2, [](const analysis::TMaterialFigures& f) { return f.SnrDb; }},
    {"segmental_snr_db", "segmental SNR (dB)", 2,
     [](const analysis::TMaterialFigures& f) { return f.SegmentalSnrDb; }},
    {"segments", "segments", -1,
     [](const analysis::TMaterialFigures& f) { return static_cast<double>(f.Segments); }},
    {"log_spectral_distance_db", "LSD (dB)", 2,
     [](const analysis::TMaterialFigures& f) { return f.LogSpectralDistanceDb; }},
    // A coder's output need not be a whole 16-bit step.
    {"largest_error", "largest error", 4,
     [](const analysis::TMaterialFigures& f) { return f.LargestError; }},
    {"active_level_db", "active level (dB)", 2,
     [](const analysis::TMaterialFigures& f) { return f.ActiveLevelDb; }},
}};

// The CSV header of the figures: "file,coder," and the columns' keys, without a line end.
std::string MaterialCsvHeader();

// One CSV row of the figures, without a line end: the file name (quoted where it must be),
// the coder's tool name, each figure as its shortest exact text, "inf" for an exact coder's
// SNR and nothing where a figure compares nothing.
std::string MaterialCsvRow(const std::string& file, std::string_view coder,
                           const analysis::TMaterialFigures& figures);

// A figure as text: with the column's decimals, "inf" for an exact coder's SNR, "-" where it
// compares nothing.
std::string MaterialCellText(const TMaterialColumn& column,
                             const analysis::TMaterialFigures& figures);

// `text` as a CSV field: quoted, its quotes doubled, when it holds a separator, a quote or a
// line break.
std::string CsvField(const std::string& text);

// The shortest text that reads back as exactly `value` (finite).
std::string ShortestText(double value);

} // namespace display
