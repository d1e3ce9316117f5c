// SPDX-License-Identifier: GPL-3.0-or-later
// Freezes the exact bits of the numeric core's output. Every value there is evaluated in
// extended precision and rounded to double or single exactly where it is stored, so the
// output is reproducible bit for bit, and a change of precision, evaluation order or a
// constant shows here even where it is far too small to see in the plot. Each check is a
// 64-bit FNV-1a digest over the raw bytes of the values, compared with the digest the
// reviewed code produces; a failure names the coding mode and the stage of the frame, the
// window table or the Bessel function whose bits moved.

#include "analysis/frames/analyzer.h"
#include "analysis/frames/analyzer_state.h"
#include "analysis/windows/bessel_i0.h"
#include "analysis/coding/coding_mode.h"
#include "analysis/frames/frame_pipeline.h"
#include "analysis/frames/tone_range.h"
#include "analysis/windows/window_kind.h"
#include "analysis/windows/window_table.h"
#include "support/analyzer_fixture.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ios>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace analysis;
using testing_support::Ordinates;

// 64-bit FNV-1a over the object representation of the values fed to it, so that every bit
// of every value counts, including the sign of a zero.
class Fnv1a {
public:
    template <typename T>
    void Add(std::span<const T> values) {
        for (const std::byte octet : std::as_bytes(values)) {
            state_ = (state_ ^ static_cast<std::uint64_t>(octet)) * Prime;
        }
    }

    void Add(double value) { Add(std::span<const double>(&value, 1)); }

    std::uint64_t Value() const { return state_; }

private:
    static constexpr std::uint64_t OffsetBasis = 0xcbf29ce484222325;
    static constexpr std::uint64_t Prime = 0x100000001b3;
    std::uint64_t state_ = OffsetBasis;
};

std::string Hex(std::uint64_t digest) {
    char text[19];
    std::snprintf(text, sizeof text, "0x%016llx", static_cast<unsigned long long>(digest));
    return text;
}

// --- Frames -------------------------------------------------------------------------------

struct FrameDigests {
    std::uint64_t samples;    // coded samples, before windowing
    std::uint64_t spectrum;   // SpectrumBuffer[0..1023] after the transform
    std::uint64_t magnitudes; // MagnitudeBuffer
    std::uint64_t ordinates;  // the 512 plot ordinates
};

// Tones every window of every mode is run at: DC, the slowest tones (whose frames can lie
// wholly on one side of zero), a bin-centred and an off-bin tone near 1 kHz, half the plotted
// range, and the top of the range up to 8000 Hz, which is sampled at its zero crossings.
constexpr std::int32_t EdgeFrequenciesHz[] = {0, 1, 7, 8, 440, 997, 1000, 3333, 4000, 7999, 8000};

// Plus one tone every 500 Hz across the range, from an offset that differs for each window
// and mode (1 to 499 Hz), so that the sweep as a whole meets many distinct tones.
constexpr std::int32_t StrideHz = 500;
constexpr int StrideCount = 16; // up to 499 + 15 * 500 = 7999 Hz
constexpr int WindowOffsetStepHz = 41;
constexpr int ModeOffsetStepHz = 97;

// Full scale, an odd level off the 20 dB grid, and the middle and bottom of the range.
constexpr int LevelsDb[] = {MaxLevelDb, -37, -80, MinLevelDb};

std::vector<std::int32_t> SweepFrequencies(int windowIndex, int modeIndex) {
    std::vector<std::int32_t> frequencies(std::begin(EdgeFrequenciesHz),
                                          std::end(EdgeFrequenciesHz));
    const std::int32_t offset =
        1 + (windowIndex * WindowOffsetStepHz + modeIndex * ModeOffsetStepHz) % (StrideHz - 1);
    for (int step = 0; step < StrideCount; ++step) {
        frequencies.push_back(offset + step * StrideHz);
    }
    return frequencies;
}

// Runs one mode through every window, each at every level and sweep tone (108 frames per
// window). The clock starts from load and is never reset, so it passes 0..16000 once and then
// wraps after 16000 about every 16 frames, at many positions within a frame.
FrameDigests SweepDigests(CodingMode mode) {
    const int modeIndex = static_cast<int>(mode);
    Fnv1a samples;
    Fnv1a spectrum;
    Fnv1a magnitudes;
    Fnv1a ordinates;
    std::array<double, FrameLength> coded{};
    Ordinates plot{};

    StartAnalyzer(WindowKind::wkRectangular, MaxLevelDb);
    for (int windowIndex = 0; windowIndex < WindowKindCount; ++windowIndex) {
        LoadWindowTable(static_cast<WindowKind>(windowIndex));
        const std::vector<std::int32_t> frequencies = SweepFrequencies(windowIndex, modeIndex);
        for (const int levelDb : LevelsDb) {
            SetLevel(levelDb);
            for (const std::int32_t frequency : frequencies) {
                SynthesiseFrame(frequency, mode, coded);
                TransformFrame();
                ComputeOrdinates(plot);
                samples.Add(std::span<const double>(coded));
                spectrum.Add(std::span<const Complex>(SpectrumBuffer.data(), FrameLength));
                magnitudes.Add(std::span<const double>(MagnitudeBuffer));
                ordinates.Add(std::span<const std::int32_t>(plot));
            }
        }
    }
    return {samples.Value(), spectrum.Value(), magnitudes.Value(), ordinates.Value()};
}

