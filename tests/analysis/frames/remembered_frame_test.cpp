// SPDX-License-Identifier: GPL-3.0-or-later
// The analyzer remembers what repeats from frame to frame (the tone's sine values per clock
// value, the transform's twiddle factors). Side by side with the plain computation, which
// computes every value afresh, every bit of every frame must agree, whatever changes between
// frames.

#include "analysis/frames/analyzer.h"
#include "analysis/frames/analyzer_state.h"
#include "analysis/transform/complex_fft.h"
#include "analysis/frames/frame_pipeline.h"
#include "support/analyzer_fixture.h"
#include "support/plain_frame_pipeline.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace analysis;

template <typename Array>
bool SameBits(const Array& a, const void* b) {
    return std::memcmp(a.data(), b, sizeof a) == 0;
}

bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// One step of the script: the settings, then that many frames.
struct TStep {
    const char* what;
    std::int32_t frequencyHz;
    int levelDb;
    CodingMode mode;
    WindowKind window;
    int frames;
};

constexpr CodingMode Pcm = CodingMode::cmPCM;
constexpr WindowKind Kaiser = WindowKind::wkKaiser;

// From a fresh start: more than a second at one tone, so the clock wraps with the values
// remembered; changes of level, mode and window, which keep them; changes of frequency,
// back to one that was remembered before, and a drag that changes it every frame.
const std::vector<TStep> Script = {
    {"first second and the wrap", 1000, 0, Pcm, Kaiser, 18},
    {"quieter", 1000, -37, Pcm, Kaiser, 3},
    {"quietest", 1000, -160, Pcm, Kaiser, 2},
    {"exact root", 1000, -37, CodingMode::cmOrvexSqrt, Kaiser, 2},
    {"one step", 1000, -37, CodingMode::cmIter1, Kaiser, 2},
    {"two steps", 1000, 0, CodingMode::cmIter2, Kaiser, 2},
    {"three steps", 1000, 0, CodingMode::cmIter3, WindowKind::wkHann, 2},
    {"other tone", 440, 0, Pcm, WindowKind::wkHann, 3},
    {"first tone again", 1000, 0, Pcm, WindowKind::wkFlatTop, 17},
    {"silence", 0, 0, CodingMode::cmIter1, WindowKind::wkRectangular, 2},
    {"top", 8000, -80, CodingMode::cmOrvexSqrt, WindowKind::wkRectangular, 2},
    {"just below the top", 7999, -80, Pcm, Kaiser, 20},
};

TEST(RememberedFrame, EveryFrameMatchesThePlainComputationBitForBit) {
    StartAnalyzer(Kaiser, 0);
    testing_support::plain::TFrame plain;
    std::array<double, FrameLength> coded{};
    testing_support::Ordinates ordinates{};
    int frameNumber = 0;
    const auto run = [&](const char* what, std::int32_t frequencyHz, CodingMode mode) {
        SynthesiseFrame(frequencyHz, mode, coded);
        TransformFrame();
        ComputeOrdinates(ordinates);
        testing_support::plain::RunFrame(plain, frequencyHz, mode);
        ++frameNumber;
        ASSERT_TRUE(SameBits(coded, plain.Coded.data())) << what << ", frame " << frameNumber;
        ASSERT_TRUE(SameBits(plain.Spectrum, SpectrumBuffer.data())) << what;
        ASSERT_TRUE(SameBits(MagnitudeBuffer, plain.Magnitudes.data())) << what;
        ASSERT_TRUE(SameBits(ordinates, plain.Ordinates.data())) << what;
        ASSERT_TRUE(SameBits(AnalyzerState.PeakInput, plain.PeakInput)) << what;
        ASSERT_TRUE(SameBits(AnalyzerState.PeakMagnitude, plain.PeakMagnitude)) << what;
        ASSERT_EQ(AnalyzerState.SampleCounter, plain.SampleCounter) << what;
    };
    for (const TStep& step : Script) {
        SetLevel(step.levelDb);
        LoadWindowTable(step.window);
        for (int frame = 0; frame < step.frames; ++frame) {
            run(step.what, step.frequencyHz, step.mode);
        }
    }
    // A slider drag: a new frequency before every frame, across the clock wrap.
    for (std::int32_t frequency = 2000; frequency < 2020; ++frequency) {
        run("drag", frequency, frequency % 2 == 0 ? Pcm : CodingMode::cmIter3);
    }
}

TEST(RememberedFrame, TransformMatchesItsRecurrencesAtEverySizeAndDirection) {
    // Sizes up to the largest frame and one beyond it; values of every sign and size.
    std::uint64_t seed = 0x9E3779B97F4A7C15u;
    const auto next = [&seed] {
        seed = seed * 6364136223846793005u + 1442695040888963407u;
        return static_cast<double>(static_cast<std::int64_t>(seed >> 11) - (1LL << 52)) * 0x1p-40;
    };
    for (std::size_t n = 1; n <= 2048; n *= 2) {
        for (const FftDirection direction : {FftDirection::Forward, FftDirection::Inverse}) {
            std::vector<Complex> data(n);
            for (Complex& value : data) {
                value = {next(), n % 4 == 0 ? 0.0 : next()};
            }
            std::vector<Complex> plain = data;
            ComplexFFT(data, direction);
            testing_support::plain::ComplexFFT(plain, direction == FftDirection::Inverse);
            EXPECT_EQ(std::memcmp(data.data(), plain.data(), n * sizeof(Complex)), 0)
                << n << " points, inverse " << (direction == FftDirection::Inverse);
        }
    }
}

} // namespace
