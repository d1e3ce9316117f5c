// SPDX-License-Identifier: GPL-3.0-or-later
// Speed of the numeric core: whole frames per coding mode, the parts of a frame, the
// transform (against FFTW's where available), the window builds and the figures of the
// windows and the coding modes, and the coder curves.

#include "analysis/frames/analyzer.h"
#include "analysis/frames/analyzer_state.h"
#include "analysis/figures/coder_curves.h"
#include "analysis/figures/coder_figures.h"
#include "analysis/coding/coding_mode.h"
#include "analysis/transform/complex_fft.h"
#include "analysis/frames/frame_pipeline.h"
#include "analysis/frames/sine_memory.h"
#include "analysis/frames/tone_range.h"
#include "analysis/windows/window_figures.h"
#include "analysis/windows/window_kind.h"
#include "analysis/windows/window_table.h"

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#ifdef ORVEX_HAVE_FFTW
#include <fftw3.h>
#endif

namespace {

using namespace analysis;

// The program's start-up settings, with the sample clock at 0.
void StartAtStartUpSettings() {
    StartAnalyzer(StartWindowKind, StartLevelDb);
}

// A second of signal: the sample clock runs through every value it takes in steady state.
constexpr int FramesPerSecond = SampleRate / FrameLength + 1;

CodingMode ModeArgument(const benchmark::State& state) {
    return static_cast<CodingMode>(state.range(0));
}

// Frame numerics at fixed settings, after a second of frames at them.
void BM_WholeFrame(benchmark::State& state) {
    StartAtStartUpSettings();
    const CodingMode mode = ModeArgument(state);
    std::array<std::int32_t, PlottedBins> ordinates{};
    for (int frame = 0; frame < FramesPerSecond; ++frame) {
        ComputeFrame(StartFrequencyHz, mode, ordinates);
    }
    for (auto _ : state) {
        ComputeFrame(StartFrequencyHz, mode, ordinates);
        benchmark::DoNotOptimize(ordinates.data());
    }
    state.SetLabel(std::string(Describe(mode).ToolName));
    // The static storage of the remembered sine values.
    state.counters["sine_memory_KiB"] = static_cast<double>(SineMemoryBytes()) / 1024.0;
}
BENCHMARK(BM_WholeFrame)->DenseRange(0, CodingModeCount - 1)->Unit(benchmark::kMicrosecond);

// Frame numerics while a slider drag changes the frequency before every frame.
void BM_WholeFrame_NewFrequencyEveryFrame(benchmark::State& state) {
    StartAtStartUpSettings();
    const CodingMode mode = ModeArgument(state);
    std::array<std::int32_t, PlottedBins> ordinates{};
    int frequency = StartFrequencyHz;
    for (auto _ : state) {
        frequency = frequency == MaxFrequencyHz ? MinFrequencyHz : frequency + 1;
        ComputeFrame(frequency, mode, ordinates);
        benchmark::DoNotOptimize(ordinates.data());
    }
    state.SetLabel(std::string(Describe(mode).ToolName));
}
BENCHMARK(BM_WholeFrame_NewFrequencyEveryFrame)
    ->DenseRange(0, CodingModeCount - 1)
    ->Unit(benchmark::kMicrosecond);

// Where the time of a frame goes: synthesis with coding in each mode (PCM is synthesis
// alone), then the transform with the magnitudes, then the ordinates.
void BM_FramePart_SynthesisAndCoding(benchmark::State& state) {
    StartAtStartUpSettings();
    const CodingMode mode = ModeArgument(state);
    for (int frame = 0; frame < FramesPerSecond; ++frame) {
        SynthesiseFrame(StartFrequencyHz, mode);
    }
    for (auto _ : state) {
        SynthesiseFrame(StartFrequencyHz, mode);
        benchmark::ClobberMemory();
    }
    state.SetLabel(std::string(Describe(mode).ToolName));
}
BENCHMARK(BM_FramePart_SynthesisAndCoding)
    ->DenseRange(0, CodingModeCount - 1)
    ->Unit(benchmark::kMicrosecond);

void BM_FramePart_TransformAndMagnitudes(benchmark::State& state) {
    StartAtStartUpSettings();
    SynthesiseFrame(StartFrequencyHz, CodingMode::cmPCM);
    const std::array<Complex, FrameLength> block = [] {
        std::array<Complex, FrameLength> copy{};
        std::copy_n(SpectrumBuffer.begin(), FrameLength, copy.begin());
        return copy;
    }();
    for (auto _ : state) {
        std::copy(block.begin(), block.end(), SpectrumBuffer.begin());
        TransformFrame();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FramePart_TransformAndMagnitudes)->Unit(benchmark::kMicrosecond);

void BM_FramePart_Ordinates(benchmark::State& state) {
    StartAtStartUpSettings();
    SynthesiseFrame(StartFrequencyHz, CodingMode::cmPCM);
    TransformFrame();
    std::array<std::int32_t, PlottedBins> ordinates{};
    for (auto _ : state) {
        ComputeOrdinates(ordinates);
        benchmark::DoNotOptimize(ordinates.data());
    }
}
BENCHMARK(BM_FramePart_Ordinates)->Unit(benchmark::kMicrosecond);

std::vector<Complex> TestSignal() {
    std::vector<Complex> signal(FrameLength);
    for (int k = 0; k < FrameLength; ++k) {
        signal[k] = {std::sin(0.3 * k) * 1000.0, 0.0};
    }
    return signal;
}

void BM_ComplexFFT_1024(benchmark::State& state) {
    const std::vector<Complex> input = TestSignal();
    std::vector<Complex> data = input;
    for (auto _ : state) {
        std::copy(input.begin(), input.end(), data.begin());
        ComplexFFT(data, FftDirection::Forward);
        benchmark::DoNotOptimize(data.data());
    }
}
BENCHMARK(BM_ComplexFFT_1024)->Unit(benchmark::kMicrosecond);

#ifdef ORVEX_HAVE_FFTW
// The reference: FFTW's planned 1024-point complex transform in double precision, with the
// same copy-in per iteration as ours.
void BM_ReferenceFFTW_1024(benchmark::State& state) {
    const std::vector<Complex> input = TestSignal();
    auto* in = fftw_alloc_complex(FrameLength);
    auto* out = fftw_alloc_complex(FrameLength);
    fftw_plan plan = fftw_plan_dft_1d(FrameLength, in, out, FFTW_FORWARD, FFTW_MEASURE);
    for (auto _ : state) {
        for (int k = 0; k < FrameLength; ++k) {
            in[k][0] = input[k].re;
            in[k][1] = input[k].im;
        }
        fftw_execute(plan);
        benchmark::DoNotOptimize(out);
    }
    fftw_destroy_plan(plan);
    fftw_free(in);
    fftw_free(out);
}
BENCHMARK(BM_ReferenceFFTW_1024)->Unit(benchmark::kMicrosecond);
#endif

void BM_WindowBuild(benchmark::State& state) {
    const auto kind = static_cast<WindowKind>(state.range(0));
    std::array<float, FrameLength> table{};
    for (auto _ : state) {
        FillWindowTable(kind, table);
        benchmark::DoNotOptimize(table.data());
    }
    state.SetLabel(std::string(Describe(kind).ToolName));
}
BENCHMARK(BM_WindowBuild)->DenseRange(0, WindowKindCount - 1)->Unit(benchmark::kMicrosecond);

// What the first look at every window's figures costs: each table built and measured once.
void BM_WindowFigures_EveryKindOnce(benchmark::State& state) {
    std::array<float, FrameLength> table{};
    for (auto _ : state) {
        for (const TWindowKindInfo& info : WindowKinds) {
            FillWindowTable(info.Kind, table);
            TWindowFigures figures = MeasureWindowFigures(table);
            benchmark::DoNotOptimize(figures);
        }
    }
}
BENCHMARK(BM_WindowFigures_EveryKindOnce)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// One coding mode's figures over a second of the start-up tone.
void BM_CoderFigures(benchmark::State& state) {
    const CodingMode mode = ModeArgument(state);
    for (auto _ : state) {
        TCoderFigures figures = MeasureCoderFigures(StartFrequencyHz, StartLevelDb, mode);
        benchmark::DoNotOptimize(figures);
    }
    state.SetLabel(std::string(Describe(mode).ToolName));
}
BENCHMARK(BM_CoderFigures)
    ->DenseRange(0, CodingModeCount - 1)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// A whole chart of coder curves (161 points x 8 coders x 16000 samples) at the start-up
// tone, shared among 1 or 2 threads: the level chart should take under 0.5 s on two cores.
void BM_CoderCurves(benchmark::State& state, CurveAxis axis) {
    const auto threads = static_cast<int>(state.range(0));
    const TCurveRequest request{axis, StartFrequencyHz, StartLevelDb};
    std::vector<TCoderFigures> points(CurveBufferSize(axis));
    for (auto _ : state) {
        const CurveOutcome outcome = ComputeCoderCurves(request, points, {}, {}, threads);
        benchmark::DoNotOptimize(outcome);
        benchmark::DoNotOptimize(points.data());
    }
    state.counters["threads"] = threads;
}
BENCHMARK_CAPTURE(BM_CoderCurves, LevelChart, CurveAxis::caLevel)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_CoderCurves, FrequencyChart, CurveAxis::caFrequency)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->UseRealTime();

} // namespace
