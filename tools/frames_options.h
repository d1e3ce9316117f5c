// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/figures/coder_curves.h"
#include "analysis/coding/coder_kind.h"
#include "analysis/coding/coding_mode.h"
#include "analysis/common/enum_table.h"
#include "analysis/frames/tone_range.h"
#include "analysis/windows/window_kind.h"
#include "charts/spectrogram_look.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tools {

// How the report on standard output is written.
enum class FramesFormat : std::uint8_t {
    ffText, // the plain lines of the first version of the tool, one value per line
    ffCsv,  // a header row, then one row per bin, sample or window
    ffJson, // one object
};

struct FramesFormatInfo {
    FramesFormat Format;
    std::string_view ToolName; // the --format value
};

// In the enum's order; the usage and the parser are built from this table.
inline constexpr std::array<FramesFormatInfo, 3> FramesFormats = {{
    {FramesFormat::ffText, "text"},
    {FramesFormat::ffCsv, "csv"},
    {FramesFormat::ffJson, "json"},
}};

static_assert(analysis::RowsInEnumOrder(FramesFormats,
                                        [](const FramesFormatInfo& row) { return row.Format; }));

struct CurveAxisInfo {
    analysis::CurveAxis Axis;
    std::string_view ToolName; // the --curves value
};

// In the enum's order.
inline constexpr std::array<CurveAxisInfo, 2> CurveAxes = {{
    {analysis::CurveAxis::caLevel, "level"},
    {analysis::CurveAxis::caFrequency, "frequency"},
}};

static_assert(analysis::RowsInEnumOrder(CurveAxes,
                                        [](const CurveAxisInfo& row) { return row.Axis; }));

// What the report on standard output is about.
enum class FramesReport : std::uint8_t {
    frOrdinates,     // the last frame's plot ordinates (in JSON with its figures)
    frSamples,       // the last frame's coded samples (--samples)
    frWindowFigures, // the figures of every window; no frames are run (--window-figures)
    frCurves,        // every coder's SNR curve against the level or the frequency (--curves)
    frMaterial,      // every coder's figures over whole --input files (--measure with --input)
    frSoundOnly,     // only the --wav sound, through a reference coder: nothing is printed
};

// What an option takes after it: nothing (a flag), or a value of one kind.
enum class FramesOptionValue : std::uint8_t {
    ovNone,   // a flag
    ovWhole,  // a whole number
    ovMode,   // a name from analysis::Coders (a coding mode or a reference coder)
    ovWindow, // a name from analysis::WindowKinds
    ovFormat, // a name from FramesFormats
    ovFile,   // a file name
    ovBins,   // one or two bins, "B1[,B2]"
    ovAxis,   // a name from CurveAxes
    ovTime,   // a time in seconds, a decimal number of at least 0
    ovLanes,  // names from analysis::SpectrogramLanes, "a,b,c"
    ovSize,   // a picture's size in pixels, "WxH"
    ovColourMap,     // a name from charts::ColourMaps
    ovFrequencyAxis, // a name from charts::FrequencyAxes
    ovFrameCount, // a frame count of display::AveragingFrameCounts
    ovDevice, // a sound server's input, or none: then the next word is not taken for it
    ovCoders,     // "all", or names from analysis::Coders, "a,b,c"
};

// Whether an option means anything to --window-figures, which runs no frames.
enum class WithWindowFigures : std::uint8_t {
    wfApplies,
    wfRejected, // giving it with --window-figures is a usage error
};

enum class FramesOption : std::uint8_t {
    foFreq,
    foLevel,
    foMode,
    foWindow,
    foFrames,
    foSamples,
    foFormat,
    foPng,
    foHold,
    foAverage,
    foMarkers,
    foMeasure,
    foCoders,
    foWorst,
    foCurves,
    foSvg,
    foWav,
    foSeconds,
    foError,
    foOriginal,
    foInput,
    foLive,
    foStart,
    foSpectrogram,
    foLanes,
    foSize,
    foTransform,
    foFrequencyAxis,
    foColourMap,
    foFloor,
    foWindowFigures,
    foHelp,
};

