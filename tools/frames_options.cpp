// SPDX-License-Identifier: GPL-3.0-or-later
#include "frames_options.h"

#include "analysis/frames/analyzer_state.h"
#include "analysis/spectrogram/spectrogram_levels.h"
#include "display/plot_views.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <numeric>
#include <tuple>
#include <utility>

namespace tools {
namespace {

// A frame's clock values repeat after the least common multiple of the frame length and
// the clock's period of 16000 values (from the second frame on, see FramesToRun).
constexpr long long FramesPerClockCycle =
    std::lcm(analysis::FrameLength, analysis::SampleRate) / analysis::FrameLength;
static_assert(FramesPerClockCycle == 125);
// The first frame is the only one that takes clock value 0.
constexpr long long FirstRepeatingFrame = 2;

// The length of the UTF-8 sequence that `lead` starts, or 0 if it starts none.
std::size_t Utf8SequenceLength(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 4;
    }
    return 0;
}

// Whether `text` starts with a whole UTF-8 sequence of `length` bytes that is not a C1
// control character (U+0080 to U+009F, which some terminals obey like escapes).
bool IsPrintableSequence(std::string_view text, std::size_t length) {
    if (length == 0 || text.size() < length) {
        return false;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            return false;
        }
    }
    return !(static_cast<unsigned char>(text[0]) == 0xC2 &&
             static_cast<unsigned char>(text[1]) < 0xA0);
}

std::string Escaped(unsigned char byte) {
    switch (byte) {
    case '\n':
        return "\\n";
    case '\r':
        return "\\r";
    case '\t':
        return "\\t";
    case '\\':
        return "\\\\";
    case '\'':
        return "\\'";
    default:
        break;
    }
    if (byte < 0x20 || byte >= 0x7F) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02x", byte);
        return hex;
    }
    return std::string(1, static_cast<char>(byte));
}

// Parses a whole decimal number (optional minus sign, digits only) within [low, high].
long long ParseWhole(std::string_view option, std::string_view text, long long low, long long high,
                     const std::string& allowed) {
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < low ||
        value > high) {
        throw UsageError(std::string(option) + " must be " + allowed + ", not " +
                         QuotedValue(text));
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
                     QuotedValue(text));
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

// One of the frame counts an average may run over.
int ParseAverage(std::string_view option, std::string_view text) {
    std::string allowed;
    for (const int frames : display::AveragingFrameCounts) {
        allowed += (allowed.empty() ? "" : ", ") + std::to_string(frames);
    }
    const long long frames = ParseWhole(option, text, 0, std::numeric_limits<int>::max(),
                                        "one of " + allowed + " frames");
    if (std::find(display::AveragingFrameCounts.begin(), display::AveragingFrameCounts.end(),
                  frames) == display::AveragingFrameCounts.end()) {
        throw UsageError(std::string(option) + " must be one of " + allowed + " frames, not " +
                         QuotedValue(text));
    }
    return static_cast<int>(frames);
}

// "B1" or "B1,B2": one or two bins of the plot.
std::vector<int> ParseBins(std::string_view option, std::string_view text) {
    const std::string allowed = "one or two bins from 0 to " +
                                std::to_string(analysis::PlottedBins - 1) + ", as B1 or B1,B2";
    const std::size_t comma = text.find(',');
    std::vector<int> bins;
    for (const std::string_view part :
         {text.substr(0, comma), comma == text.npos ? std::string_view() : text.substr(comma + 1)}) {
        if (bins.empty() || comma != text.npos) {
            try {
                bins.push_back(static_cast<int>(
                    ParseWhole(option, part, 0, analysis::PlottedBins - 1, allowed)));
            } catch (const UsageError&) {
                throw UsageError(std::string(option) + " must be " + allowed + ", not " +
                                 QuotedValue(text));
            }
        }
    }
    return bins;
}

// A time within a file: a decimal number of seconds, at least 0 and at most a year.
double ParseTime(std::string_view option, std::string_view text) {
    constexpr double MostSeconds = 366.0 * 24 * 3600;
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
        !std::isfinite(value) || value < 0.0 || value > MostSeconds) {
        throw UsageError(std::string(option) + " must be a number of seconds from 0, not " +
                         QuotedValue(text));
    }
    return value;
}

// "a,b": one or more lanes of the spectrogram by name, each shown once whatever the order.
std::array<bool, analysis::SpectrogramLaneCount> ParseLanes(std::string_view option,
                                                           std::string_view text) {
    std::array<bool, analysis::SpectrogramLaneCount> lanes{};
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string_view name = text.substr(start, comma - start);
        const auto row = std::find_if(
            analysis::SpectrogramLanes.begin(), analysis::SpectrogramLanes.end(),
            [name](const analysis::TSpectrogramLaneInfo& lane) { return lane.ToolName == name; });
        if (row == analysis::SpectrogramLanes.end()) {
            throw UsageError(std::string(option) + " must be one or more of " +
                             NameList(analysis::SpectrogramLanes) + " joined by commas, not " +
                             QuotedValue(text));
        }
        lanes[static_cast<std::size_t>(row->Lane)] = true;
        start = comma + 1;
    }
    return lanes;
}

