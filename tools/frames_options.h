#pragma once

#include "analysis/coding_mode.h"
#include "analysis/tone_range.h"
#include "analysis/window_kind.h"

#include <cstdint>
#include <iosfwd>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tools {

// What orvex-frames computes; the defaults are the analyzer's start-up settings.
struct FramesOptions {
    std::int32_t FrequencyHz = analysis::StartFrequencyHz;
    int LevelDb = analysis::StartLevelDb; // MinLevelDb to MaxLevelDb
    analysis::CodingMode Mode = analysis::StartCodingMode;
    analysis::WindowKind Window = analysis::StartWindowKind;
    long long Frames = 1;
    bool PrintSamples = false;
    bool ShowHelp = false;
};

// A bad command line; what() is the one-line message for standard error.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The text of --help.
std::string FramesUsage();

// Parses the arguments after the program name. Throws UsageError on an unknown option, a
// missing or unknown value, or a value out of its range.
FramesOptions ParseFramesOptions(std::span<const std::string_view> arguments);

// Runs the frames from the freshly loaded analyzer state and writes the last frame's 512
// ordinates (or its 1024 coded samples) to `out`, one per line.
void RunFrames(const FramesOptions& options, std::ostream& out);

} // namespace tools
