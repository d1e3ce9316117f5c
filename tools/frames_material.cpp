// SPDX-License-Identifier: GPL-3.0-or-later
#include "frames_material.h"

#include "analysis/frames/analyzer_state.h"
#include "analysis/frames/level_gain.h"
#include "display/figure_texts.h"
#include "display/material_table.h"
#include "frames_live.h"
#include "frames_progress.h"
#include "frames_report.h"
#include "sound/sound_file.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cassert>
#include <cmath>
#include <cstdio>
#include <exception>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <ostream>
#include <thread>

namespace tools {
namespace {

using Json = nlohmann::ordered_json;

// Samples taken from a file at a time.
constexpr std::size_t BlockSamples = 4096;

// The worst segments in the text table: their SNR to a hundredth of a decibel, their start
// to a tenth of a millisecond.
constexpr int DecibelDecimals = 2;
constexpr int SecondsDecimals = 4;
constexpr std::size_t TableGap = 2;

using display::MaterialColumns;
using display::TMaterialColumn;

constexpr std::string_view FileKey = "file";
constexpr std::string_view CoderKey = "coder";

constexpr std::string_view MaterialFieldsMeaning =
    "one object per file measured (a file that could not be read is left out and named "
    "on standard error), each with its file name, start_s (where the measure began) and one "
    "object per coder: snr_db, 10 log10 of the original's energy over the error's over the "
    "whole file (null when either is 0: silence, or an exact coder, then exact is true); "
    "segmental_snr_db, the mean SNR of the active segments of 30 ms every 7.5 ms, each limited "
    "to -10..35 dB, a segment being active when its power lies within 50 dB of the loudest "
    "segment's (null without one); segments, how many were active; "
    "log_spectral_distance_db, the mean over the active non-overlapping 30 ms frames of the "
    "RMS difference of the two Hann-windowed dB spectra from 0 to 8 kHz; largest_error, the "
    "largest |coded - original| in 16-bit steps; active_level_db, the active segments' mean "
    "power against a full-scale square wave (a full-scale sine reads -3.01 dB); with --worst, "
    "worst: the coder's worst active segments, none overlapping another, worst first, each "
    "with start_s, end_s and snr_db (limited as above)";

double SecondsOf(std::int64_t sample) {
    return static_cast<double>(sample) / analysis::SampleRate;
}

Json JsonFigure(double value) {
    return std::isfinite(value) ? Json(value) : Json(nullptr);
}

std::string_view CoderName(analysis::CoderKind coder) {
    return analysis::Describe(coder).ToolName;
}

std::string Padded(std::string text, std::size_t width, bool left) {
    const std::string blanks(text.size() < width ? width - text.size() : 0, ' ');
    return left ? blanks + text : text + blanks;
}

// One piece of work: some of one file's coders.
struct MaterialTask {
    std::size_t File;
    std::vector<std::size_t> Coders; // indexes into options.MaterialCoders
};

// Measures `task`'s coders over its file and puts their figures into `file`'s slots, counting
// the samples measured in `progress`.
void RunTask(const FramesOptions& options, const MaterialTask& task, MaterialFile& file,
             std::string& error, FramesProgress& progress) {
    // Each task writes only its own coders' slots of `file`, and `error`.
    FramesOptions one = options;
    one.InputPath = file.Path;
    std::vector<analysis::SampleCodeFunction> codes;
    for (const std::size_t coder : task.Coders) {
        codes.push_back(analysis::Describe(options.MaterialCoders[coder]).Code);
    }
    try {
        const std::unique_ptr<sound::TSoundFile> input = OpenInput(one);
        const std::int64_t start = input->Position();
        assert(start == file.StartSample);
        analysis::TMaterialMeter meter(codes);
        const double gain = analysis::GainFromAttenuation(-options.LevelDb);
        std::array<long double, BlockSamples> units{};
        std::array<double, BlockSamples> samples{};
        for (std::int64_t left = input->Info().Samples - start; left > 0;) {
            const auto count = static_cast<std::size_t>(
                std::min<std::int64_t>(left, static_cast<std::int64_t>(BlockSamples)));
            input->Take(std::span(units).first(count));
            for (std::size_t k = 0; k < count; ++k) {
                samples[k] = analysis::SourceSample(units[k], gain);
            }
            meter.Feed(std::span(samples).first(count));
            left -= static_cast<std::int64_t>(count);
            progress.Advance(static_cast<long long>(count));
        }
        for (std::size_t k = 0; k < task.Coders.size(); ++k) {
            file.Figures[task.Coders[k]] = meter.Figures(k);
            file.Worst[task.Coders[k]] =
                meter.WorstMoments(k, static_cast<std::size_t>(options.WorstMoments));
        }
    } catch (const InputError& failure) {
        error = failure.what();
    } catch (const sound::TSoundFileError& failure) {
        error = "cannot read " + QuotedValue(file.Path) + ": " + failure.what();
    }
}

void WriteText(const FramesOptions& options, std::span<const MaterialFile> files,
               std::ostream& out) {
    std::size_t fileWidth = FileKey.size();
    std::size_t coderWidth = CoderKey.size();
    for (const MaterialFile& file : files) {
        fileWidth = std::max(fileWidth, file.Path.size());
    }
    for (const analysis::CoderKind coder : options.MaterialCoders) {
        coderWidth = std::max(coderWidth, CoderName(coder).size());
    }
    out << Padded(std::string(FileKey), fileWidth, false) << std::string(TableGap, ' ')
        << Padded(std::string(CoderKey), coderWidth, false);
    for (const TMaterialColumn& column : MaterialColumns) {
        out << std::string(TableGap, ' ') << column.Heading;
    }
    out << '\n';
    for (const MaterialFile& file : files) {
        for (std::size_t c = 0; c < options.MaterialCoders.size(); ++c) {
            out << Padded(file.Path, fileWidth, false) << std::string(TableGap, ' ')
                << Padded(std::string(CoderName(options.MaterialCoders[c])), coderWidth, false);
            for (const TMaterialColumn& column : MaterialColumns) {
                out << std::string(TableGap, ' ')
                    << Padded(display::MaterialCellText(column, file.Figures[c]),
                              column.Heading.size(), true);
            }
            out << '\n';
        }
    }
    if (options.WorstMoments == 0) {
        return;
    }
    for (const MaterialFile& file : files) {
        for (std::size_t c = 0; c < options.MaterialCoders.size(); ++c) {
            out << "\nworst segments of " << file.Path << " through "
                << CoderName(options.MaterialCoders[c]) << " (start s, SNR dB):\n";
            int rank = 1;
            for (const analysis::TWorstMoment& moment : file.Worst[c]) {
                out << Padded(std::to_string(rank++), 5, true) << "  "
                    << Padded(display::FixedText(SecondsOf(file.StartSample + moment.FirstSample),
                                                 SecondsDecimals),
                              11, true)
                    << "  " << Padded(display::FixedText(moment.SnrDb, DecibelDecimals), 7, true)
                    << '\n';
            }
        }
    }
}

void WriteCsv(const FramesOptions& options, std::span<const MaterialFile> files,
              std::ostream& out) {
    if (options.WorstMoments > 0) {
        out << FileKey << ',' << CoderKey << ",rank,start_s,end_s,snr_db\n";
        for (const MaterialFile& file : files) {
            for (std::size_t c = 0; c < options.MaterialCoders.size(); ++c) {
                int rank = 1;
                for (const analysis::TWorstMoment& moment : file.Worst[c]) {
                    const std::int64_t first = file.StartSample + moment.FirstSample;
                    out << display::CsvField(file.Path) << ','
                        << CoderName(options.MaterialCoders[c]) << ',' << rank++ << ','
                        << Shortest(SecondsOf(first)) << ','
                        << Shortest(SecondsOf(first + analysis::SegmentSamples)) << ','
                        << Shortest(moment.SnrDb) << '\n';
                }
            }
        }
        return;
    }
    out << display::MaterialCsvHeader() << '\n';
    for (const MaterialFile& file : files) {
        for (std::size_t c = 0; c < options.MaterialCoders.size(); ++c) {
            out << display::MaterialCsvRow(file.Path, CoderName(options.MaterialCoders[c]),
                                           file.Figures[c])
                << '\n';
        }
    }
}

void WriteJson(const FramesOptions& options, std::span<const MaterialFile> files,
               std::ostream& out) {
    Json settings;
    settings["start_s"] = options.StartSeconds;
    settings["level_db"] = options.LevelDb;
    Json coders = Json::array();
    for (const analysis::CoderKind coder : options.MaterialCoders) {
        coders.push_back(CoderName(coder));
    }
    settings["coders"] = std::move(coders);
    Json measured = Json::array();
    for (const MaterialFile& file : files) {
        Json rows = Json::array();
        for (std::size_t c = 0; c < options.MaterialCoders.size(); ++c) {
            Json row;
            row[std::string(CoderKey)] = CoderName(options.MaterialCoders[c]);
            for (const TMaterialColumn& column : MaterialColumns) {
                const double value = column.Value(file.Figures[c]);
                row[std::string(column.Key)] = column.Decimals < 0
                                                   ? Json(static_cast<std::int64_t>(value))
                                                   : JsonFigure(value);
            }
            row["exact"] = file.Figures[c].LargestError == 0.0;
            if (options.WorstMoments > 0) {
                Json worst = Json::array();
                for (const analysis::TWorstMoment& moment : file.Worst[c]) {
                    const std::int64_t first = file.StartSample + moment.FirstSample;
                    worst.push_back({{"start_s", SecondsOf(first)},
                                     {"end_s", SecondsOf(first + analysis::SegmentSamples)},
                                     {"snr_db", moment.SnrDb}});
                }
                row["worst"] = std::move(worst);
            }
            rows.push_back(std::move(row));
        }
        Json object;
        object[std::string(FileKey)] = file.Path;
        object["start_s"] = SecondsOf(file.StartSample);
        object["coders"] = std::move(rows);
        measured.push_back(std::move(object));
    }
    Json report;
    report["settings"] = std::move(settings);
    report["files"] = std::move(measured);
    report["fields"] = {{"settings", "the run's start_s, level_db (a gain on every file) and "
                                     "the coders measured, in the order of each file's rows"},
                        {"files", MaterialFieldsMeaning}};
    // A file name need not be UTF-8; its other bytes become U+FFFD in the report.
    out << report.dump(-1, ' ', false, Json::error_handler_t::replace) << '\n';
}

// The length of sound as hours, minutes and seconds, "133:20:00".
std::string LengthText(std::int64_t samples) {
    const std::int64_t seconds = samples / analysis::SampleRate;
    char text[48];
    std::snprintf(text, sizeof text, "%lld:%02d:%02d", static_cast<long long>(seconds / 3600),
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    return text;
}

// The samples each file holds from --start at 16000 Hz, as its header says (0 for one that
// cannot be opened: its task says why), so that the work is known before it starts.
std::vector<std::int64_t> MaterialLengths(const FramesOptions& options,
                                          std::span<const MaterialFile> files) {
    std::vector<std::int64_t> lengths;
    for (const MaterialFile& file : files) {
        FramesOptions one = options;
        one.InputPath = file.Path;
        try {
            const std::unique_ptr<sound::TSoundFile> input = OpenInput(one);
            lengths.push_back(input->Info().Samples - input->Position());
        } catch (const InputError&) {
            lengths.push_back(0);
        } catch (const sound::TSoundFileError&) {
            lengths.push_back(0);
        }
    }
    return lengths;
}

} // namespace

std::vector<MaterialFile> MeasureMaterial(const FramesOptions& options, unsigned threads) {
    std::vector<std::string> paths{options.InputPath};
    paths.insert(paths.end(), options.MoreInputPaths.begin(), options.MoreInputPaths.end());
    std::vector<MaterialFile> files;
    for (const std::string& path : paths) {
        MaterialFile file;
        file.Path = path;
        // Where OpenInput seeks each file to.
        file.StartSample = std::llround(options.StartSeconds * analysis::SampleRate);
        file.Figures.resize(options.MaterialCoders.size());
        file.Worst.resize(options.MaterialCoders.size());
        files.push_back(std::move(file));
    }
    // With fewer files than threads, each file's coders are dealt out to as many tasks as
    // leave no thread idle; a coder is the smallest piece.
    threads = std::max(threads, 1u);
    const std::size_t coders = options.MaterialCoders.size();
    const std::size_t shares =
        std::clamp<std::size_t>((threads + files.size() - 1) / files.size(), 1, coders);
    std::vector<MaterialTask> tasks;
    for (std::size_t f = 0; f < files.size(); ++f) {
        for (std::size_t share = 0; share < shares; ++share) {
            MaterialTask task{f, {}};
            for (std::size_t c = share; c < coders; c += shares) {
                task.Coders.push_back(c);
            }
            tasks.push_back(std::move(task));
        }
    }
    // A header may claim hours of sound (a rate of 2 Hz, say, is 8000 samples at 16000 Hz for
    // each of its own): on a terminal the length is said before the work starts, and the
    // progress follows.
    long long total = 0;
    std::string doing = "measuring";
    if (FramesProgress::OnTerminal()) {
        const std::vector<std::int64_t> lengths = MaterialLengths(options, files);
        std::int64_t sound = 0;
        for (const MaterialTask& task : tasks) {
            total += lengths[task.File];
        }
        for (const std::int64_t length : lengths) {
            sound += length;
        }
        doing += files.size() > 1 ? " " + std::to_string(files.size()) + " files"
                 : options.LiveDevice ? std::string(" ") + LiveName
                                      : " " + QuotedValue(files.front().Path);
        doing += " (" + LengthText(sound) + " of sound)";
    }
    FramesProgress progress(doing, total);
    progress.ShowNow();
    std::vector<std::string> errors(tasks.size());
    std::atomic<std::size_t> next{0};
    std::exception_ptr failure;
    std::mutex failureLock;
    const auto work = [&] {
        try {
            for (std::size_t t = next++; t < tasks.size(); t = next++) {
                RunTask(options, tasks[t], files[tasks[t].File], errors[t], progress);
            }
        } catch (...) {
            // Out of memory, say: the run stops with it once every thread is done.
            const std::lock_guard lock(failureLock);
            failure = std::current_exception();
            next = tasks.size();
        }
    };
    std::vector<std::thread> workers;
    for (std::size_t t = 1; t < std::min<std::size_t>(threads, tasks.size()); ++t) {
        workers.emplace_back(work);
    }
    work();
    for (std::thread& worker : workers) {
        worker.join();
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
    for (std::size_t t = 0; t < tasks.size(); ++t) {
        std::string& error = files[tasks[t].File].Error;
        if (error.empty()) {
            error = errors[t];
        }
    }
    return files;
}

void WriteMaterialReport(const FramesOptions& options, std::span<const MaterialFile> files,
                         std::ostream& out) {
    switch (options.Format) {
    case FramesFormat::ffText:
        WriteText(options, files, out);
        return;
    case FramesFormat::ffCsv:
        WriteCsv(options, files, out);
        return;
    case FramesFormat::ffJson:
        WriteJson(options, files, out);
        return;
    }
}

} // namespace tools