// "WxH": a picture's width and height in whole pixels.
std::pair<int, int> ParseSize(std::string_view option, std::string_view text) {
    const std::string allowed =
        "WIDTHxHEIGHT in pixels, from " + std::to_string(charts::MinimumSpectrogramSize.width()) +
        "x" + std::to_string(charts::MinimumSpectrogramSize.height()) + " to " +
        std::to_string(MaxSpectrogramSide) + "x" + std::to_string(MaxSpectrogramSide);
    const std::size_t cross = text.find('x');
    try {
        if (cross == text.npos) {
            throw UsageError("");
        }
        return {static_cast<int>(ParseWhole(option, text.substr(0, cross),
                                            charts::MinimumSpectrogramSize.width(),
                                            MaxSpectrogramSide, allowed)),
                static_cast<int>(ParseWhole(option, text.substr(cross + 1),
                                            charts::MinimumSpectrogramSize.height(),
                                            MaxSpectrogramSide, allowed))};
    } catch (const UsageError&) {
        throw UsageError(std::string(option) + " must be " + allowed + ", not " +
                         QuotedValue(text));
    }
}

// One of the spectrogram's transform lengths.
int ParseTransform(std::string_view option, std::string_view text) {
    std::string allowed;
    for (const int length : analysis::SpectrogramTransformLengths) {
        allowed += (allowed.empty() ? "" : ", ") + std::to_string(length);
    }
    const long long length = ParseWhole(option, text, 0, std::numeric_limits<int>::max(),
                                        "one of " + allowed);
    if (std::find(analysis::SpectrogramTransformLengths.begin(),
                  analysis::SpectrogramTransformLengths.end(),
                  length) == analysis::SpectrogramTransformLengths.end()) {
        throw UsageError(std::string(option) + " must be one of " + allowed + ", not " +
                         QuotedValue(text));
    }
    return static_cast<int>(length);
}

// --coders' name for every coder.
constexpr std::string_view AllCodersName = "all";

// "all", or "a,b": one or more coders by their tool names, in the table's order whatever the
// order given, each once.
std::vector<analysis::CoderKind> ParseCoders(std::string_view option, std::string_view text) {
    if (text == AllCodersName) {
        return AllCoders();
    }
    std::array<bool, analysis::CoderCount> chosen{};
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string_view name = text.substr(start, comma - start);
        const auto row = std::find_if(analysis::Coders.begin(), analysis::Coders.end(),
                                      [name](const analysis::TCoderInfo& coder) {
                                          return coder.ToolName == name;
                                      });
        if (row == analysis::Coders.end()) {
            throw UsageError(std::string(option) + " must be " + std::string(AllCodersName) +
                             " or one or more of " + NameList(analysis::Coders) +
                             " joined by commas, not " + QuotedValue(text));
        }
        chosen[static_cast<std::size_t>(row->Kind)] = true;
        start = comma + 1;
    }
    std::vector<analysis::CoderKind> coders;
    for (const analysis::TCoderInfo& coder : analysis::Coders) {
        if (chosen[static_cast<std::size_t>(coder.Kind)]) {
            coders.push_back(coder.Kind);
        }
    }
    return coders;
}

// The options that --measure of --input files (or of --live's recording) takes: it runs no
// frames and writes no file.
constexpr std::array MaterialOptions = {
    FramesOption::foInput,  FramesOption::foStart, FramesOption::foLevel,
    FramesOption::foMeasure, FramesOption::foCoders, FramesOption::foWorst,
    FramesOption::foFormat, FramesOption::foLive,  FramesOption::foSeconds,
    FramesOption::foHelp,
};

// The options that a reference coder's --wav takes: it runs no frames and prints nothing.
constexpr std::array SoundOnlyOptions = {
    FramesOption::foFreq,    FramesOption::foLevel, FramesOption::foMode,
    FramesOption::foWav,     FramesOption::foSeconds, FramesOption::foError,
    FramesOption::foOriginal, FramesOption::foInput, FramesOption::foStart,
    FramesOption::foHelp,
};

template <std::size_t Size>
bool Takes(const std::array<FramesOption, Size>& options, FramesOption option) {
    return std::find(options.begin(), options.end(), option) != options.end();
}

// The spectrogram's floor: whole decibels below its top (0 dB), within the stored levels.
constexpr int LowestFloorDb = static_cast<int>(analysis::LowestStoredLevelDb);
constexpr int HighestFloorDb = static_cast<int>(analysis::DefaultSpectrogramTopDb) - 1;

// The column where an option's description starts in the usage.
constexpr std::size_t UsageDescriptionColumn = 17;
constexpr std::string_view MaxFramesText = "9223372036854775807";
static_assert(std::numeric_limits<long long>::max() == 9223372036854775807LL);

// A file name an option writes to: anything but empty.
std::string ParseFileName(std::string_view option, std::string_view text) {
    if (text.empty()) {
        throw UsageError(std::string(option) + " needs a file name");
    }
    return std::string(text);
}

