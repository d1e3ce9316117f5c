#include "frames_options.h"

#include "analysis/analyzer.h"
#include "analysis/analyzer_state.h"
#include "analysis/frame_pipeline.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <limits>
#include <ostream>
#include <utility>

namespace tools {
namespace {

using analysis::CodingMode;
using analysis::WindowKind;

std::string Quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}

// Parses a whole decimal number (optional minus sign, digits only) within [low, high].
long long ParseWhole(std::string_view option, std::string_view text, long long low, long long high,
                     const std::string& allowed) {
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < low ||
        value > high) {
        throw UsageError(std::string(option) + " must be " + allowed + ", not " + Quoted(text));
    }
    return value;
}

// The tool's names of a table's rows, "a|b|c".
template <typename Table>
std::string NameList(const Table& table) {
    std::string names;
    for (const auto& row : table) {
        names += names.empty() ? "" : "|";
        names += row.ToolName;
    }
    return names;
}

// The row of `table` whose tool name is `text`.
template <typename Table>
const auto& ParseName(std::string_view option, std::string_view text, const Table& table) {
    for (const auto& row : table) {
        if (row.ToolName == text) {
            return row;
        }
    }
    throw UsageError(std::string(option) + " must be one of " + NameList(table) + ", not " +
                     Quoted(text));
}

// "prefix a|b|c]" broken after a bar wherever a line would pass `width` columns; the
// continuation lines are indented by `indent` blanks.
std::string WrappedNameList(std::string prefix, const std::string& names, std::size_t indent,
                            std::size_t width) {
    std::string text;
    std::string line = std::move(prefix);
    std::size_t start = 0;
    while (start < names.size()) {
        std::size_t end = names.find('|', start);
        end = end == std::string::npos ? names.size() : end + 1;
        const std::string_view name(names.data() + start, end - start);
        if (line.size() + name.size() > width && line.back() == '|') {
            text += line + "\n";
            line = std::string(indent, ' ');
        }
        line += name;
        start = end;
    }
    return text + line + "]\n";
}

} // namespace

std::string FramesUsage() {
    using analysis::CodingModes;
    using analysis::WindowKinds;
    constexpr std::string_view Indent = "                    ";
    return "usage: orvex-frames [--freq HZ] [--level DB] [--mode " + NameList(CodingModes) + "]\n" +
           WrappedNameList(std::string(Indent) + "[--window ", NameList(WindowKinds),
                           Indent.size() + 10, 90) +
           std::string(Indent) +
           "[--frames N] [--samples]\n"
           "\n"
           "Runs N analyzer frames from a fresh start (sample clock at 0) and prints the 512 plot\n"
           "ordinates of the last frame, one per line; with --samples, the 1024 coded samples of "
           "the\n"
           "last frame (before windowing) with 17 significant digits instead.\n"
           "\n"
           "  --freq HZ      tone frequency, whole hertz from " +
           std::to_string(analysis::MinFrequencyHz) + " to " +
           std::to_string(analysis::MaxFrequencyHz) + " (default " +
           std::to_string(analysis::StartFrequencyHz) +
           ")\n"
           "  --level DB     tone level, whole decibels from " +
           std::to_string(analysis::MinLevelDb) + " to " + std::to_string(analysis::MaxLevelDb) +
           " (default " + std::to_string(analysis::StartLevelDb) +
           ", full scale)\n"
           "  --mode MODE    sample coding (default " +
           std::string(analysis::Describe(analysis::StartCodingMode).ToolName) +
           ")\n"
           "  --window KIND  analysis window (default " +
           std::string(analysis::Describe(analysis::StartWindowKind).ToolName) +
           ", beta 20)\n"
           "  --frames N     number of frames to run, at least 1 (default 1)\n"
           "  --samples      print the coded samples instead of the ordinates\n"
           "  --help         print this text\n";
}

FramesOptions ParseFramesOptions(std::span<const std::string_view> arguments) {
    FramesOptions options;
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        std::string_view option = arguments[index];
        std::string_view value;
        bool hasInlineValue = false;
        if (const auto equals = option.find('=');
            option.starts_with("--") && equals != option.npos) {
            value = option.substr(equals + 1);
            option = option.substr(0, equals);
            hasInlineValue = true;
        }

        if (option == "--help" || option == "-h") {
            options.ShowHelp = true;
            continue;
        }
        if (option == "--samples") {
            if (hasInlineValue) {
                throw UsageError("--samples takes no value");
            }
            options.PrintSamples = true;
            continue;
        }
        const bool takesValue = option == "--freq" || option == "--level" || option == "--mode" ||
                                option == "--window" || option == "--frames";
        if (!takesValue) {
            throw UsageError("unknown option " + Quoted(option) + " (see --help)");
        }
        if (!hasInlineValue) {
            if (index + 1 >= arguments.size()) {
                throw UsageError(std::string(option) + " needs a value");
            }
            value = arguments[++index];
        }

        if (option == "--freq") {
            options.FrequencyHz = static_cast<std::int32_t>(ParseWhole(
                option, value, analysis::MinFrequencyHz, analysis::MaxFrequencyHz,
                "a whole number of hertz from " + std::to_string(analysis::MinFrequencyHz) +
                    " to " + std::to_string(analysis::MaxFrequencyHz)));
        } else if (option == "--level") {
            options.LevelDb = static_cast<int>(ParseWhole(
                option, value, analysis::MinLevelDb, analysis::MaxLevelDb,
                "a whole number of decibels from " + std::to_string(analysis::MinLevelDb) + " to " +
                    std::to_string(analysis::MaxLevelDb)));
        } else if (option == "--mode") {
            options.Mode = ParseName(option, value, analysis::CodingModes).Mode;
        } else if (option == "--window") {
            options.Window = ParseName(option, value, analysis::WindowKinds).Kind;
        } else {
            options.Frames = ParseWhole(option, value, 1, std::numeric_limits<long long>::max(),
                                        "a whole number of frames, at least 1");
        }
    }
    return options;
}

void RunFrames(const FramesOptions& options, std::ostream& out) {
    using namespace analysis;
    StartAnalyzer(options.Window, options.LevelDb);

    static std::array<std::int32_t, PlottedBins> ordinates;
    static std::array<double, FrameLength> samples;
    for (long long frame = 1; frame < options.Frames; ++frame) {
        ComputeFrame(options.FrequencyHz, options.Mode, ordinates);
    }
    SynthesiseFrame(options.FrequencyHz, options.Mode, samples);
    TransformFrame();
    ComputeOrdinates(ordinates);

    if (options.PrintSamples) {
        char line[64];
        for (const double sample : samples) {
            std::snprintf(line, sizeof line, "%.17g\n", sample);
            out << line;
        }
    } else {
        for (const std::int32_t ordinate : ordinates) {
            out << ordinate << '\n';
        }
    }
}

} // namespace tools
