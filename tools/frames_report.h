// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/frames/analyzer_state.h"
#include "analysis/figures/distortion_figures.h"
#include "display/plot_views.h"
#include "frames_options.h"
#include "sound/sound_file.h"

#include <array>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <stdexcept>
#include <string>

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

// An input that cannot be read or does not hold what was asked of it; what() is the one line
// for standard error.
class InputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Opens options.InputPath at options.StartSeconds. Throws InputError if it cannot be read or
// the start lies past its end.
std::unique_ptr<sound::TSoundFile> OpenInput(const FramesOptions& options);

// The shortest text that reads back as exactly `value` (a finite one).
std::string Shortest(double value);

// Whether the report or the picture that `options` ask for needs frames to be run.
bool NeedsFrames(const FramesOptions& options);

// Starts the analyzer afresh (sample clock at 0) and runs the frames that `options` ask
// for, as few as FramesToRun allows for the tone; returns the last one. With an input file,
// runs every frame asked for from --start, and throws InputError if the file cannot be read
// or its first frames do not start within it.
LastFrame RunLastFrame(const FramesOptions& options);

// Writes the report that `options` ask for about `frame` in their format; not for
// FramesReport::frMaterial (frames_material.h) nor frSoundOnly, which prints nothing.
// With FramesReport::frWindowFigures or frCurves, `frame` is not read (the curves are
// computed here).
void WriteReport(const FramesOptions& options, const LastFrame& frame, std::ostream& out);

// RunLastFrame unless the report is about the windows, then WriteReport.
void RunFrames(const FramesOptions& options, std::ostream& out);

} // namespace tools