const FramesOptionInfo* FindOption(std::string_view name) {
    for (const FramesOptionInfo& row : FramesOptionTable) {
        if (name == row.Name || (!row.ShortName.empty() && name == row.ShortName)) {
            return &row;
        }
    }
    return nullptr;
}

// Stands for an option given without a value: no argument can hold a NUL byte.
const std::string NoValue(1, '\0');

// --live's device: none for the default input; a name, but not that of a file.
std::string ParseDevice(const std::string& text) {
    if (text == NoValue) {
        return {};
    }
    if (text.empty()) {
        throw UsageError("--live '' names no device: give none for the default input");
    }
    std::error_code error;
    if (std::filesystem::exists(text, error)) {
        throw UsageError("--live takes an input device, and " + QuotedValue(text) +
                         " is a file: give it with --input");
    }
    return text;
}

// An option given on the command line and its value: "" for a flag, NoValue for --live
// without a device; --input comes once for each of its files.
struct GivenOption {
    const FramesOptionInfo* Row;
    std::string Value;
};

// The options of the command line in the order given. CLI11 takes them apart (each option's
// value after it or after '=', --input's several files, --live's optional device) and holds
// the rules between options that it can state: which exclude which, which need which.
// Refused here: an unknown option or a bare word, an option given twice (it would silently
// take the last value), a value given to a flag, and an option taken for another's value.
std::vector<GivenOption> ReadCommandLine(std::span<const std::string_view> arguments) {
    CLI::App app;
    app.set_help_flag(); // --help is the table's, and prints FramesUsage
    app.allow_extras();  // reported below, quoted
    std::array<CLI::Option*, FramesOptionTable.size()> added{};
    for (const FramesOptionInfo& row : FramesOptionTable) {
        std::string names(row.Name);
        if (!row.ShortName.empty()) {
            names = std::string(row.ShortName) + "," + names;
        }
        // Every value is kept, so that an option given twice is refused below by name.
        CLI::Option* const option = app.add_option(names)
                                        ->type_name(std::string(row.Placeholder))
                                        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
        if (row.Value == FramesOptionValue::ovNone) {
            option->expected(0, 0)->default_str(NoValue);
        } else if (row.Value == FramesOptionValue::ovDevice) {
            option->expected(0, 1)->default_str(NoValue);
        } else if (row.Option == FramesOption::foInput) {
            option->expected(1, -1)->allow_extra_args();
        } else {
            option->expected(1);
        }
        added[static_cast<std::size_t>(row.Option)] = option;
    }
    const auto optionOf = [&added](FramesOption option) {
        return added[static_cast<std::size_t>(option)];
    };
    optionOf(FramesOption::foSamples)->excludes(optionOf(FramesOption::foWindowFigures));
    optionOf(FramesOption::foError)->excludes(optionOf(FramesOption::foOriginal));
    optionOf(FramesOption::foLive)->excludes(optionOf(FramesOption::foInput));
    optionOf(FramesOption::foSvg)->needs(optionOf(FramesOption::foCurves));
    for (const FramesOption look : {FramesOption::foLanes, FramesOption::foSize,
                                    FramesOption::foTransform, FramesOption::foFrequencyAxis,
                                    FramesOption::foColourMap, FramesOption::foFloor}) {
        optionOf(look)->needs(optionOf(FramesOption::foSpectrogram));
    }

    // CLI11 reads "--live=" and "--samples=" as if no '=' were there: an empty device would
    // then mean the default input, and an empty value to a flag would pass.
    for (const std::string_view argument : arguments) {
        const FramesOptionInfo* const row =
            argument.ends_with('=') ? FindOption(argument.substr(0, argument.size() - 1)) : nullptr;
        if (row != nullptr && row->Value == FramesOptionValue::ovDevice) {
            ParseDevice("");
        }
        if (row != nullptr && row->Value == FramesOptionValue::ovNone) {
            throw UsageError(std::string(row->Name) + " takes no value, not ''");
        }
    }
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& error) {
        throw UsageError(error.what());
    }
    std::vector<GivenOption> given;
    std::array<bool, FramesOptionTable.size()> seen{};
    for (const CLI::Option* option : app.parse_order()) {
        const auto index = static_cast<std::size_t>(
            std::find(added.begin(), added.end(), option) - added.begin());
        const FramesOptionInfo& row = FramesOptionTable[index];
        if (seen[index]) {
            if (row.Option == FramesOption::foInput) {
                continue; // all its files were taken where it was first given, in order
            }
            throw UsageError(std::string(row.Name) + " is given twice: give it once");
        }
        seen[index] = true;
        for (const std::string& value : option->results()) {
            if (row.Value == FramesOptionValue::ovNone && value != NoValue) {
                throw UsageError(std::string(row.Name) + " takes no value, not " +
                                 QuotedValue(value));
            }
            // "--input --measure" would read a file named "--measure".
            if (value.starts_with("--") || FindOption(value) != nullptr) {
                throw UsageError(std::string(row.Name) + " needs a value, not the option " +
                                 QuotedValue(value));
            }
            given.push_back({&row, row.Value == FramesOptionValue::ovNone ? std::string() : value});
        }
    }
    if (!app.remaining().empty()) {
        throw UsageError("unknown option " + QuotedValue(app.remaining().front()) + " (see --help)");
    }
    return given;
}