// Whether an option means anything to --curves, which runs no frames either.
enum class WithCurves : std::uint8_t {
    wcApplies,
    wcRejected, // giving it with --curves is a usage error
};

struct FramesOptionInfo {
    FramesOption Option;
    std::string_view Name;        // the long spelling, "--freq"
    std::string_view ShortName;   // a second spelling ("-h"), or empty
    std::string_view Placeholder; // the value's name in the usage, empty for a flag
    FramesOptionValue Value;
    WithWindowFigures WindowFigures;
    WithCurves Curves;
};

// Every option, in the enum's order, which is the order of the usage. The parser, the usage
// and the generated shell completion are built from this table.
inline constexpr std::array<FramesOptionInfo, 32> FramesOptionTable = {{
    {FramesOption::foFreq, "--freq", "", "HZ", FramesOptionValue::ovWhole,
     WithWindowFigures::wfRejected, WithCurves::wcApplies},
    {FramesOption::foLevel, "--level", "", "DB", FramesOptionValue::ovWhole,
     WithWindowFigures::wfRejected, WithCurves::wcApplies},
    {FramesOption::foMode, "--mode", "", "MODE", FramesOptionValue::ovMode,
     WithWindowFigures::wfRejected, WithCurves::wcRejected},
    {FramesOption::foWindow, "--window", "", "KIND", FramesOptionValue::ovWindow,
     WithWindowFigures::wfRejected, WithCurves::wcRejected},
    {FramesOption::foFrames, "--frames", "", "N", FramesOptionValue::ovWhole,
     WithWindowFigures::wfRejected, WithCurves::wcRejected},
    {FramesOption::foSamples, "--samples", "", "", FramesOptionValue::ovNone,
     WithWindowFigures::wfRejected, WithCurves::wcRejected},
    {FramesOption::foFormat, "--format", "", "FMT", FramesOptionValue::ovFormat,
     WithWindowFigures::wfApplies, WithCurves::wcApplies},
    {FramesOption::foPng, "--png", "", "FILE", FramesOptionValue::ovFile,
     WithWindowFigures::wfRejected, WithCurves::wcApplies},
    {FramesOption::foHold, "--hold", "", "", FramesOptionValue::ovNone,
     WithWindowFigures::wfRejected, WithCurves::wcRejected},
    {FramesOption::foAverage, "--average", "", "N", FramesOptionValue::ovFrameCount,
     WithWindowFigures::wfRejected, WithCurves::wcRejected},
    {FramesOption::foMarkers, "--markers", "", "B1[,B2]", FramesOptionValue::ovBins,
     WithWindowFigures::wfRejected, WithCurves::wcRejected},
    {FramesOption::foMeasure, "--measure", "", "", FramesOptionValue::ovNone,
     WithWindowFigures::wfRejected, WithCurves::wcRejected},
    {FramesOption::foCoders, "--coders", "", "LIST", FramesOptionValue::ovCoders,
     WithWindowFigures::wfRejected, WithCurves::wcRejected},
    {FramesOption::foWorst, "--worst", "", "N", FramesOptionValue::ovWhole,
     WithWindowFigures::wfRejected, WithCurves::wcRejected},
    {FramesOption::foCurves, "--curves", "", "AXIS", FramesOptionValue::ovAxis,
     WithWindowFigures::wfRejected, WithCurves::wcApplies},
    {FramesOption::foSvg, "--svg", "", "FILE", FramesOptionValue::ovFile,
     WithWindowFigures::wfRejected, WithCurves::wcApplies},
    {FramesOption::foWav, "--wav", "", "FILE", FramesOptionValue::ovFile,
     WithWindowFigures::wfRejected, WithCurves::wcRejected},
    {FramesOption::foSeconds, "--seconds", "", "S", FramesOptionValue::ovWhole,
     WithWindowFigures::wfRejected, WithCurves::wcApplies},
    {FramesOption::foError, "--error", "", "", FramesOptionValue::ovNone,
     WithWindowFigures::wfRejected, WithCurves::wcRejected},
    {FramesOption::foOriginal, "--original", "", "", FramesOptionValue::ovNone,
     WithWindowFigures::wfRejected, WithCurves::wcRejected},
    {FramesOption::foInput, "--input", "", "FILE", FramesOptionValue::ovFile,
     WithWindowFigures::wfRejected, WithCurves::wcApplies},
    {FramesOption::foLive, "--live", "", "[DEVICE]", FramesOptionValue::ovDevice,
     WithWindowFigures::wfRejected, WithCurves::wcApplies},
    {FramesOption::foStart, "--start", "", "SECONDS", FramesOptionValue::ovTime,
     WithWindowFigures::wfRejected, WithCurves::wcApplies},
    {FramesOption::foSpectrogram, "--spectrogram", "", "FILE", FramesOptionValue::ovFile,
     WithWindowFigures::wfRejected, WithCurves::wcRejected},
    {FramesOption::foLanes, "--lanes", "", "LANES", FramesOptionValue::ovLanes,
     WithWindowFigures::wfRejected, WithCurves::wcRejected},
    {FramesOption::foSize, "--size", "", "WxH", FramesOptionValue::ovSize,
     WithWindowFigures::wfRejected, WithCurves::wcRejected},
    {FramesOption::foTransform, "--transform", "", "N", FramesOptionValue::ovWhole,
     WithWindowFigures::wfRejected, WithCurves::wcRejected},
    {FramesOption::foFrequencyAxis, "--frequency-axis", "", "AXIS", FramesOptionValue::ovFrequencyAxis,
     WithWindowFigures::wfRejected, WithCurves::wcRejected},
    {FramesOption::foColourMap, "--colour-map", "", "MAP", FramesOptionValue::ovColourMap,
     WithWindowFigures::wfRejected, WithCurves::wcRejected},
    {FramesOption::foFloor, "--floor", "", "DB", FramesOptionValue::ovWhole,
     WithWindowFigures::wfRejected, WithCurves::wcRejected},
    {FramesOption::foWindowFigures, "--window-figures", "", "", FramesOptionValue::ovNone,
     WithWindowFigures::wfApplies, WithCurves::wcRejected},
    {FramesOption::foHelp, "--help", "-h", "", FramesOptionValue::ovNone,
     WithWindowFigures::wfApplies, WithCurves::wcApplies},
}};

