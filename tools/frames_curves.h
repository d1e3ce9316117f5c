// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "charts/coder_curve_chart.h"
#include "charts/material_curve_chart.h"
#include "frames_options.h"

#include <iosfwd>

namespace tools {

// The --curves name of `axis`.
std::string_view Describe(analysis::CurveAxis axis);

// The complete curves that --curves asks for, with the tone of the other setting marked
// as the window marks it: the level on the level chart, the frequency on the other.
charts::TCurveChartData ComputeCurves(const FramesOptions& options);

// Writes the curves in the options' format: an aligned table in text (SNR with two
// decimals, "-" where a coder has none), the CSV the window saves, or one JSON object.
void WriteCurvesReport(const FramesOptions& options, const charts::TCurveChartData& data,
                       std::ostream& out);

// The curves of --curves level with --input: every coder on up to 20 s of the file from
// --start, at every gain, the --level marked. Throws InputError if the file cannot be read.
charts::TMaterialChartData ComputeMaterialCurves(const FramesOptions& options);

// Writes them in the options' format: an aligned table in text (per coder its SNR and
// segmental SNR with two decimals, "-" where there is none), the CSV the window saves, or one
// JSON object.
void WriteCurvesReport(const FramesOptions& options, const charts::TMaterialChartData& data,
                       std::ostream& out);

} // namespace tools
