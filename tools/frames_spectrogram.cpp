// SPDX-License-Identifier: GPL-3.0-or-later
#include "frames_spectrogram.h"

#include "analysis/frames/analyzer.h"
#include "analysis/frames/frame_pipeline.h"
#include "analysis/spectrogram/spectrogram_column_maker.h"
#include "analysis/spectrogram/spectrogram_csv.h"
#include "analysis/spectrogram/spectrogram_levels.h"
#include "analysis/spectrogram/spectrogram_slotter.h"
#include "analysis/frames/tone_source.h"
#include "charts/coder_curve_chart.h"
#include "charts/spectrogram_picture.h"
#include "frames_report.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <future>
#include <memory>
#include <optional>
#include <vector>

namespace tools {
namespace {

using analysis::SpectrogramHop;
using analysis::SpectrogramLaneCount;

// The samples the spectrogram is made of: the input from --start, or the tone from a fresh
// start (sample clock at 0), at the options' level and window.
class TSpectrogramSource {
public:
    explicit TSpectrogramSource(const FramesOptions& options) {
        analysis::StartAnalyzer(options.Window, options.LevelDb);
        if (options.InputPath.empty()) {
            tone_.emplace(options.FrequencyHz);
            source_ = &*tone_;
            samples_ = static_cast<std::int64_t>(options.WavSeconds) * analysis::SampleRate;
            return;
        }
        file_ = OpenInput(options);
        path_ = options.InputPath;
        source_ = file_.get();
        samples_ = file_->Info().Samples - file_->Position();
        startSeconds_ = static_cast<double>(file_->Position()) / analysis::SampleRate;
    }

    // Every column whose samples lie within the source (one, padded with silence, if it is
    // shorter than a transform).
    std::int64_t Columns(int transformLength) const {
        return samples_ >= transformLength ? (samples_ - transformLength) / SpectrogramHop + 1 : 1;
    }
    double StartSeconds() const { return startSeconds_; }

    // Feeds `maker` the source's samples, uncoded and as `mode` codes them (a frame's own
    // TakeFrame), until it has made `columns` columns, calling sink(column) for each. The
    // samples are taken a block at a time on this thread while a worker thread makes the
    // columns of the block before (the transforms cost three times the rest), so `maker` and
    // `sink` run on the worker, one block after another.
    template <typename Sink>
    void Run(analysis::TSpectrogramColumnMaker& maker, analysis::CodingMode mode,
             std::int64_t columns, Sink&& sink) {
        const std::int64_t needed = (columns - 1) * SpectrogramHop + maker.TransformLength();
        std::array<TBlock, 2> blocks;
        std::future<void> making;
        for (std::int64_t taken = 0, block = 0; taken < needed; ++block) {
            TBlock& filling = blocks[static_cast<std::size_t>(block % 2)];
            filling.Count = 0;
            while (filling.Count < BlockSamples && taken < needed) {
                const auto at = static_cast<std::size_t>(filling.Count);
                try {
                    analysis::TakeFrame(*source_, mode,
                                        std::span(filling.Coded).subspan(at, analysis::FrameLength),
                                        std::span(filling.Original).subspan(at, analysis::FrameLength));
                } catch (const sound::TSoundFileError& error) {
                    throw InputError("cannot read " + QuotedValue(path_) + ": " + error.what());
                }
                const int count = static_cast<int>(
                    std::min<std::int64_t>(analysis::FrameLength, needed - taken));
                filling.Count += count;
                taken += count;
            }
            if (making.valid()) {
                making.get(); // and what it threw
            }
            making = std::async(std::launch::async, [&maker, &sink, &filling] {
                const auto count = static_cast<std::size_t>(filling.Count);
                maker.Feed(std::span(filling.Original).first(count),
                           std::span(filling.Coded).first(count), sink);
            });
        }
        if (making.valid()) {
            making.get();
        }
    }

private:
    // Samples taken at a time: 64 frames, 4 s.
    static constexpr int BlockSamples = 64 * analysis::FrameLength;
    struct TBlock {
        std::vector<double> Original = std::vector<double>(BlockSamples);
        std::vector<double> Coded = std::vector<double>(BlockSamples);
        int Count = 0;
    };

