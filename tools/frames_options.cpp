#include "frames_options.h"

#include "analysis/analyzer_state.h"
#include "analysis/frame_pipeline.h"
#include "analysis/level_gain.h"
#include "analysis/window_table.h"

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

constexpr std::int32_t MaxFrequencyHz = 8000;

constexpr std::array<std::pair<std::string_view, CodingMode>, 5> ModeNames = {{
    {"pcm", CodingMode::cmPCM},
    {"sqrt", CodingMode::cmOrvexSqrt},
    {"iter1", CodingMode::cmIter1},
    {"iter2", CodingMode::cmIter2},
    {"iter3", CodingMode::cmIter3},
}};

constexpr std::array<std::pair<std::string_view, WindowKind>, 11> WindowNames = {{
    {"rectangular", WindowKind::wkRectangular},
    {"triangular", WindowKind::wkTriangular},
    {"sine", WindowKind::wkSine},
    {"gaussian", WindowKind::wkGaussian},
    {"lanczos", WindowKind::wkLanczos},
    {"hamming", WindowKind::wkHamming},
    {"hann", WindowKind::wkHann},
    {"blackman", WindowKind::wkBlackman},
    {"nuttall", WindowKind::wkNuttall},
    {"kaiser", WindowKind::wkKaiser},
    {"flattop", WindowKind::wkFlatTop},
}};

std::string Quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}

// Parses a whole decimal number (optional minus sign, digits only) within [low, high].
long long ParseWhole(std::string_view option, std::string_view text, long long low, long long high,
                     std::string_view allowed) {
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < low ||
        value > high) {
        throw UsageError(std::string(option) + " must be " + std::string(allowed) + ", not " +
                         Quoted(text));
    }
    return value;
}

template <typename Value, std::size_t Count>
Value ParseName(std::string_view option, std::string_view text,
                const std::array<std::pair<std::string_view, Value>, Count>& names) {
    std::string allowed;
    for (const auto& [name, value] : names) {
        if (name == text) {
            return value;
        }
        allowed += allowed.empty() ? "" : "|";
        allowed += name;
    }
    throw UsageError(std::string(option) + " must be one of " + allowed + ", not " + Quoted(text));
}

} // namespace

const char* const FramesUsage =
    "usage: orvex-frames [--freq HZ] [--level DB] [--mode pcm|sqrt|iter1|iter2|iter3]\n"
    "                    [--window rectangular|triangular|sine|gaussian|lanczos|hamming|hann|\n"
    "                              blackman|nuttall|kaiser|flattop]\n"
    "                    [--frames N] [--samples]\n"
    "\n"
    "Runs N analyzer frames from a fresh start (sample clock at 0) and prints the 512 plot\n"
    "ordinates of the last frame, one per line; with --samples, the 1024 coded samples of the\n"
    "last frame (before windowing) with 17 significant digits instead.\n"
    "\n"
    "  --freq HZ      tone frequency, whole hertz from 0 to 8000 (default 1000)\n"
    "  --level DB     tone level, whole decibels from -160 to 0 (default 0, full scale)\n"
    "  --mode MODE    sample coding (default pcm)\n"
    "  --window KIND  analysis window (default kaiser, beta 20)\n"
    "  --frames N     number of frames to run, at least 1 (default 1)\n"
    "  --samples      print the coded samples instead of the ordinates\n"
    "  --help         print this text\n";

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
                option, value, 0, MaxFrequencyHz, "a whole number of hertz from 0 to 8000"));
        } else if (option == "--level") {
            options.LevelDb =
                static_cast<int>(ParseWhole(option, value, -analysis::MaxAttenuationDb, 0,
                                            "a whole number of decibels from -160 to 0"));
        } else if (option == "--mode") {
            options.Mode = ParseName(option, value, ModeNames);
        } else if (option == "--window") {
            options.Window = ParseName(option, value, WindowNames);
        } else {
            options.Frames = ParseWhole(option, value, 1, std::numeric_limits<long long>::max(),
                                        "a whole number of frames, at least 1");
        }
    }
    return options;
}

void RunFrames(const FramesOptions& options, std::ostream& out) {
    using namespace analysis;
    // The same start as the window: table built, buffer cleared, gain from the level.
    ResetAnalyzerToLoadState();
    FillWindowTable(options.Window, WindowTable);
    ClearSpectrumBuffer();
    AnalyzerState.Gain = GainFromAttenuation(-options.LevelDb);

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
