// SPDX-License-Identifier: GPL-3.0-or-later
// Speed and memory of the spectrogram: one column with its three lanes at each transform
// length (the transform, the levels into the history and their colours into the picture's
// ring), the transform alone, a repaint of a 1000 x 600 view, ten minutes of history, and its
// columns made again at each length from the samples kept.

#include "analysis/transform/complex_fft.h"
#include "analysis/transform/double_fft.h"
#include "analysis/coding/sample_coder.h"
#include "analysis/spectrogram/spectrogram_column_maker.h"
#include "analysis/spectrogram/spectrogram_columns.h"
#include "analysis/spectrogram/spectrogram_history.h"
#include "analysis/spectrogram/spectrogram_recording.h"
#include "charts/coder_curve_chart.h"
#include "charts/spectrogram_picture.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include <unistd.h>

#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

using namespace analysis;

const QSize ViewSize(1000, 600);

// A second of a tone with a little noise, uncoded and through the first iteration's coder.
struct TSignal {
    std::vector<double> Original;
    std::vector<double> Coded;
};

const TSignal& Signal() {
    static const TSignal signal = [] {
        TSignal made;
        unsigned noise = 12345;
        for (int k = 0; k < SampleRate; ++k) {
            noise = noise * 1103515245u + 12345u;
            const double sample = 16000.0 * std::sin(0.3927 * k) + static_cast<double>(noise >> 20) - 2048.0;
            made.Original.push_back(sample);
            made.Coded.push_back(CodeSample(sample, CodingMode::cmIter1));
        }
        return made;
    }();
    return signal;
}

// Feeds the next hop of the signal: one column each time once the first transform is full.
template <typename Sink>
void FeedHop(TSpectrogramColumnMaker& maker, std::size_t& at, Sink&& sink) {
    const TSignal& signal = Signal();
    if (at + SpectrogramHop > signal.Original.size()) {
        at = 0;
    }
    maker.Feed(std::span(signal.Original).subspan(at, SpectrogramHop),
               std::span(signal.Coded).subspan(at, SpectrogramHop), sink);
    at += SpectrogramHop;
}

// What a view does for every column: make it, keep its codes, draw its slot.
void BM_SpectrogramColumn(benchmark::State& state) {
    const auto length = static_cast<int>(state.range(0));
    TSpectrogramColumnMaker maker(length, WindowKind::wkKaiser);
    TSpectrogramHistory history = TSpectrogramHistory::ForTransform(length);
    charts::TSpectrogramLook look;
    look.TransformLength = length;
    charts::TSpectrogramPicture picture(look, ViewSize);
    std::size_t at = 0;
    const auto column = [&](const TSpectrogramColumn& made) {
        history.Append(made);
        picture.AppendSlot(history.Codes(history.Count() - 1), 0.0);
    };
    while (maker.Columns() == 0) {
        FeedHop(maker, at, column);
    }
    for (auto _ : state) {
        FeedHop(maker, at, column);
    }
    state.SetLabel(std::to_string(length) + " points, 3 lanes");
}
BENCHMARK(BM_SpectrogramColumn)->Arg(512)->Arg(1024)->Arg(2048)->Unit(benchmark::kMicrosecond);

// The maker alone: windowing, the one transform and the three lanes' powers.
void BM_SpectrogramColumn_TransformOnly(benchmark::State& state) {
    TSpectrogramColumnMaker maker(FrameLength, WindowKind::wkKaiser);
    std::size_t at = 0;
    const auto column = [](const TSpectrogramColumn& made) { benchmark::DoNotOptimize(made.Power[0].data()); };
    while (maker.Columns() == 0) {
        FeedHop(maker, at, column);
    }
    for (auto _ : state) {
        FeedHop(maker, at, column);
    }
}
BENCHMARK(BM_SpectrogramColumn_TransformOnly)->Unit(benchmark::kMicrosecond);

// The columns' transform beside the frames' one (extended precision, recurrences) at 1024.
void BM_SpectrogramTransform(benchmark::State& state) {
    const auto length = static_cast<int>(state.range(0));
    const TDoubleFftTables tables = MakeDoubleFftTables(length);
    const std::vector<Complex> input(static_cast<std::size_t>(length), Complex{0.25, -0.5});
    std::vector<Complex> data(input.size());
    for (auto _ : state) {
        data = input;
        DoubleFFT(data, tables);
        benchmark::DoNotOptimize(data.data());
    }
}
BENCHMARK(BM_SpectrogramTransform)->Arg(512)->Arg(1024)->Arg(2048)->Unit(benchmark::kMicrosecond);

void BM_SpectrogramTransform_FramesTransform(benchmark::State& state) {
    const std::vector<Complex> input(FrameLength, Complex{0.25, -0.5});
    std::vector<Complex> data(input.size());
    for (auto _ : state) {
        data = input;
        ComplexFFT(data, FftDirection::Forward);
        benchmark::DoNotOptimize(data.data());
    }
}
BENCHMARK(BM_SpectrogramTransform_FramesTransform)->Unit(benchmark::kMicrosecond);