    std::unique_ptr<sound::TSoundFile> file_;
    std::string path_; // the file's name, for messages
    std::optional<analysis::TToneSource> tone_;
    analysis::TSampleSource* source_ = nullptr;
    std::int64_t samples_ = 0;
    double startSeconds_ = 0.0;
};

void Write(ReplacingFile& file, std::string_view bytes) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), file.Stream()) != bytes.size()) {
        throw OutputError(file.Failure(std::strerror(errno)));
    }
}

void WritePicture(const FramesOptions& options, TSpectrogramSource& source, ReplacingFile& file) {
    const charts::TOffscreenPainting painting;
    const QSize size(options.SpectrogramWidth, options.SpectrogramHeight);
    charts::TSpectrogramLook look = options.Spectrogram;
    const int length = look.TransformLength;
    const std::int64_t columns = source.Columns(length);
    const int slotCount = charts::TSpectrogramPicture::SlotsAt(size);
    look.SecondsPerSlot = static_cast<double>(columns) / slotCount / analysis::SpectrogramColumnsPerSecond;
    charts::TSpectrogramPicture picture(look, size);

    const int bins = analysis::SpectrogramBins(length);
    analysis::TSpectrogramSlotter slotter(columns, slotCount, bins);
    std::vector<std::uint8_t> codes(static_cast<std::size_t>(bins) * SpectrogramLaneCount);
    analysis::TLaneCodes lanes;
    for (std::size_t lane = 0; lane < lanes.size(); ++lane) {
        lanes[lane] = std::span(codes).subspan(lane * static_cast<std::size_t>(bins),
                                               static_cast<std::size_t>(bins));
    }
    analysis::TSpectrogramColumnMaker maker(length, options.Window);
    source.Run(maker, options.Mode, columns, [&](const analysis::TSpectrogramColumn& column) {
        for (std::size_t lane = 0; lane < lanes.size(); ++lane) {
            analysis::QuantiseLevels(column.Power[lane],
                                     std::span(codes).subspan(lane * static_cast<std::size_t>(bins),
                                                              static_cast<std::size_t>(bins)));
        }
        slotter.Add(lanes, [&](const analysis::TLaneCodes& slot) {
            // A slot stands for the middle of its columns.
            const auto [first, end] = slotter.ColumnsOf(picture.SlotsDrawn());
            const double seconds = (analysis::SpectrogramColumnSeconds(first, length) +
                                    analysis::SpectrogramColumnSeconds(end - 1, length)) /
                                   2.0;
            picture.AppendSlot(slot, source.StartSeconds() + seconds);
        });
    });
    Write(file, charts::SpectrogramPng(picture));
}

void WriteCsv(const FramesOptions& options, TSpectrogramSource& source, ReplacingFile& file) {
    const int length = options.Spectrogram.TransformLength;
    std::string text;
    analysis::AppendSpectrogramCsvHeader(text, length);
    Write(file, text);

    analysis::TSpectrogramColumnMaker maker(length, options.Window);
    std::vector<double> levels(static_cast<std::size_t>(analysis::SpectrogramBins(length)));
    source.Run(maker, options.Mode, source.Columns(length),
               [&](const analysis::TSpectrogramColumn& column) {
        text.clear();
        for (const analysis::TSpectrogramLaneInfo& lane : analysis::SpectrogramLanes) {
            if (!options.Spectrogram.Lanes[static_cast<std::size_t>(lane.Lane)]) {
                continue;
            }
            std::transform(column.Lane(lane.Lane).begin(), column.Lane(lane.Lane).end(),
                           levels.begin(), analysis::PowerDecibels);
            analysis::AppendSpectrogramCsvRow(
                text, source.StartSeconds() + analysis::SpectrogramColumnSeconds(column.Index, length),
                lane.Lane, levels, options.Spectrogram.FloorDb);
        }
        Write(file, text);
    });
}

} // namespace

bool IsSpectrogramCsv(const std::string& path) {
    constexpr std::string_view Extension = ".csv";
    if (path.size() < Extension.size()) {
        return false;
    }
    return std::equal(Extension.begin(), Extension.end(), path.end() - Extension.size(),
                      [](char a, char b) {
                          return a == std::tolower(static_cast<unsigned char>(b));
                      });
}

void WriteSpectrogram(const FramesOptions& options, ReplacingFile& file) {
    TSpectrogramSource source(options);
    if (IsSpectrogramCsv(options.SpectrogramPath)) {
        WriteCsv(options, source, file);
    } else {
        WritePicture(options, source, file);
    }
}

} // namespace tools