// The reference coders' tool names, "a, b and c": the coders that are no coding mode.
std::string ReferenceCoderNames() {
    std::vector<std::string_view> names;
    for (const analysis::TCoderInfo& coder : analysis::Coders) {
        if (!analysis::ModeOf(coder.Kind)) {
            names.push_back(coder.ToolName);
        }
    }
    std::string text;
    for (std::size_t k = 0; k < names.size(); ++k) {
        text += k == 0 ? "" : (k + 1 == names.size() ? " and " : ", ");
        text += names[k];
    }
    return text;
}

// What the usage says about `option`; a description of several lines holds '\n'.
std::string OptionHelp(FramesOption option) {
    using namespace analysis;
    switch (option) {
    case FramesOption::foFreq:
        return "tone frequency, whole hertz from " + std::to_string(MinFrequencyHz) + " to " +
               std::to_string(MaxFrequencyHz) + " (default " + std::to_string(StartFrequencyHz) +
               ")";
    case FramesOption::foLevel:
        return "tone level, whole decibels from " + std::to_string(MinLevelDb) + " to " +
               std::to_string(MaxLevelDb) + " (default " + std::to_string(StartLevelDb) +
               ", full scale)";
    case FramesOption::foMode:
        return "sample coding (default " + std::string(Describe(StartCodingMode).ToolName) +
               "); the reference coders\n" + ReferenceCoderNames() +
               " code only the --wav sound, and nothing is\nprinted";
    case FramesOption::foWindow:
        return "analysis window (default " + std::string(Describe(StartWindowKind).ToolName) +
               ", beta 20)";
    case FramesOption::foFrames:
        return "number of frames to run, 1 (default) to " + std::string(MaxFramesText);
    case FramesOption::foSamples:
        return "print the coded samples instead of the ordinates";
    case FramesOption::foFormat:
        return "text (default), csv (bin,hz,ordinate,dbfs or, with --samples,\n"
               "index,clock,sample) or json (the settings, the ordinates, the\n"
               "peak, the figures of the coding mode and the window, and what\n"
               "each field means)";
    case FramesOption::foPng:
        return "also write the spectrum display's picture of the last frame;\n"
               "an existing FILE keeps its permissions and is replaced only\n"
               "once the report is out (never standard output's own file)";
    case FramesOption::foHold:
        return "draw the peak hold of the frames run in the picture";
    case FramesOption::foAverage:
        return "draw the average of the last N frames' power (4, 16 or 64)\n"
               "in the picture instead of the last frame";
    case FramesOption::foMarkers:
        return "draw markers at bins B1 and B2 (0 to 511) with their read-outs";
    case FramesOption::foMeasure:
        return "add the distortion figures of the last frame (THD, SINAD, SNR,\n"
               "SFDR, ENOB) to the report and to the picture; with --input,\n"
               "instead print every coder's figures over each whole file from\n"
               "--start (SNR, segmental SNR and its segments, log-spectral\n"
               "distance, largest error, active level), one row per file and\n"
               "coder, the files measured side by side on every core";
    case FramesOption::foCoders:
        return "with --measure of --input files: the coders measured, all\n"
               "(default) or one or more of\n" + NameList(analysis::Coders) + " joined by commas";
    case FramesOption::foWorst:
        return "with --measure of --input files: also list each coder's N\n"
               "worst segments (1 to " + std::to_string(MaxWorstMoments) +
               "), none overlapping another: where\n"
               "each starts and its SNR; with csv they replace the figures\n"
               "(file,coder,rank,start_s,end_s,snr_db)";
    case FramesOption::foCurves:
        return "print every coder's SNR against the level (at --freq) or the\n"
               "frequency (at --level) instead of running frames; with --png\n"
               "or --svg also draw the chart; level at 1004 to 1025 Hz also\n"
               "says which coders meet the G.712 telephone mask; level with\n"
               "--input: SNR and segmental SNR on up to 20 s of the file from\n"
               "--start, scaled from 0 to -60 dB";
    case FramesOption::foSvg:
        return "with --curves: also write the chart as SVG";
    case FramesOption::foWav:
        return "also write the tone as heard, 16000 Hz mono 32-bit float WAV,\n"
               "each sample divided by 32767 (full scale is 1.0); replaced\n"
               "like the picture";
    case FramesOption::foSeconds:
        return "length of the --wav sound and of the tone's --spectrogram, whole\n"
               "seconds from 1 (default) to " + std::to_string(MaxWavSeconds);
    case FramesOption::foError:
        return "--wav holds the coding error alone (coded minus exact) raised\n"
               "by 256 (+48.2 dB) and clipped at full scale";
    case FramesOption::foOriginal:
        return "with --input: --wav holds the file's samples uncoded, as the\n"
               "coder takes them (mixed to one channel, resampled, at --level)";
    case FramesOption::foInput:
        return "take the samples from a sound file instead of the tone (any\n"
               "format libsndfile reads; channels mixed to their mean and\n"
               "resampled to 16000 Hz); --level is then a gain on the file,\n"
               "and --wav writes the whole file from --start; with --measure,\n"
               "the names that follow, up to the next option, are files too";
    case FramesOption::foLive:
        return "record --seconds of the sound server's input DEVICE (default:\n"
               "its default input; an output's monitor records what the\n"
               "desktop plays) at 16000 Hz, and take the samples from that\n"
               "recording as from an --input file";
    case FramesOption::foStart:
        return "with --input: where the first frame starts, in seconds\n"
               "(default 0)";
    case FramesOption::foSpectrogram:
        return "also draw the spectrogram of the whole --input from --start,\n"
               "or of --seconds of the tone, into FILE: PNG, or with a name\n"
               "ending in .csv the levels (time_s,lane, then each bin's dB\n"
               "against a full-scale tone on a bin, empty below the floor);\n"
               "replaced like the picture";
    case FramesOption::foLanes:
        return "the spectrogram's lanes, one or more of " +
               NameList(SpectrogramLanes) + "\njoined by commas (default all, drawn in that order)";
    case FramesOption::foSize:
        return "the spectrogram picture's size in pixels (default " +
               std::to_string(charts::DefaultSpectrogramSize.width()) + "x" +
               std::to_string(charts::DefaultSpectrogramSize.height()) + ")";
    case FramesOption::foTransform:
        return "the spectrogram's transform length, 512, 1024 (default) or\n"
               "2048 points, a column every " + std::to_string(SpectrogramHop) + " samples";
    case FramesOption::foFrequencyAxis:
        return "the spectrogram's frequency axis: linear (default, 0 to 8 kHz)\n"
               "or log (50 Hz to 8 kHz)";
    case FramesOption::foColourMap:
        return "the spectrogram's colours: " + NameList(charts::ColourMaps) + "\n(default " +
               std::string(charts::ColourMaps[static_cast<std::size_t>(charts::DefaultColourMap)]
                               .ToolName) +
               ")";
    case FramesOption::foFloor:
        return "the spectrogram's floor, whole decibels from " + std::to_string(LowestFloorDb) +
               " to " + std::to_string(HighestFloorDb) + "\n(default " +
               std::to_string(static_cast<int>(DefaultSpectrogramFloorDb)) +
               "): the top is 0 dB";
    case FramesOption::foWindowFigures:
        return "print the figures of every window instead of running frames";
    case FramesOption::foHelp:
        return "print this text";
    }
    return {};
}

