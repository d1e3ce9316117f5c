// SPDX-License-Identifier: GPL-3.0-or-later
// The headless tool's command line: the input is the argument list, each argument ended by a
// NUL byte (an argument cannot hold one). Whatever the arguments, the parser either returns
// options within their ranges or throws UsageError with a one-line message free of
// control characters; the quoted echo of any argument is a bounded, printable single line.

#include "frames_options.h"
#include "fuzz_support.h"

#include "analysis/frames/analyzer_state.h"
#include "analysis/coding/coding_mode.h"
#include "analysis/frames/tone_range.h"
#include "analysis/windows/window_kind.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

using fuzz::Require;

constexpr std::size_t MaxArguments = 32;

// Control characters, C0 and DEL, and C1 written as UTF-8, would break the line or steer
// the terminal.
bool PrintableLine(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x20 || byte == 0x7F) {
            return false;
        }
        if (byte == 0xC2 && i + 1 < text.size() &&
            static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
            static_cast<unsigned char>(text[i + 1]) < 0xA0) {
            return false;
        }
    }
    return true;
}

void CheckQuoted(std::string_view argument) {
    const std::string quoted = tools::QuotedValue(argument);
    Require(quoted.size() >= 2 && quoted.front() == '\'', "a quoted value does not start quoted");
    Require(PrintableLine(quoted), "a quoted value holds a control character");
    // Each echoed character takes at most four bytes, as a UTF-8 sequence or an escape.
    Require(quoted.size() <= 2 + 4 * tools::EchoedValueLength + 3, "a quoted value is not cut");
}

void CheckOptions(const tools::FramesOptions& options) {
    Require(analysis::MinFrequencyHz <= options.FrequencyHz &&
                options.FrequencyHz <= analysis::MaxFrequencyHz,
            "frequency out of range");
    Require(analysis::MinLevelDb <= options.LevelDb && options.LevelDb <= analysis::MaxLevelDb,
            "level out of range");
    Require(static_cast<std::size_t>(options.Mode) < analysis::CodingModes.size(),
            "unknown coding mode");
    Require(static_cast<std::size_t>(options.Window) < analysis::WindowKinds.size(),
            "unknown window");
    Require(static_cast<std::size_t>(options.Format) < tools::FramesFormats.size(),
            "unknown format");
    Require(options.Frames >= 1, "fewer than one frame");
    // --window-figures runs no frames: whatever would shape one was refused.
    Require(options.Report != tools::FramesReport::frWindowFigures ||
                (options.PngPath.empty() && options.Frames == 1 &&
                 options.FrequencyHz == analysis::StartFrequencyHz),
            "--window-figures took an option it has no use for");
    Require(options.Markers.size() <= 2, "more than two markers");
    for (const int bin : options.Markers) {
        Require(0 <= bin && bin < analysis::PlottedBins, "a marker off the plot");
    }
    Require(options.Average == 0 || options.Average == 4 || options.Average == 16 ||
                options.Average == 64,
            "an average over a count the views do not offer");
    const long long withHistory = tools::FramesToRunWithHistory(options.Frames);
    Require(1 <= withHistory && withHistory <= 126 + 125 && withHistory <= options.Frames,
            "more frames to compute for the views than ever needed");
    const long long toRun = tools::FramesToRun(options.Frames);
    Require(1 <= toRun && toRun <= 126, "more frames to compute than ever needed");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> arguments;
    std::size_t start = 0;
    while (start < text.size() && arguments.size() < MaxArguments) {
        std::size_t end = text.find('\0', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        arguments.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    for (const std::string_view argument : arguments) {
        CheckQuoted(argument);
    }
    try {
        CheckOptions(tools::ParseFramesOptions(arguments));
    } catch (const tools::UsageError& error) {
        const std::string_view message = error.what();
        Require(!message.empty(), "an empty usage error");
        Require(message.find('\n') == std::string_view::npos, "a usage error spans lines");
        Require(PrintableLine(message), "a usage error holds a control character");
    }
    return 0;
}