static_assert(analysis::RowsInEnumOrder(FramesOptionTable,
                                        [](const FramesOptionInfo& row) { return row.Option; }));

// The names (or the numbers) an option of kind `value` accepts, in their table's order; empty
// for a flag, a number of a range or a file name.
std::vector<std::string> OptionValueNames(FramesOptionValue value);

// Every coder, in the table's order.
std::vector<analysis::CoderKind> AllCoders();

// What orvex-frames computes; the defaults are the analyzer's start-up settings.
struct FramesOptions {
    std::int32_t FrequencyHz = analysis::StartFrequencyHz;
    int LevelDb = analysis::StartLevelDb; // MinLevelDb to MaxLevelDb
    analysis::CodingMode Mode = analysis::StartCodingMode;
    // --mode named a reference coder instead of a coding mode: it codes the --wav sound, and
    // no frame is run (the frames know the coding modes only). Mode then stays as it was.
    std::optional<analysis::CoderKind> ReferenceCoder;
    analysis::WindowKind Window = analysis::StartWindowKind;
    long long Frames = 1; // as asked for; FramesToRun gives how many are computed
    FramesReport Report = FramesReport::frOrdinates;
    FramesFormat Format = FramesFormat::ffText;
    std::string PngPath; // where to write the picture of the last frame; empty for none
    // The measurement views, as the window's menu sets them; the picture draws them.
    bool Hold = false;
    int Average = 0;          // frames averaged, one of display::AveragingFrameCounts, or 0
    std::vector<int> Markers; // the bins of marker 1 and 2, at most two
    bool Measure = false;     // the distortion figures, in the picture and in the report
    analysis::CurveAxis Curves = analysis::CurveAxis::caLevel; // with frCurves
    std::string SvgPath; // with --curves: where to write the chart as SVG; empty for none
    // The sound of the tone as the stream plays it, from clock 0; empty for none.
    std::string WavPath;
    int WavSeconds = 1;    // 1 to MaxWavSeconds
    bool WavError = false; // the coding error alone, raised, instead of the coded tone
    bool WavOriginal = false; // with InputPath: the file's samples uncoded, as the coder takes them
    // The sound file the frames take their samples from instead of the tone; empty for the
    // tone. The level is then a gain on the file.
    std::string InputPath;
    // With --measure: the files given after InputPath, measured like it, in their order.
    std::vector<std::string> MoreInputPaths;
    double StartSeconds = 0.0; // where in InputPath the first frame starts
    // --live: the sound server's input to record WavSeconds of first (empty for its default
    // input); the recording is then the input, as a file named by InputPath.
    std::optional<std::string> LiveDevice;
    // With --measure of --input files: the coders measured, in the table's order, and how many
    // of each one's worst moments are listed (0 for none).
    std::vector<analysis::CoderKind> MaterialCoders = AllCoders();
    int WorstMoments = 0;
    bool ShowHelp = false;
    // The spectrogram of the whole input from StartSeconds, or of WavSeconds of the tone, as
    // a picture or (a name ending in .csv) as numbers; empty for none. The look's lanes,
    // frequency axis, colour map, floor and transform length are the options'.
    std::string SpectrogramPath;
    charts::TSpectrogramLook Spectrogram;
    int SpectrogramWidth = charts::DefaultSpectrogramSize.width();
    int SpectrogramHeight = charts::DefaultSpectrogramSize.height();
};