// The usage's line for each option of the table: its spellings and value, then its
// description, continued on lines of their own under the first.
std::string OptionLines() {
    std::string text;
    for (const FramesOptionInfo& row : FramesOptionTable) {
        std::string names = "  ";
        if (!row.ShortName.empty()) {
            names += std::string(row.ShortName) + ", ";
        }
        names += row.Name;
        if (!row.Placeholder.empty()) {
            names += " " + std::string(row.Placeholder);
        }
        text += names;
        if (names.size() + 1 > UsageDescriptionColumn) {
            text += "\n" + std::string(UsageDescriptionColumn, ' ');
        } else {
            text += std::string(UsageDescriptionColumn - names.size(), ' ');
        }
        for (const char character : OptionHelp(row.Option)) {
            text += character;
            if (character == '\n') {
                text += std::string(UsageDescriptionColumn, ' ');
            }
        }
        text += '\n';
    }
    return text;
}

} // namespace

std::string QuotedValue(std::string_view text) {
    std::string quoted = "'";
    std::size_t characters = 0;
    std::size_t index = 0;
    while (index < text.size() && characters < EchoedValueLength) {
        const std::string_view rest = text.substr(index);
        const std::size_t length = Utf8SequenceLength(static_cast<unsigned char>(rest[0]));
        if (IsPrintableSequence(rest, length)) {
            quoted += rest.substr(0, length);
            index += length;
        } else {
            quoted += Escaped(static_cast<unsigned char>(rest[0]));
            ++index;
        }
        ++characters;
    }
    quoted += "'";
    if (index < text.size()) {
        quoted += "...";
    }
    return quoted;
}

