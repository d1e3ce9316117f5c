// SPDX-License-Identifier: GPL-3.0-or-later
#include "frames_report.h"
#include "frames_curves.h"

#include "display/spectrum_plot.h"

#include "analysis/frames/analyzer.h"
#include "analysis/figures/coder_figures.h"
#include "analysis/frames/frame_pipeline.h"
#include "analysis/windows/window_figures.h"
#include "display/figure_texts.h"
#include "analysis/frames/tone_source.h"
#include "sound/sound_file.h"

#include <algorithm>
#include <cassert>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

namespace tools {
namespace {

using analysis::TWindowFigures;
// Keys stay in the order they are written, settings first.
using Json = nlohmann::ordered_json;

// One figure of the window table, as each format names it.
struct WindowFigureColumn {
    std::string_view Key;     // CSV header and JSON key
    std::string_view Heading; // heading of the text table
    double TWindowFigures::*Figure;
};

constexpr std::array<WindowFigureColumn, 6> WindowFigureColumns = {{
    {"coherent_gain", "coherent gain", &TWindowFigures::CoherentGain},
    {"enbw_bins", "ENBW (bins)", &TWindowFigures::EnbwBins},
    {"scalloping_loss_db", "scalloping loss (dB)", &TWindowFigures::ScallopingLossDb},
    {"width_3db_bins", "-3 dB width (bins)", &TWindowFigures::Width3DbBins},
    {"width_6db_bins", "-6 dB width (bins)", &TWindowFigures::Width6DbBins},
    {"highest_side_lobe_db", "highest side lobe (dB)", &TWindowFigures::HighestSideLobeDb},
}};

// What the levels and the peak are relative to, in the words of the --help text: they are
// the display's, not a textbook FFT's.
constexpr std::string_view DisplayLevelsNote =
    "relative to the frame's own normalisation (the largest bin of each frame is scaled to the "
    "frame's largest sample) and using the |re| + |im| magnitude the display draws, so a tone "
    "between bins shows no scalloping loss in peak and far bins differ from a textbook FFT by up "
    "to 3.9 dB";

// The key of the object that tells what each other key of a JSON report means.
constexpr std::string_view FieldsKey = "fields";

struct FieldDescription {
    std::string_view Key;
    std::string_view Meaning; // with DisplayLevelsNote appended when NotedLevels
    bool NotedLevels;
};

constexpr std::array<FieldDescription, 9> FrameFieldDescriptions = {{
    {"settings",
     "the run's tone frequency_hz (or, with --input, the input file and start_s, where its first "
     "frame starts; with --live, the live input device, empty for the default, and start_s), "
     "level_db, coding mode, analysis window and frames",
     false},
    {"ordinates",
     "the last frame's 512 plot ordinates: each bin's height in pixels above the plot's bottom "
     "edge, 1.46 pixels per dB of its dbfs level, 0 below the plot's floor; ",
     true},
    {"dbfs",
     "each bin's level in dB against a full-scale tone on a bin, null below the plot's floor; ",
     true},
    {"peak",
     "the largest bin (the lowest of equals): its bin, the frequency_hz of its centre and its "
     "level_db as in dbfs, null when no bin reaches the plot's floor; ",
     true},
    {"coder_figures",
     "the coding mode against the uncoded tone over one second: silent, exact, snr_db and "
     "effective_bits (null when silent or exact) and max_error, the largest error in 16-bit "
     "steps; null with --input",
     false},
    {"window_figures",
     "the analysis window's own figures, measured on its table like a textbook FFT: "
     "coherent_gain, enbw_bins, scalloping_loss_db (what a tone half a bin off centre loses), "
     "width_3db_bins, width_6db_bins and highest_side_lobe_db",
     false},
    {"samples", "with --samples: the last frame's 1024 coded samples, before windowing", false},
    {"sample_clocks",
     "with --samples: each sample's sample-clock value, 0 to 16000, or with --input its position "
     "in the file, counted in samples at 16000 Hz",
     false},
    {"distortion",
     "with --measure: the last frame's distortion figures from the transform's true power "
     "(re^2 + im^2) and the window's own noise bandwidth, not from the display's magnitudes: "
     "fundamental_hz, fundamental_dbfs, thd_db of harmonics 2 to 10 with "
     "harmonics_on_fundamental left out, sinad_db, snr_db, sfdr_db with spur_hz and "
     "effective_bits (a figure comparing with nothing is null); null for a silent frame",
     false},
}};

// The distortion figures as the CSV and JSON reports name them.
struct DistortionFigureColumn {
    std::string_view Key;
    double analysis::TDistortionFigures::*Figure;
    // The figure this one belongs to, given only where that one is: the spur's frequency
    // goes with SFDR. Null for a figure of its own.
    double analysis::TDistortionFigures::*Owner = nullptr;
};

constexpr std::array<DistortionFigureColumn, 8> DistortionFigureColumns = {{
    {"fundamental_hz", &analysis::TDistortionFigures::FundamentalHz},
    {"fundamental_dbfs", &analysis::TDistortionFigures::FundamentalDbfs},
    {"thd_db", &analysis::TDistortionFigures::ThdDb},
    {"sinad_db", &analysis::TDistortionFigures::SinadDb},
    {"snr_db", &analysis::TDistortionFigures::SnrDb},
    {"sfdr_db", &analysis::TDistortionFigures::SfdrDb},
    {"spur_hz", &analysis::TDistortionFigures::SpurHz, &analysis::TDistortionFigures::SfdrDb},
    {"effective_bits", &analysis::TDistortionFigures::EffectiveBits},
}};
constexpr std::string_view HarmonicsOnFundamentalKey = "harmonics_on_fundamental";

constexpr std::array<FieldDescription, 2> WindowFieldDescriptions = {{
    {"zero_padding",
     "how many times its length each window's transform is zero-padded to measure the lobes",
     false},
    {"windows",
     "one object per window: its name and coherent_gain, enbw_bins, scalloping_loss_db, "
     "width_3db_bins, width_6db_bins and highest_side_lobe_db",
     false},
}};

constexpr std::string_view WindowColumnKey = "window";
constexpr int TableDecimals = 4;
constexpr std::size_t TableGap = 2;

// A sample as the text format has always printed it: 17 significant digits.
std::string SampleText(double sample) {
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", sample);
    return text;
}

bool AboveFloor(double binValue) {
    return binValue >= analysis::PlotFloorBinValue;
}

std::string PaddedLeft(std::string text, std::size_t width) {
    return text.size() < width ? std::string(width - text.size(), ' ') + text : text;
}

std::string PaddedRight(std::string text, std::size_t width) {
    return text.size() < width ? text + std::string(width - text.size(), ' ') : text;
}

std::size_t WindowNameWidth() {
    std::size_t width = WindowColumnKey.size();
    for (const analysis::TWindowKindInfo& window : analysis::WindowKinds) {
        width = std::max(width, window.ToolName.size());
    }
    return width;
}

Json WindowFiguresJson(const analysis::TWindowKindInfo& window) {
    const TWindowFigures& figures = analysis::WindowFiguresOf(window.Kind);
    Json object;
    object[std::string(WindowColumnKey)] = window.ToolName;
    for (const WindowFigureColumn& column : WindowFigureColumns) {
        object[std::string(column.Key)] = figures.*column.Figure;
    }
    return object;
}

// What each key of `report` means, from `descriptions`; every key there must be described.
template <std::size_t Size>
Json FieldsJson(const Json& report, const std::array<FieldDescription, Size>& descriptions) {
    Json fields;
    for (const auto& item : report.items()) {
        const std::string& key = item.key();
        const auto* description =
            std::find_if(descriptions.begin(), descriptions.end(),
                         [&key](const FieldDescription& row) { return row.Key == key; });
        assert(description != descriptions.end());
        fields[key] = std::string(description->Meaning) +
                      (description->NotedLevels ? std::string(DisplayLevelsNote) : "");
    }
    return fields;
}

void WriteWindowFigures(FramesFormat format, std::ostream& out) {
    switch (format) {
    case FramesFormat::ffText: {
        const std::size_t nameWidth = WindowNameWidth();
        out << PaddedRight(std::string(WindowColumnKey), nameWidth);
        for (const WindowFigureColumn& column : WindowFigureColumns) {
            out << std::string(TableGap, ' ') << column.Heading;
        }
        out << '\n';
        for (const analysis::TWindowKindInfo& window : analysis::WindowKinds) {
            const TWindowFigures& figures = analysis::WindowFiguresOf(window.Kind);
            out << PaddedRight(std::string(window.ToolName), nameWidth);
            for (const WindowFigureColumn& column : WindowFigureColumns) {
                out << std::string(TableGap, ' ')
                    << PaddedLeft(display::FixedText(figures.*column.Figure, TableDecimals),
                                  column.Heading.size());
            }
            out << '\n';
        }
        return;
    }
    case FramesFormat::ffCsv:
        out << WindowColumnKey;
        for (const WindowFigureColumn& column : WindowFigureColumns) {
            out << ',' << column.Key;
        }
        out << '\n';
        for (const analysis::TWindowKindInfo& window : analysis::WindowKinds) {
            const TWindowFigures& figures = analysis::WindowFiguresOf(window.Kind);
            out << window.ToolName;
            for (const WindowFigureColumn& column : WindowFigureColumns) {
                out << ',' << Shortest(figures.*column.Figure);
            }
            out << '\n';
        }
        return;
    case FramesFormat::ffJson: {
        Json windows = Json::array();
        for (const analysis::TWindowKindInfo& window : analysis::WindowKinds) {
            windows.push_back(WindowFiguresJson(window));
        }
        Json report;
        report["zero_padding"] = analysis::WindowFiguresPadding;
        report["windows"] = std::move(windows);
        report[std::string(FieldsKey)] = FieldsJson(report, WindowFieldDescriptions);
        out << report.dump() << '\n';
        return;
    }
    }
}

void WriteText(const FramesOptions& options, const LastFrame& frame, std::ostream& out) {
    if (options.Report == FramesReport::frSamples) {
        for (const double sample : frame.Samples) {
            out << SampleText(sample) << '\n';
        }
    } else {
        for (const std::int32_t ordinate : frame.Ordinates) {
            out << ordinate << '\n';
        }
    }
    // The figures follow after a blank line, as the picture shows them.
    if (options.Measure) {
        out << '\n';
        for (const std::string& line : display::DistortionFiguresLines(frame.Distortion)) {
            out << line << '\n';
        }
        out << display::CoderSnrText(
                   analysis::Describe(options.Mode),
                   analysis::MeasureCoderFigures(options.FrequencyHz, options.LevelDb, options.Mode))
            << '\n';
    }
}

// A figure for CSV and JSON: the shortest exact text, or none where it, or the figure it
// belongs to, compares nothing.
std::optional<double> FiniteFigure(const analysis::TDistortionFigures& figures,
                                   const DistortionFigureColumn& column) {
    const double value = figures.*column.Figure;
    const bool given = std::isfinite(value) &&
                       (column.Owner == nullptr || std::isfinite(figures.*column.Owner));
    return given ? std::optional<double>(value) : std::nullopt;
}

void WriteDistortionCsv(const LastFrame& frame, std::ostream& out) {
    out << "\nfigure,value\n";
    if (frame.Distortion.Silent) {
        return;
    }
    for (const DistortionFigureColumn& column : DistortionFigureColumns) {
        const std::optional<double> value = FiniteFigure(frame.Distortion, column);
        out << column.Key << ',' << (value ? Shortest(*value) : "") << '\n';
    }
    out << HarmonicsOnFundamentalKey << ',' << frame.Distortion.HarmonicsOnFundamental << '\n';
}

Json DistortionJson(const LastFrame& frame) {
    if (frame.Distortion.Silent) {
        return nullptr;
    }
    Json object;
    for (const DistortionFigureColumn& column : DistortionFigureColumns) {
        const std::optional<double> value = FiniteFigure(frame.Distortion, column);
        object[std::string(column.Key)] = value ? Json(*value) : Json(nullptr);
    }
    object[std::string(HarmonicsOnFundamentalKey)] = frame.Distortion.HarmonicsOnFundamental;
    return object;
}

void WriteCsv(const FramesOptions& options, const LastFrame& frame, std::ostream& out) {
    if (options.Report == FramesReport::frSamples) {
        out << "index,clock,sample\n";
        for (std::size_t k = 0; k < frame.Samples.size(); ++k) {
            out << k << ',' << frame.Clocks[k] << ',' << SampleText(frame.Samples[k]) << '\n';
        }
        return;
    }
    out << "bin,hz,ordinate,dbfs\n";
    for (std::size_t k = 0; k < frame.Ordinates.size(); ++k) {
        const double value = frame.BinValues[k];
        out << k << ',' << Shortest(static_cast<double>(k) * analysis::BinSpacingHz) << ','
            << frame.Ordinates[k] << ','
            << (AboveFloor(value) ? Shortest(display::BinLevelDb(value)) : "") << '\n';
    }
    if (options.Measure) {
        WriteDistortionCsv(frame, out);
    }
}

// The largest bin, the lowest of equals; null when no bin reaches the plot's floor.
Json PeakJson(const LastFrame& frame) {
    const auto largest = std::max_element(frame.BinValues.begin(), frame.BinValues.end());
    if (!AboveFloor(*largest)) {
        return nullptr;
    }
    const auto bin = static_cast<int>(largest - frame.BinValues.begin());
    Json peak;
    peak["bin"] = bin;
    peak["frequency_hz"] = bin * analysis::BinSpacingHz;
    peak["level_db"] = display::BinLevelDb(*largest);
    return peak;
}

Json CoderFiguresJson(const FramesOptions& options) {
    const analysis::TCoderFigures figures =
        analysis::MeasureCoderFigures(options.FrequencyHz, options.LevelDb, options.Mode);
    // Neither a silent tone nor an exact coding has a noise to compare the tone with.
    const bool measurable = !figures.Silent && !figures.Exact;
    Json object;
    object["silent"] = figures.Silent;
    object["exact"] = figures.Exact;
    object["snr_db"] = measurable ? Json(figures.SnrDb) : Json(nullptr);
    object["effective_bits"] = measurable ? Json(figures.EffectiveBits) : Json(nullptr);
    object["max_error"] = figures.MaxError;
    return object;
}

void WriteJson(const FramesOptions& options, const LastFrame& frame, std::ostream& out) {
    Json settings;
    if (options.InputPath.empty()) {
        settings["frequency_hz"] = options.FrequencyHz;
    } else {
        if (options.LiveDevice) {
            settings["live"] = *options.LiveDevice;
        } else {
            settings["input"] = options.InputPath;
        }
        settings["start_s"] = options.StartSeconds;
    }
    settings["level_db"] = options.LevelDb;
    settings["mode"] = analysis::Describe(options.Mode).ToolName;
    settings["window"] = analysis::Describe(options.Window).ToolName;
    settings["frames"] = options.Frames;

    Json dbfs = Json::array();
    for (const double value : frame.BinValues) {
        dbfs.push_back(AboveFloor(value) ? Json(display::BinLevelDb(value)) : Json(nullptr));
    }

    Json report;
    report["settings"] = std::move(settings);
    report["ordinates"] = frame.Ordinates;
    report["dbfs"] = std::move(dbfs);
    report["peak"] = PeakJson(frame);
    report["coder_figures"] = options.InputPath.empty() ? CoderFiguresJson(options) : Json(nullptr);
    report["window_figures"] = WindowFiguresJson(analysis::Describe(options.Window));
    if (options.Report == FramesReport::frSamples) {
        report["samples"] = frame.Samples;
        report["sample_clocks"] = frame.Clocks;
    }
    if (options.Measure) {
        report["distortion"] = DistortionJson(frame);
    }
    report[std::string(FieldsKey)] = FieldsJson(report, FrameFieldDescriptions);
    // A file name need not be UTF-8; its other bytes become U+FFFD in the report.
    out << report.dump(-1, ' ', false, Json::error_handler_t::replace) << '\n';
}

} // namespace

std::string Shortest(double value) {
    std::array<char, 32> buffer{};
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    assert(error == std::errc());
    return std::string(buffer.data(), end);
}

bool NeedsFrames(const FramesOptions& options) {
    return options.Report == FramesReport::frOrdinates || options.Report == FramesReport::frSamples;
}

namespace {

// Runs `frames` frames from `source`, handing each to the views, and keeps the last one's
// samples, each numbered by `firstSample` and `nextSample` (the tone's clock values, or a
// file's sample positions).
void RunFramesFrom(analysis::TSampleSource& source, const FramesOptions& options, long long frames,
                   std::int64_t firstSample, std::int64_t (*nextSample)(std::int64_t),
                   LastFrame& frame) {
    using namespace analysis;
    // A file has no tone frequency of its own.
    const std::int32_t frequencyHz = options.InputPath.empty() ? options.FrequencyHz : 0;
    for (long long index = 1; index < frames; ++index) {
        ComputeFrame(source, options.Mode, frame.Ordinates);
        display::HandFrameToViews(frame.Views, frequencyHz, options.Mode, frame.Ordinates);
        firstSample += FrameLength;
    }
    for (std::int32_t& sample : frame.Clocks) {
        sample = static_cast<std::int32_t>(firstSample);
        firstSample = nextSample(firstSample);
    }
    TakeFrame(source, options.Mode, frame.Samples);
    TransformFrame();
    ComputeOrdinates(frame.Ordinates);
    for (int bin = 0; bin < PlottedBins; ++bin) {
        frame.BinValues[static_cast<std::size_t>(bin)] = BinValue(bin);
    }
    display::HandFrameToViews(frame.Views, frequencyHz, options.Mode, frame.Ordinates);
    frame.Distortion = frame.Views.Figures();
}

} // namespace

std::unique_ptr<sound::TSoundFile> OpenInput(const FramesOptions& options) {
    std::unique_ptr<sound::TSoundFile> file;
    try {
        file = std::make_unique<sound::TSoundFile>(options.InputPath);
    } catch (const sound::TSoundFileError& error) {
        throw InputError("cannot read " + QuotedValue(options.InputPath) + ": " + error.what());
    }
    const std::int64_t samples = file->Info().Samples;
    const auto start =
        static_cast<std::int64_t>(std::llround(options.StartSeconds * analysis::SampleRate));
    if (start >= samples) {
        throw InputError("--start " + Shortest(options.StartSeconds) + " lies past the end of " +
                         QuotedValue(options.InputPath) + " (" +
                         Shortest(static_cast<double>(samples) / analysis::SampleRate) +
                         " s long)");
    }
    try {
        file->Seek(start);
    } catch (const sound::TSoundFileError& error) {
        throw InputError("cannot read " + QuotedValue(options.InputPath) + ": " + error.what());
    }
    return file;
}

LastFrame RunLastFrame(const FramesOptions& options) {
    using namespace analysis;
    StartAnalyzer(options.Window, options.LevelDb);

    LastFrame frame;
    display::TPlotViews& views = frame.Views;
    views.SetPeakHold(options.Hold);
    views.SetAveraging(options.Average);
    for (std::size_t marker = 0; marker < options.Markers.size(); ++marker) {
        views.PlaceMarker(static_cast<display::TMarker>(marker), options.Markers[marker]);
    }
    views.SetFiguresShown(options.Measure);
    if (!options.InputPath.empty()) {
        const std::unique_ptr<sound::TSoundFile> opened = OpenInput(options);
        sound::TSoundFile& file = *opened;
        const std::int64_t start = file.Position();
        // Every frame asked for starts within the file; the last may run past its end, into
        // silence.
        const std::int64_t framesInFile = (file.Info().Samples - start - 1) / FrameLength + 1;
        if (options.Frames > framesInFile) {
            throw InputError(QuotedValue(options.InputPath) + " holds " +
                             std::to_string(framesInFile) + " frames from --start " +
                             Shortest(options.StartSeconds) + ", not " +
                             std::to_string(options.Frames));
        }
        RunFramesFrom(file, options, options.Frames, start,
                      [](std::int64_t sample) { return sample + 1; }, frame);
        return frame;
    }
    const long long frames = options.Hold || options.Average != 0
                                 ? FramesToRunWithHistory(options.Frames)
                                 : FramesToRun(options.Frames);
    // Each sample takes the clock's value, and the clock wraps from 16000 back to 1.
    TToneSource tone(options.FrequencyHz);
    RunFramesFrom(tone, options, frames, AnalyzerState.SampleCounter,
                  [](std::int64_t clock) { return clock == SampleRate ? std::int64_t{1} : clock + 1; },
                  frame);
    return frame;
}

void WriteReport(const FramesOptions& options, const LastFrame& frame, std::ostream& out) {
    if (options.Report == FramesReport::frWindowFigures) {
        WriteWindowFigures(options.Format, out);
        return;
    }
    if (options.Report == FramesReport::frCurves) {
        WriteCurvesReport(options, ComputeCurves(options), out);
        return;
    }
    switch (options.Format) {
    case FramesFormat::ffText:
        WriteText(options, frame, out);
        return;
    case FramesFormat::ffCsv:
        WriteCsv(options, frame, out);
        return;
    case FramesFormat::ffJson:
        WriteJson(options, frame, out);
        return;
    }
}

void RunFrames(const FramesOptions& options, std::ostream& out) {
    const LastFrame frame = NeedsFrames(options) ? RunLastFrame(options) : LastFrame{};
    WriteReport(options, frame, out);
}

} // namespace tools