struct ModeSweep {
    CodingMode mode;
    FrameDigests expected;
};

constexpr ModeSweep ModeSweeps[] = {
    {CodingMode::cmPCM,
     {0xd182aa3341a69c8e, 0x2e8434b244b22b1b, 0x881fa96feead4842, 0x32b1a72f9c4d0be2}},
    {CodingMode::cmOrvexSqrt,
     {0x7e48ad7ff33d686e, 0x76459f99c74cec16, 0xf698474825d9bba5, 0xc900002683a9ef4c}},
    {CodingMode::cmIter1,
     {0x5a5fc58a39713861, 0x35b0bfcc861f7979, 0xe9b90b9ab8159709, 0x291da774418f3382}},
    {CodingMode::cmIter2,
     {0xabe86d03b936ef31, 0x722dfd8d98ad9fee, 0xdc536e331811fea2, 0x7526cfe347a66f36}},
    {CodingMode::cmIter3,
     {0xcf7ebd9b0223700b, 0x6bc6d5e1046553bb, 0xe4c5c99b7a68b986, 0x608087352f6b376d}},
};

TEST(OutputBits, FrameSweepOfEveryCodingModeMatchesItsRecordedDigests) {
    static_assert(std::size(ModeSweeps) == CodingModeCount);
    for (const ModeSweep& sweep : ModeSweeps) {
        SCOPED_TRACE(Describe(sweep.mode).ToolName);
        const FrameDigests actual = SweepDigests(sweep.mode);
        EXPECT_EQ(actual.samples, sweep.expected.samples)
            << "coded samples " << Hex(actual.samples);
        EXPECT_EQ(actual.spectrum, sweep.expected.spectrum) << "spectrum " << Hex(actual.spectrum);
        EXPECT_EQ(actual.magnitudes, sweep.expected.magnitudes)
            << "magnitudes " << Hex(actual.magnitudes);
        EXPECT_EQ(actual.ordinates, sweep.expected.ordinates)
            << "ordinates " << Hex(actual.ordinates);
    }
}

// --- Ordinate steps -----------------------------------------------------------------------

// A bin's value v is its magnitude times the frame's factor PeakInput / PeakMagnitude * 4100.
// Its ordinate steps from n - 1 to n at the first v whose level (20 log10 v dB, rounded to
// double) times 1.46 pixels per decibel reaches n. With the logarithm and the scaling to
// pixels both taken in extended precision, each step lies at one exact double v. Taking log10
// in double moves most steps by a few units in the last place of v, and scaling in double
// moves about one step in three; a bin of a real frame lands that close to a step far too
// rarely for the sweep above to meet one, so these steps are pinned directly.
struct OrdinateStep {
    double below; // the largest v drawn at ordinate - 1
    double at;    // the smallest v drawn at ordinate
    std::int32_t ordinate;
};

constexpr OrdinateStep OrdinateSteps[] = {
    {0x1.eb05abe455879p+6, 0x1.eb05abe45587ap+6, 61},    // v near 122.76, 41.8 dB
    {0x1.d6e760bf05361p+13, 0x1.d6e760bf05362p+13, 122}, // v near 15068.9, 83.6 dB
    {0x1.869fffffffffap+16, 0x1.869fffffffffbp+16, 146}, // 1e5 less 5 units, the first v at 100 dB
    {0x1.f0d1ed8acc43p+21, 0x1.f0d1ed8acc431p+21, 193},  // v near 4.07e6, 132.2 dB
};

// v of a frame's largest bin per unit of its largest absolute sample.
constexpr double NormalisationTarget = 4100.0;

TEST(OutputBits, EachOrdinateStepLiesBetweenItsRecordedNeighbouringValues) {
    // A largest sample of 2^10 and a largest bin of 4100 * 2^10 give the factor from
    // magnitude to v of exactly 1, so every bin's v is the magnitude put into it.
    constexpr double PeakSample = 1024.0;
    AnalyzerState.PeakInput = PeakSample;
    AnalyzerState.PeakMagnitude = PeakSample * NormalisationTarget;
    MagnitudeBuffer.fill(0.0);
    std::size_t bin = 0;
    for (const OrdinateStep& step : OrdinateSteps) {
        MagnitudeBuffer[bin++] = step.below;
        MagnitudeBuffer[bin++] = step.at;
    }

    Ordinates plot{};
    ComputeOrdinates(plot);

    bin = 0;
    for (const OrdinateStep& step : OrdinateSteps) {
        EXPECT_EQ(plot[bin++], step.ordinate - 1) << "v = " << std::hexfloat << step.below;
        EXPECT_EQ(plot[bin++], step.ordinate) << "v = " << std::hexfloat << step.at;
    }
}