std::vector<std::string> OptionValueNames(FramesOptionValue value) {
    std::vector<std::string> names;
    const auto add = [&names](const auto& table) {
        for (const auto& row : table) {
            names.emplace_back(row.ToolName);
        }
    };
    switch (value) {
    case FramesOptionValue::ovMode:
        add(analysis::Coders);
        break;
    case FramesOptionValue::ovCoders:
        names.emplace_back(AllCodersName);
        add(analysis::Coders);
        break;
    case FramesOptionValue::ovWindow:
        add(analysis::WindowKinds);
        break;
    case FramesOptionValue::ovFormat:
        add(FramesFormats);
        break;
    case FramesOptionValue::ovAxis:
        add(CurveAxes);
        break;
    case FramesOptionValue::ovLanes:
        add(analysis::SpectrogramLanes);
        break;
    case FramesOptionValue::ovColourMap:
        add(charts::ColourMaps);
        break;
    case FramesOptionValue::ovFrequencyAxis:
        add(charts::FrequencyAxes);
        break;
    case FramesOptionValue::ovFrameCount:
        for (const int frames : display::AveragingFrameCounts) {
            names.push_back(std::to_string(frames));
        }
        break;
    case FramesOptionValue::ovSize:
    case FramesOptionValue::ovNone:
    case FramesOptionValue::ovWhole:
    case FramesOptionValue::ovFile:
    case FramesOptionValue::ovBins:
    case FramesOptionValue::ovTime:
    case FramesOptionValue::ovDevice:
        break;
    }
    return names;
}

std::string FramesUsage() {
    using analysis::CodingModes;
    using analysis::WindowKinds;
    constexpr std::string_view Indent = "                    ";
    const std::string formats = NameList(FramesFormats);
    return "usage: orvex-frames [--freq HZ] [--level DB]\n" +
           WrappedNameList(std::string(Indent) + "[--mode ", NameList(analysis::Coders),
                           Indent.size() + 8, 90) +
           WrappedNameList(std::string(Indent) + "[--window ", NameList(WindowKinds),
                           Indent.size() + 10, 90) +
           std::string(Indent) + "[--frames N] [--samples] [--format " + formats +
           "] [--png FILE]\n" +
           std::string(Indent) + "[--hold] [--average N] [--markers B1[,B2]] [--measure]\n" +
           std::string(Indent) + "[--wav FILE [--seconds S] [--error]]\n" +
           std::string(Indent) + "[--spectrogram FILE [--seconds S] [SPECTROGRAM]]\n"
           "       orvex-frames --input FILE [--start SECONDS] [--level DB] [--mode MODE]\n" +
           std::string(Indent) + "[--window KIND] [--frames N] [--samples] [--format FMT]\n" +
           std::string(Indent) + "[--png FILE] [--hold] [--average N] [--markers B1[,B2]]\n" +
           std::string(Indent) + "[--wav FILE [--error|--original]] [--spectrogram FILE [SPECTROGRAM]]\n"
           "       orvex-frames --input FILE... --measure [--coders all|LIST] [--worst N]\n" +
           std::string(Indent) + "[--start SECONDS] [--level DB] [--format FMT]\n" +
           "       orvex-frames --live [DEVICE] [--seconds S] [any option of --input]\n"
           "       orvex-frames --curves " + NameList(CurveAxes) +
           " [--freq HZ] [--level DB] [--format FMT] [--png FILE]\n"
           "                    [--svg FILE]\n"
           "       orvex-frames --curves level --input FILE [--start SECONDS] [--level DB]\n"
           "                    [--format FMT] [--png FILE] [--svg FILE]\n" +
           "       orvex-frames --window-figures [--format " +
           formats +
           "]\n"
           "\n"
           "SPECTROGRAM stands for [--lanes LANES] [--size WxH] [--transform N]\n"
           "[--frequency-axis AXIS] [--colour-map MAP] [--floor DB].\n"
           "\n"
           "Runs N analyzer frames from a fresh start (sample clock at 0) and prints the 512 plot\n"
           "ordinates of the last frame, one per line; with --samples, the 1024 coded samples of "
           "the\n"
           "last frame (before windowing) with 17 significant digits instead.\n"
           "\n" +
           OptionLines() +
           "\n"
           "The ordinates, the dbfs levels and the peak are the display's, not a textbook FFT's:\n"
           "they are relative to the frame's own normalisation (the largest bin of each frame is\n"
           "scaled to the frame's largest sample) and use the |re| + |im| magnitude the display\n"
           "draws, so a tone between bins shows no scalloping loss in the peak and far bins\n"
           "differ from a textbook FFT by up to 3.9 dB.\n"
           "\n"
           "A bad argument exits with status 2, a failed write with status 1, and so does a\n"
           "file --measure cannot read, once the others are printed.\n";
}