// The most worst moments --worst lists per file and coder.
inline constexpr int MaxWorstMoments = 1000;

// The largest spectrogram picture the tool draws, in pixels each way.
inline constexpr int MaxSpectrogramSide = 8192;

// The longest sound --wav writes, in seconds (an hour: 230 MB of 32-bit samples).
inline constexpr int MaxWavSeconds = 3600;

// A bad command line; what() is the one-line message for standard error.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The longest part of a value, in characters, that an error message repeats.
inline constexpr std::size_t EchoedValueLength = 40;

// `text` as an error message shows it: in single quotes, control characters, bytes that
// are not UTF-8, backslashes and quotes escaped in C style, cut after EchoedValueLength
// characters with "..." added. A raw value could otherwise move the cursor, recolour the
// terminal or spread the message over many lines.
std::string QuotedValue(std::string_view text);

// The text of --help.
std::string FramesUsage();

// Parses the arguments after the program name. Throws UsageError on an unknown option, a
// missing or unknown value, a value out of its range, a value given to a flag, an option
// where a value belongs, an option given twice (but --input, which adds files), options
// that exclude each other or an option that --window-figures has no use for.
FramesOptions ParseFramesOptions(std::span<const std::string_view> arguments);

// How many frames must be computed to get the output of `frames` frames. A frame depends
// only on the settings and on its 1024 sample-clock values. The first frame starts at
// clock 0; after it the clock runs through 1 to 16000 over and over, and 125 frames take
// exactly eight of those seconds, so from the second frame on frame n + 125 repeats frame
// n bit for bit. Any count therefore comes down to at most 126 frames.
long long FramesToRun(long long frames);

// As FramesToRun, but for views that keep what earlier frames showed (peak hold, an
// average): from the second frame on, every frame of a whole clock cycle that the asked-for
// run goes through is run as well.
long long FramesToRunWithHistory(long long frames);

} // namespace tools
