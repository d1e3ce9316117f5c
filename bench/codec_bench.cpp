// SPDX-License-Identifier: GPL-3.0-or-later
// Every coder of the table on a speech file: first the figures the material meter gives each
// one (SNR, segmental SNR, log-spectral distance), a narrowband coder's both against the
// original and against the original through its resampling alone; then each coder's cost, as
// times real time on one core (goal: at least 100 each).
//
//   codec_bench SPEECH.wav [Google Benchmark's options]      (bench/codec_figures.sh runs it)

#include "analysis/coding/stream_coder.h"
#include "analysis/common/numeric_constants.h"
#include "analysis/figures/material_meter.h"
#include "codecs/coder_table.h"
#include "sound/sound_file.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

namespace {

using namespace codecs;

std::vector<double> ReadSpeech(const std::string& path) {
    sound::TSoundFile file(path);
    const std::vector<float> samples = sound::ReadAhead(file, file.Info().Samples);
    return {samples.begin(), samples.end()};
}

// The meter's figures of `coded` against `original`, both unit scale.
analysis::TMaterialFigures Measure(std::span<const double> original,
                                   std::span<const double> coded) {
    std::vector<double> x(original.size());
    std::vector<double> y(coded.size());
    // In the meter's 16-bit steps; the original clipped to full scale as every source's is.
    std::transform(original.begin(), original.end(), x.begin(),
                   [](double s) { return std::clamp(s, -1.0, 1.0) * analysis::FullScale; });
    std::transform(coded.begin(), coded.end(), y.begin(),
                   [](double s) { return s * analysis::FullScale; });
    analysis::TMaterialMeter meter(1);
    const std::span<const double> tracks[] = {y};
    meter.FeedCoded(x, tracks);
    return meter.Figures(0);
}

void PrintRow(const std::string& coder, const std::string& against,
              const analysis::TMaterialFigures& f) {
    std::printf("%-26s %-22s %8.2f %10.2f %10.2f\n", coder.c_str(), against.c_str(), f.SnrDb,
                f.SegmentalSnrDb, f.LogSpectralDistanceDb);
}

void PrintFigures(const std::vector<double>& speech) {
    std::printf("%-26s %-22s %8s %10s %10s\n", "coder", "against", "SNR dB", "segSNR dB", "LSD dB");
    for (const TCoderRow& row : CoderRows()) {
        const TCoderChoice choice{&row, row.DefaultBitRate};
        const std::string name =
            choice.Name() + " (delay " + std::to_string(row.DelaySamples) + ")";
        const std::vector<double> coded = analysis::CodeAligned(*MakeCoder(choice), speech);
        PrintRow(name, "original", Measure(speech, coded));
        if (const auto resampling = MakeCoder(choice, TCoderPath::cpResamplingOnly)) {
            const std::vector<double> resampled = analysis::CodeAligned(*resampling, speech);
            PrintRow(name, "resampled original", Measure(resampled, coded));
            PrintRow("  resampling only", "original", Measure(speech, resampled));
        }
    }
    std::printf("\n");
}

// One coder over the whole speech from a fresh start, per iteration.
void BM_Coder(benchmark::State& state, TCoderChoice choice, const std::vector<double>* speech) {
    const auto coder = MakeCoder(choice);
    std::vector<double> coded(speech->size());
    for (auto _ : state) {
        coder->Reset();
        coder->Code(*speech, coded);
        benchmark::DoNotOptimize(coded.data());
    }
    // Seconds of sound per second of the one core's time.
    state.counters["x_real_time"] =
        benchmark::Counter(static_cast<double>(speech->size()) / analysis::StreamRateHz,
                           benchmark::Counter::kIsIterationInvariantRate);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: codec_bench SPEECH.wav [benchmark options]\n");
        return 2;
    }
    static const std::vector<double> speech = ReadSpeech(argv[1]);
    std::printf("%s: %.1f s\n\n", argv[1],
                static_cast<double>(speech.size()) / analysis::StreamRateHz);
    PrintFigures(speech);
    for (const TCoderRow& row : CoderRows()) {
        const TCoderChoice choice{&row, row.DefaultBitRate};
        benchmark::RegisterBenchmark(("BM_Coder/" + choice.Name()).c_str(), BM_Coder, choice,
                                     &speech)
            ->Unit(benchmark::kMillisecond);
    }
    argv[1] = argv[0];
    --argc;
    ++argv;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
