// SPDX-License-Identifier: GPL-3.0-or-later
#include "frames_curves.h"

#include "analysis/figures/coder_curves.h"
#include "analysis/figures/material_curves.h"
#include "frames_live.h"
#include "frames_report.h"
#include "sound/sound_file.h"

#include <cmath>
#include <filesystem>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <string>

namespace tools {
namespace {

using Json = nlohmann::ordered_json;

// Both cores: the curves take a few tenths of a second on one.
constexpr int CurveThreads = 2;
constexpr int TextColumnWidth = 16;

std::string AxisKey(analysis::CurveAxis axis) {
    return axis == analysis::CurveAxis::caLevel ? "level_db" : "frequency_hz";
}

std::optional<double> Snr(const charts::TCurveChartData& data, int index, analysis::CoderKind kind) {
    return analysis::PlottedSnrDb(data.Points[analysis::CurveBufferIndex(index, kind)]);
}

std::string Padded(std::string text) {
    return text.size() < TextColumnWidth ? std::string(TextColumnWidth - text.size(), ' ') + text
                                         : " " + text;
}

// Each coder's verdict against the telephone mask, where the chart draws it: after the table
// in text, one line per coder.
void WriteMaskText(const charts::TCurveChartData& data, std::ostream& out) {
    const auto verdicts = charts::TelephoneMaskVerdicts(data);
    if (!verdicts) {
        return;
    }
    char reference[64];
    std::snprintf(reference, sizeof reference, "%.2f", analysis::Dbm0ToDbfs(0));
    out << "\nG.712 telephone mask at " << data.Request.FrequencyHz << " Hz (0 dBm0 = "
        << reference << " dB; " << charts::TelephoneBandText() << "):\n";
    for (const analysis::TCoderInfo& coder : analysis::Coders) {
        out << Padded(std::string(coder.Caption)) << "  "
            << charts::MaskVerdictText((*verdicts)[static_cast<std::size_t>(coder.Kind)]) << '\n';
    }
}

Json MaskJson(const charts::TCurveChartData& data) {
    const auto verdicts = charts::TelephoneMaskVerdicts(data);
    if (!verdicts) {
        return nullptr;
    }
    Json mask;
    mask["full_scale_dbm0"] = analysis::FullScaleDbm0;
    mask["band_hz"] = Json::array({analysis::TelephoneBandLowestHz, analysis::TelephoneBandHighestHz});
    Json coders = Json::array();
    for (const analysis::TCoderInfo& coder : analysis::Coders) {
        const analysis::TMaskVerdict& verdict = (*verdicts)[static_cast<std::size_t>(coder.Kind)];
        const bool meets = verdict.Outcome == analysis::MaskOutcome::moMeets;
        Json row;
        row["coder"] = coder.ToolName;
        row["meets"] = meets;
        row["falls_below_at_dbm0"] = meets ? Json(nullptr) : Json(verdict.FirstBelowDbm0);
        coders.push_back(std::move(row));
    }
    mask["coders"] = std::move(coders);
    return mask;
}

void WriteText(const charts::TCurveChartData& data, std::ostream& out) {
    const analysis::CurveAxis axis = data.Request.Axis;
    out << Padded(AxisKey(axis));
    for (const analysis::TCoderInfo& coder : analysis::Coders) {
        out << Padded(std::string(coder.Caption));
    }
    out << '\n';
    for (int index = 0; index < analysis::CurvePointCount(axis); ++index) {
        out << Padded(std::to_string(analysis::CurveAbscissa(axis, index)));
        for (const analysis::TCoderInfo& coder : analysis::Coders) {
            const std::optional<double> snr = Snr(data, index, coder.Kind);
            char text[32] = "-";
            if (snr) {
                std::snprintf(text, sizeof text, "%.2f", *snr);
            }
            out << Padded(text);
        }
        out << '\n';
    }
    WriteMaskText(data, out);
}

void WriteJson(const FramesOptions& options, const charts::TCurveChartData& data,
               std::ostream& out) {
    const analysis::CurveAxis axis = data.Request.Axis;
    Json settings;
    settings["axis"] = Describe(axis);
    settings["frequency_hz"] = options.FrequencyHz;
    settings["level_db"] = options.LevelDb;
    Json coders = Json::array();
    for (const analysis::TCoderInfo& coder : analysis::Coders) {
        Json row;
        row["coder"] = coder.ToolName;
        row["caption"] = coder.Caption;
        Json snr = Json::array();
        for (int index = 0; index < analysis::CurvePointCount(axis); ++index) {
            const std::optional<double> value = Snr(data, index, coder.Kind);
            snr.push_back(value ? Json(*value) : Json(nullptr));
        }
        row["snr_db"] = std::move(snr);
        coders.push_back(std::move(row));
    }
    Json abscissas = Json::array();
    for (int index = 0; index < analysis::CurvePointCount(axis); ++index) {
        abscissas.push_back(analysis::CurveAbscissa(axis, index));
    }
    Json report;
    report["settings"] = std::move(settings);
    report[AxisKey(axis)] = std::move(abscissas);
    report["coders"] = std::move(coders);
    report["telephone_mask"] = MaskJson(data);
    Json fields;
    fields["settings"] = "the curves' axis and the tone's frequency_hz and level_db; the "
                         "setting the axis runs over is not used";
    fields[AxisKey(axis)] = "each point's level in dB or frequency in Hz";
    fields["coders"] = "one object per coder: its name, its caption and its SNR in dB at each "
                       "point over one second of the tone (coded minus exact), null where the "
                       "tone is silent or the coder exact";
    fields["telephone_mask"] =
        "on the level axis at 1004 to 1025 Hz, each coder against the G.712 mask (36 dB from 0 "
        "to -30 dBm0, 30 dB at -40 dBm0, 25 dB at -45 dBm0, straight between): whether its "
        "SNR with the error counted within band_hz (the telephone band, in Hz) stays on or "
        "above it from 0 to -45 dBm0 and, if not, the level where it first falls below; "
        "full_scale_dbm0 is our full-scale sine in dBm0; null elsewhere";
    report["fields"] = std::move(fields);
    out << report.dump() << '\n';
}

// A material figure as the tool prints it: finite, or none.
std::optional<double> Finite(double figure) {
    return std::isfinite(figure) ? std::optional(figure) : std::nullopt;
}

const analysis::TMaterialPoint& MaterialAt(const charts::TMaterialChartData& data, int index,
                                           analysis::CoderKind kind) {
    return data.Points[analysis::MaterialCurveBufferIndex(index, kind)];
}

void WriteText(const charts::TMaterialChartData& data, std::ostream& out) {
    out << Padded("gain_db");
    for (const analysis::TCoderInfo& coder : analysis::Coders) {
        out << Padded(std::string(coder.ToolName) + " snr") << Padded(std::string(coder.ToolName) + " segmental");
    }
    out << '\n';
    for (int index = 0; index < analysis::MaterialCurvePoints; ++index) {
        out << Padded(std::to_string(analysis::MaterialCurveGainDb(index)));
        for (const analysis::TCoderInfo& coder : analysis::Coders) {
            const analysis::TMaterialPoint& point = MaterialAt(data, index, coder.Kind);
            for (const double figure : {point.SnrDb, point.SegmentalSnrDb}) {
                char text[32] = "-";
                if (const std::optional<double> shown = Finite(figure)) {
                    std::snprintf(text, sizeof text, "%.2f", *shown);
                }
                out << Padded(text);
            }
        }
        out << '\n';
    }
}

void WriteJson(const FramesOptions& options, const charts::TMaterialChartData& data,
                       std::ostream& out) {
    Json settings;
    settings["axis"] = "level";
    settings["input"] = options.LiveDevice ? std::string(LiveName) : options.InputPath;
    settings["start_s"] = options.StartSeconds;
    settings["seconds"] = static_cast<double>(data.Samples) / analysis::SampleRate;
    settings["level_db"] = options.LevelDb;
    Json gains = Json::array();
    for (int index = 0; index < analysis::MaterialCurvePoints; ++index) {
        gains.push_back(analysis::MaterialCurveGainDb(index));
    }
    Json coders = Json::array();
    for (const analysis::TCoderInfo& coder : analysis::Coders) {
        Json row;
        row["coder"] = coder.ToolName;
        row["caption"] = coder.Caption;
        Json snr = Json::array();
        Json segmental = Json::array();
        for (int index = 0; index < analysis::MaterialCurvePoints; ++index) {
            const analysis::TMaterialPoint& point = MaterialAt(data, index, coder.Kind);
            const std::optional<double> a = Finite(point.SnrDb);
            const std::optional<double> b = Finite(point.SegmentalSnrDb);
            snr.push_back(a ? Json(*a) : Json(nullptr));
            segmental.push_back(b ? Json(*b) : Json(nullptr));
        }
        row["snr_db"] = std::move(snr);
        row["segmental_snr_db"] = std::move(segmental);
        coders.push_back(std::move(row));
    }
    Json report;
    report["settings"] = std::move(settings);
    report["gain_db"] = std::move(gains);
    report["coders"] = std::move(coders);
    Json fields;
    fields["settings"] = "the input file, where its measured part starts and how long it is "
                         "(at most 20 s), and the level_db marked on the chart";
    fields["gain_db"] = "each point's gain on the material in dB";
    fields["coders"] = "one object per coder: its name, its caption, and at each gain its SNR "
                       "and segmental SNR in dB over the material (as --measure defines them), "
                       "null where the coder is exact or no segment is active";
    report["fields"] = std::move(fields);
    out << report.dump() << '\n';
}

// Either curves in the options' format.
template <typename TData>
void WriteInFormat(const FramesOptions& options, const TData& data, std::ostream& out) {
    switch (options.Format) {
    case FramesFormat::ffText:
        WriteText(data, out);
        return;
    case FramesFormat::ffCsv:
        charts::WriteCurveCsv(data, out);
        return;
    case FramesFormat::ffJson:
        WriteJson(options, data, out);
        return;
    }
}

} // namespace

charts::TMaterialChartData ComputeMaterialCurves(const FramesOptions& options) {
    const std::unique_ptr<sound::TSoundFile> file = OpenInput(options);
    charts::TMaterialChartData data;
    std::vector<float> material;
    try {
        material = sound::ReadAhead(*file, analysis::MaterialCurveLongestSamples);
    } catch (const sound::TSoundFileError& error) {
        throw InputError("cannot read " + QuotedValue(options.InputPath) + ": " + error.what());
    }
    data.Name = options.LiveDevice ? LiveName : std::filesystem::path(options.InputPath).filename().string();
    data.Samples = static_cast<std::int64_t>(material.size());
    analysis::ComputeMaterialCurves(material, data.Points, {}, {}, CurveThreads);
    data.Done.assign(data.Done.size(), true);
    data.Marked = options.LevelDb;
    return data;
}

std::string_view Describe(analysis::CurveAxis axis) {
    return CurveAxes[static_cast<std::size_t>(axis)].ToolName;
}

charts::TCurveChartData ComputeCurves(const FramesOptions& options) {
    const analysis::TCurveRequest request{options.Curves, options.FrequencyHz, options.LevelDb};
    charts::TCurveChartData data = charts::EmptyChartData(request);
    analysis::ComputeCoderCurves(request, data.Points, {}, {}, CurveThreads);
    data.Done.assign(data.Done.size(), true);
    data.Marked = options.Curves == analysis::CurveAxis::caLevel ? options.LevelDb
                                                                  : options.FrequencyHz;
    return data;
}

void WriteCurvesReport(const FramesOptions& options, const charts::TCurveChartData& data,
                       std::ostream& out) {
    WriteInFormat(options, data, out);
}

void WriteCurvesReport(const FramesOptions& options, const charts::TMaterialChartData& data,
                       std::ostream& out) {
    WriteInFormat(options, data, out);
}

} // namespace tools
