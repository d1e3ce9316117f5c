// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/figures/material_meter.h"
#include "frames_options.h"

#include <cstdint>
#include <iosfwd>
#include <span>
#include <string>
#include <vector>

namespace tools {

// What --measure finds in one --input file, for each coder of options.MaterialCoders in
// their order.
struct MaterialFile {
    std::string Path;
    std::int64_t StartSample = 0; // where the measure began, at 16000 Hz (--start)
    std::vector<analysis::TMaterialFigures> Figures;
    // Each coder's options.WorstMoments worst segments, worst first; their first samples
    // count from StartSample.
    std::vector<std::vector<analysis::TWorstMoment>> Worst;
    // Why the file could not be measured, as the one line for standard error; empty when it
    // was, and then Figures and Worst hold a row per coder.
    std::string Error;
};

// Measures every --input file of `options` (InputPath, then MoreInputPaths) from --start at
// --level's gain through each coder, on up to `threads` threads at once: the files side by
// side, and one file's coders shared out when there are fewer files than threads. Each
// thread reads the file for itself, so nothing is shared but the results' slots. A file that
// cannot be read gives its Error and keeps the others. On a terminal, standard error says
// first how much sound there is ("measuring 'x.wav' (133:20:00 of sound)") and then how far
// the measure has come; the line is cleared at the end.
std::vector<MaterialFile> MeasureMaterial(const FramesOptions& options, unsigned threads);

// Writes the table of the files that were measured in options.Format: text and CSV one
// row per file and coder (with --worst, text adds the worst segments after the table and
// CSV lists them instead of the figures), JSON one object.
void WriteMaterialReport(const FramesOptions& options, std::span<const MaterialFile> files,
                         std::ostream& out);

} // namespace tools