// A paint of a full 1000 x 600 view, as a window's paint event makes it.
void BM_SpectrogramRepaint(benchmark::State& state) {
    charts::TSpectrogramPicture picture(charts::TSpectrogramLook{}, ViewSize);
    std::vector<std::uint8_t> codes(SpectrogramBins(FrameLength) * SpectrogramLaneCount);
    TLaneCodes lanes;
    for (std::size_t lane = 0; lane < lanes.size(); ++lane) {
        lanes[lane] = std::span(codes).subspan(lane * SpectrogramBins(FrameLength),
                                               SpectrogramBins(FrameLength));
    }
    for (int slot = 0; slot < picture.Slots() * 3 / 2; ++slot) {
        for (std::size_t i = 0; i < codes.size(); ++i) {
            codes[i] = static_cast<std::uint8_t>((slot * 7 + i * 13) % 256);
        }
        picture.AppendSlot(lanes, slot / SpectrogramColumnsPerSecond);
    }
    QImage view(ViewSize, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&view);
        picture.Paint(painter);
    }
}
BENCHMARK(BM_SpectrogramRepaint)->Unit(benchmark::kMicrosecond);

// A 1000 x 600 view drawn afresh from the history, as the window does when it is resized,
// scrolled back while paused or given a new look: a new picture and a slot per pixel column.
void BM_SpectrogramRedrawFromHistory(benchmark::State& state) {
    TSpectrogramHistory history = TSpectrogramHistory::ForTransform(FrameLength);
    std::vector<std::uint8_t> codes(SpectrogramBins(FrameLength) * SpectrogramLaneCount);
    TLaneCodes lanes;
    for (std::size_t lane = 0; lane < lanes.size(); ++lane) {
        lanes[lane] = std::span(codes).subspan(lane * SpectrogramBins(FrameLength),
                                               SpectrogramBins(FrameLength));
    }
    for (int column = 0; column < 2000; ++column) {
        for (std::size_t i = 0; i < codes.size(); ++i) {
            codes[i] = static_cast<std::uint8_t>((column * 7 + i * 13) % 256);
        }
        history.Append(lanes);
    }
    for (auto _ : state) {
        charts::TSpectrogramPicture picture(charts::TSpectrogramLook{}, ViewSize);
        for (std::int64_t column = history.Count() - picture.Slots(); column < history.Count(); ++column) {
            picture.AppendSlot(history.Codes(column), SpectrogramColumnSeconds(column, FrameLength));
        }
        benchmark::DoNotOptimize(picture.SlotsDrawn());
    }
}
BENCHMARK(BM_SpectrogramRedrawFromHistory)->Unit(benchmark::kMillisecond);

// A new transform length chosen with ten minutes kept: every column made again from the
// recording at that length (the window does it a slice at a time between frames).
void BM_SpectrogramRecompute_TenMinutes(benchmark::State& state) {
    const auto length = static_cast<int>(state.range(0));
    static const TSpectrogramRecording recording = [] {
        TSpectrogramRecording made = TSpectrogramRecording::ForHistory();
        made.StartRun(WindowKind::wkKaiser);
        for (int second = 0; second < SpectrogramHistorySeconds; ++second) {
            made.Add(Signal().Original, Signal().Coded);
        }
        return made;
    }();
    for (auto _ : state) {
        TSpectrogramColumns columns(length);
        columns.CatchUp(recording, recording.End());
        benchmark::DoNotOptimize(columns.History().Count());
    }
    state.SetLabel(std::to_string(length) + " points, 10 minutes");
}
BENCHMARK(BM_SpectrogramRecompute_TenMinutes)
    ->Arg(512)
    ->Arg(1024)
    ->Arg(2048)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

double ResidentMegabytes() {
    long pages = 0;
    long resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) {
            resident = 0;
        }
        std::fclose(statm);
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1e6;
}

// Ten minutes of columns at the default length: the ring's bytes, and what they add to the
// process's resident memory once every column is written.
void BM_SpectrogramHistory_TenMinutes(benchmark::State& state) {
    std::vector<std::uint8_t> codes(SpectrogramBins(FrameLength) * SpectrogramLaneCount, 87);
    TLaneCodes lanes;
    for (std::size_t lane = 0; lane < lanes.size(); ++lane) {
        lanes[lane] = std::span(codes).subspan(lane * SpectrogramBins(FrameLength),
                                               SpectrogramBins(FrameLength));
    }
    const auto columns = static_cast<std::int64_t>(SpectrogramHistorySeconds * SpectrogramColumnsPerSecond);
    for (auto _ : state) {
        const double before = ResidentMegabytes();
        TSpectrogramHistory history = TSpectrogramHistory::ForTransform(FrameLength);
        for (std::int64_t column = 0; column < columns; ++column) {
            history.Append(lanes);
        }
        state.counters["ring_MB"] = static_cast<double>(history.Bytes()) / 1e6;
        state.counters["resident_added_MB"] = ResidentMegabytes() - before;
        state.counters["minutes"] = static_cast<double>(history.Capacity()) / SpectrogramColumnsPerSecond / 60;
    }
}
BENCHMARK(BM_SpectrogramHistory_TenMinutes)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    const charts::TOffscreenPainting painting; // the picture's text
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