// --- Window tables ------------------------------------------------------------------------

struct WindowDigest {
    WindowKind kind;
    std::uint64_t expected;
};

constexpr WindowDigest WindowDigests[] = {
    {WindowKind::wkRectangular, 0x552b519dd836c325}, {WindowKind::wkTriangular, 0x2c12a40ecb49d1d8},
    {WindowKind::wkSine, 0x5ad6f7e734ae82e8},        {WindowKind::wkGaussian, 0x8364519930b5e042},
    {WindowKind::wkLanczos, 0xc792b5903e28ce3c},     {WindowKind::wkHamming, 0xedea4f5eb9c7c8e3},
    {WindowKind::wkHann, 0x62a47444740bddc8},        {WindowKind::wkBlackman, 0x8275619ec7f54846},
    {WindowKind::wkNuttall, 0x775a1b6176d30352},     {WindowKind::wkKaiser, 0xb1499e804b5ba781},
    {WindowKind::wkFlatTop, 0x234bdfe7b6f9f4d4},
};

TEST(OutputBits, EveryWindowTableMatchesItsRecordedDigest) {
    static_assert(std::size(WindowDigests) == WindowKindCount);
    for (const WindowDigest& window : WindowDigests) {
        std::array<float, FrameLength> table{};
        FillWindowTable(window.kind, table);
        Fnv1a digest;
        digest.Add(std::span<const float>(table));
        EXPECT_EQ(digest.Value(), window.expected)
            << Describe(window.kind).ToolName << " " << Hex(digest.Value());
    }
}

// --- Bessel function ----------------------------------------------------------------------

// Arguments of I0: every 1/128 and every 1/10 up to 30 (past the Kaiser window's 20), the
// branch edges and their nearest neighbours, every 0.37 from 30 up to the overflow limit, the
// limit and its neighbours, and arguments far beyond it. Each is also taken negated, as I0 is
// even.
constexpr int DyadicStepsPerUnit = 128;
constexpr int DecimalStepsPerUnit = 10;
constexpr int DenseRangeEnd = 30;
constexpr double WideStep = 0.37;
// I0 is taken as 1 up to the first; the series in use switches at the other two.
constexpr double BranchEdges[] = {0x1p-25, 3.0, 8.0};
constexpr double Beyond[] = {710.0, 1.0e4, 1.0e300, std::numeric_limits<double>::infinity()};

std::vector<double> BesselArguments() {
    std::vector<double> arguments;
    for (int step = 0; step <= DyadicStepsPerUnit * DenseRangeEnd; ++step) {
        arguments.push_back(static_cast<double>(step) / DyadicStepsPerUnit);
    }
    for (int step = 1; step <= DecimalStepsPerUnit * DenseRangeEnd; ++step) {
        arguments.push_back(static_cast<double>(step) / DecimalStepsPerUnit);
    }
    for (const double edge : BranchEdges) {
        arguments.push_back(edge);
        double below = edge;
        double above = edge;
        for (int ulp = 0; ulp < 4; ++ulp) {
            below = std::nextafter(below, 0.0);
            above = std::nextafter(above, BesselI0OverflowLimit);
            arguments.push_back(below);
            arguments.push_back(above);
        }
    }
    arguments.push_back(std::numeric_limits<double>::denorm_min());
    arguments.push_back(std::numeric_limits<double>::min());
    for (int step = 1; DenseRangeEnd + step * WideStep < BesselI0OverflowLimit; ++step) {
        arguments.push_back(DenseRangeEnd + step * WideStep);
    }
    arguments.push_back(std::nextafter(BesselI0OverflowLimit, 0.0));
    arguments.push_back(BesselI0OverflowLimit);
    arguments.push_back(
        std::nextafter(BesselI0OverflowLimit, std::numeric_limits<double>::infinity()));
    for (const double x : Beyond) {
        arguments.push_back(x);
    }
    return arguments;
}

constexpr std::uint64_t BesselI0Digest = 0x4806aa2159414d39;

TEST(OutputBits, BesselI0AcrossEveryBranchMatchesItsRecordedDigest) {
    Fnv1a digest;
    for (const double x : BesselArguments()) {
        digest.Add(BesselI0(x));
        digest.Add(BesselI0(-x));
    }
    EXPECT_EQ(digest.Value(), BesselI0Digest) << Hex(digest.Value());
}

} // namespace
