// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/analyzer_state.h"
#include "analysis/distortion_figures.h"
#include "display/plot_views.h"
#include "frames_options.h"

#include <array>
#include <cstdint>
#include <iosfwd>

namespace tools {

// The last frame of a run, with everything the reports and the picture take from it.
struct LastFrame {
    std::array<std::int32_t, analysis::PlottedBins> Ordinates{};
    std::array<double, analysis::PlottedBins> BinValues{};    // analysis::BinValue of each bin
    std::array<double, analysis::FrameLength> Samples{};      // coded, before windowing
    std::array<std::int32_t, analysis::FrameLength> Clocks{}; // each sample's clock value
    display::TPlotViews Views; // as the options set them, after every frame run
    analysis::TDistortionFigures Distortion; // with --measure
};

// Whether the report or the picture that `options` ask for needs frames to be run.
bool NeedsFrames(const FramesOptions& options);

// Starts the analyzer afresh (sample clock at 0) and runs the frames that `options` ask
// for, as few as FramesToRun allows; returns the last one.
LastFrame RunLastFrame(const FramesOptions& options);

// Writes the report that `options` ask for about `frame` in their format.
// With FramesReport::frWindowFigures or frCurves, `frame` is not read (the curves are
// computed here).
void WriteReport(const FramesOptions& options, const LastFrame& frame, std::ostream& out);

// RunLastFrame unless the report is about the windows, then WriteReport.
void RunFrames(const FramesOptions& options, std::ostream& out);

} // namespace tools