FramesOptions ParseFramesOptions(std::span<const std::string_view> arguments) {
    FramesOptions options;
    bool samplesAsked = false;
    bool windowFiguresAsked = false;
    bool curvesAsked = false;
    // The first option given that --window-figures or --curves has no use for.
    const FramesOptionInfo* notForWindowFigures = nullptr;
    const FramesOptionInfo* notForCurves = nullptr;
    // The last option given that only --wav has a use for.
    const FramesOptionInfo* soundOptionGiven = nullptr;
    // The first option given that --measure of --input files, or a reference coder, has no
    // use for.
    const FramesOptionInfo* notForMaterial = nullptr;
    const FramesOptionInfo* notForSoundOnly = nullptr;
    const FramesOptionInfo* materialOptionGiven = nullptr; // --coders or --worst
    bool frequencyGiven = false;
    bool secondsGiven = false;
    bool startGiven = false;
    for (const auto& [row, text] : ReadCommandLine(arguments)) {
        const std::string_view option = row->Name;
        const std::string_view value = text;
        if (row->WindowFigures == WithWindowFigures::wfRejected && notForWindowFigures == nullptr) {
            notForWindowFigures = row;
        }
        if (row->Curves == WithCurves::wcRejected && notForCurves == nullptr) {
            notForCurves = row;
        }
        if (!Takes(MaterialOptions, row->Option) && notForMaterial == nullptr) {
            notForMaterial = row;
        }
        if (!Takes(SoundOnlyOptions, row->Option) && notForSoundOnly == nullptr) {
            notForSoundOnly = row;
        }
        switch (row->Option) {
        case FramesOption::foFreq:
            options.FrequencyHz = static_cast<std::int32_t>(ParseWhole(
                option, value, analysis::MinFrequencyHz, analysis::MaxFrequencyHz,
                "a whole number of hertz from " + std::to_string(analysis::MinFrequencyHz) +
                    " to " + std::to_string(analysis::MaxFrequencyHz)));
            frequencyGiven = true;
            break;
        case FramesOption::foLevel:
            options.LevelDb = static_cast<int>(ParseWhole(
                option, value, analysis::MinLevelDb, analysis::MaxLevelDb,
                "a whole number of decibels from " + std::to_string(analysis::MinLevelDb) + " to " +
                    std::to_string(analysis::MaxLevelDb)));
            break;
        case FramesOption::foMode: {
            const analysis::CoderKind coder = ParseName(option, value, analysis::Coders).Kind;
            if (const std::optional<analysis::CodingMode> mode = analysis::ModeOf(coder)) {
                options.Mode = *mode;
                options.ReferenceCoder.reset();
            } else {
                options.ReferenceCoder = coder;
            }
            break;
        }
        case FramesOption::foWindow:
            options.Window = ParseName(option, value, analysis::WindowKinds).Kind;
            break;
        case FramesOption::foFormat:
            options.Format = ParseName(option, value, FramesFormats).Format;
            break;
        case FramesOption::foPng:
            options.PngPath = ParseFileName(row->Name, value);
            break;
        case FramesOption::foWav:
            options.WavPath = ParseFileName(row->Name, value);
            break;
        case FramesOption::foSeconds:
            options.WavSeconds = static_cast<int>(
                ParseWhole(option, value, 1, MaxWavSeconds,
                           "a whole number of seconds from 1 to " + std::to_string(MaxWavSeconds)));
            soundOptionGiven = row;
            secondsGiven = true;
            break;
        case FramesOption::foError:
            options.WavError = true;
            soundOptionGiven = row;
            break;
        case FramesOption::foOriginal:
            options.WavOriginal = true;
            soundOptionGiven = row;
            break;
        case FramesOption::foInput:
            // "--input A B C": the words that follow, up to the next option, are files too;
            // a second --input adds its files as well.
            (options.InputPath.empty() ? options.InputPath : options.MoreInputPaths.emplace_back()) =
                ParseFileName(row->Name, value);
            break;
        case FramesOption::foLive:
            options.LiveDevice = ParseDevice(text);
            break;
        case FramesOption::foStart:
            options.StartSeconds = ParseTime(option, value);
            startGiven = true;
            break;
        case FramesOption::foFrames:
            options.Frames = ParseWhole(option, value, 1, std::numeric_limits<long long>::max(),
                                        "a whole number of frames, at least 1 and at most " +
                                            std::string(MaxFramesText));
            break;
        case FramesOption::foSamples:
            samplesAsked = true;
            break;
        case FramesOption::foHold:
            options.Hold = true;
            break;
        case FramesOption::foMeasure:
            options.Measure = true;
            break;
        case FramesOption::foCoders:
            options.MaterialCoders = ParseCoders(option, value);
            materialOptionGiven = row;
            break;
        case FramesOption::foWorst:
            options.WorstMoments = static_cast<int>(
                ParseWhole(option, value, 1, MaxWorstMoments,
                           "a whole number from 1 to " + std::to_string(MaxWorstMoments)));
            materialOptionGiven = row;
            break;
        case FramesOption::foAverage:
            options.Average = ParseAverage(option, value);
            break;
        case FramesOption::foMarkers:
            options.Markers = ParseBins(option, value);
            break;
        case FramesOption::foCurves:
            curvesAsked = true;
            options.Curves = ParseName(option, value, CurveAxes).Axis;
            break;
        case FramesOption::foSvg:
            options.SvgPath = ParseFileName(row->Name, value);
            break;
        case FramesOption::foSpectrogram:
            options.SpectrogramPath = ParseFileName(row->Name, value);
            break;
        case FramesOption::foLanes:
            options.Spectrogram.Lanes = ParseLanes(option, value);
            break;
        case FramesOption::foSize:
            std::tie(options.SpectrogramWidth, options.SpectrogramHeight) = ParseSize(option, value);
            break;
        case FramesOption::foTransform:
            options.Spectrogram.TransformLength = ParseTransform(option, value);
            break;
        case FramesOption::foFrequencyAxis:
            options.Spectrogram.Axis = ParseName(option, value, charts::FrequencyAxes).Axis;
            break;
        case FramesOption::foColourMap:
            options.Spectrogram.Colours = ParseName(option, value, charts::ColourMaps).Map;
            break;
        case FramesOption::foFloor:
            options.Spectrogram.FloorDb = static_cast<double>(ParseWhole(
                option, value, LowestFloorDb, HighestFloorDb,
                "a whole number of decibels from " + std::to_string(LowestFloorDb) + " to " +
                    std::to_string(HighestFloorDb)));
            break;
        case FramesOption::foWindowFigures:
            windowFiguresAsked = true;
            break;
        case FramesOption::foHelp:
            options.ShowHelp = true;
            break;
        }
    }
    if (windowFiguresAsked && notForWindowFigures != nullptr) {
        throw UsageError(std::string(notForWindowFigures->Name) +
                         " does not apply to --window-figures, which runs no frames");
    }
    // The tone's --seconds sets the length of its spectrogram too, and live input's the
    // length of its recording.
    const bool secondsForSpectrogram =
        secondsGiven && (!options.SpectrogramPath.empty() || options.LiveDevice);
    if (soundOptionGiven != nullptr && options.WavPath.empty() &&
        (options.WavError || options.WavOriginal || !secondsForSpectrogram)) {
        const std::string_view name = options.WavError      ? "--error"
                                      : options.WavOriginal ? "--original"
                                                            : soundOptionGiven->Name;
        throw UsageError(std::string(name) + " applies only to --wav");
    }
    if (options.LiveDevice) {
        if (frequencyGiven) {
            throw UsageError("--freq sets the tone, which --live replaces");
        }
    } else if (options.InputPath.empty()) {
        for (const auto& [given, name] : {std::pair{startGiven, "--start"},
                                          std::pair{options.WavOriginal, "--original"}}) {
            if (given) {
                throw UsageError(std::string(name) + " applies only to --input or --live");
            }
        }
    } else {
        if (frequencyGiven) {
            throw UsageError("--freq sets the tone, which --input replaces");
        }
        if (secondsGiven) {
            throw UsageError("--seconds sets the tone's length; with --input, --wav writes the "
                             "whole file from --start");
        }
    }
    const bool material = options.Measure && (!options.InputPath.empty() || options.LiveDevice);
    if (material && notForMaterial != nullptr) {
        throw UsageError(std::string(notForMaterial->Name) +
                         " does not apply to --measure of --input files, which runs no frames");
    }
    if (!material && materialOptionGiven != nullptr) {
        throw UsageError(std::string(materialOptionGiven->Name) +
                         " applies only to --measure with --input");
    }
    if (!material && !options.MoreInputPaths.empty()) {
        throw UsageError("several --input files go only with --measure; the frames, --wav and "
                         "--spectrogram read one");
    }
    if (options.ReferenceCoder) {
        const std::string named =
            "--mode " + std::string(analysis::Describe(*options.ReferenceCoder).ToolName);
        if (notForSoundOnly != nullptr) {
            throw UsageError(std::string(notForSoundOnly->Name) + " does not apply to " + named +
                             ", which codes only the --wav sound");
        }
        if (options.WavPath.empty()) {
            throw UsageError(named + " codes only the --wav sound: give --wav too");
        }
    }
    if (curvesAsked && (!options.InputPath.empty() || options.LiveDevice) &&
        options.Curves != analysis::CurveAxis::caLevel) {
        throw UsageError("--curves frequency runs over the tone's frequency; with --input or "
                         "--live give --curves level");
    }
    if (curvesAsked && notForCurves != nullptr) {
        throw UsageError(std::string(notForCurves->Name) +
                         " does not apply to --curves, which runs no frames");
    }
    if (material) {
        options.Report = FramesReport::frMaterial;
    } else if (options.ReferenceCoder) {
        options.Report = FramesReport::frSoundOnly;
    } else if (curvesAsked) {
        options.Report = FramesReport::frCurves;
    } else if (samplesAsked) {
        options.Report = FramesReport::frSamples;
    } else if (windowFiguresAsked) {
        options.Report = FramesReport::frWindowFigures;
    }
    return options;
}

std::vector<analysis::CoderKind> AllCoders() {
    std::vector<analysis::CoderKind> coders;
    for (const analysis::TCoderInfo& coder : analysis::Coders) {
        coders.push_back(coder.Kind);
    }
    return coders;
}

long long FramesToRun(long long frames) {
    if (frames <= FirstRepeatingFrame) {
        return frames;
    }
    return FirstRepeatingFrame + (frames - FirstRepeatingFrame) % FramesPerClockCycle;
}

long long FramesToRunWithHistory(long long frames) {
    const long long run = FramesToRun(frames);
    return run < frames ? run + FramesPerClockCycle : run;
}

} // namespace tools
