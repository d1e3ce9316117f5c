// SPDX-License-Identifier: GPL-3.0-or-later
// Distortion figures read from the spectrum against the truth in the time domain: a sine
// fitted at the known frequency, and signals made with known harmonics.

#include "analysis/frames/analyzer.h"
#include "analysis/figures/coder_figures.h"
#include "analysis/transform/complex_fft.h"
#include "analysis/figures/distortion_figures.h"
#include "analysis/frames/frame_pipeline.h"
#include "analysis/common/numeric_constants.h"
#include "analysis/windows/window_table.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <random>
#include <span>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace analysis;

constexpr int ToneHz = 1000;

std::span<const Complex, OneSidedBins> Spectrum() {
    return std::span<const Complex, OneSidedBins>(SpectrumBuffer.data(), OneSidedBins);
}

// A least-squares fit of `samples` by a constant and, at each of `frequenciesHz` (the
// fundamental first, all distinct, above 0 Hz), a cosine and, below half the sample rate, a
// sine: the fitted fundamental's mean square over the residual's, in dB, the residual's
// estimated without bias (over the samples less the fitted parameters). With the
// fundamental alone that is SINAD; with the harmonics too, SNR.
double FittedRatioDb(std::span<const double> samples, const std::vector<double>& frequenciesHz) {
    using Extended = long double;
    std::vector<std::vector<Extended>> basis; // one row per function, one column per sample
    basis.emplace_back(samples.size(), 1.0L);
    for (const double hz : frequenciesHz) {
        const Extended omega = TwoPi * hz / SampleRate;
        auto& cosine = basis.emplace_back(samples.size());
        for (std::size_t n = 0; n < samples.size(); ++n) {
            cosine[n] = std::cos(omega * n);
        }
        if (hz < SampleRate / 2) {
            auto& sine = basis.emplace_back(samples.size());
            for (std::size_t n = 0; n < samples.size(); ++n) {
                sine[n] = std::sin(omega * n);
            }
        }
    }
    const std::size_t size = basis.size();
    std::vector<std::vector<Extended>> m(size, std::vector<Extended>(size + 1));
    for (std::size_t i = 0; i < size; ++i) {
        for (std::size_t n = 0; n < samples.size(); ++n) {
            m[i][size] += basis[i][n] * samples[n];
            for (std::size_t j = 0; j < size; ++j) {
                m[i][j] += basis[i][n] * basis[j][n];
            }
        }
    }
    // Gaussian elimination; the normal equations of distinct sines over a whole frame are well
    // conditioned.
    for (std::size_t i = 0; i < size; ++i) {
        for (std::size_t r = i + 1; r < size; ++r) {
            const Extended f = m[r][i] / m[i][i];
            for (std::size_t c = i; c <= size; ++c) {
                m[r][c] -= f * m[i][c];
            }
        }
    }
    std::vector<Extended> x(size);
    for (std::size_t i = size; i-- > 0;) {
        x[i] = m[i][size];
        for (std::size_t c = i + 1; c < size; ++c) {
            x[i] -= m[i][c] * x[c];
        }
        x[i] /= m[i][i];
    }
    Extended residual = 0.0L;
    for (std::size_t n = 0; n < samples.size(); ++n) {
        Extended fitted = 0.0L;
        for (std::size_t i = 0; i < size; ++i) {
            fitted += x[i] * basis[i][n];
        }
        residual += (samples[n] - fitted) * (samples[n] - fitted);
    }
    // The constant is x[0]; the fundamental's cosine and sine come next.
    const Extended sinePower = (x[1] * x[1] + x[2] * x[2]) / 2.0L;
    return static_cast<double>(10.0L * std::log10(sinePower / (residual / (samples.size() - size))));
}

// The distinct frequencies that harmonics FirstHarmonic to LastHarmonic of `hz` fold onto,
// other than 0 Hz and `hz` itself.
std::vector<double> FoldedHarmonicsHz(double hz) {
    std::vector<double> folded;
    for (int harmonic = FirstHarmonic; harmonic <= LastHarmonic; ++harmonic) {
        double at = std::fmod(harmonic * hz, SampleRate);
        at = at > SampleRate / 2 ? SampleRate - at : at;
        if (at != 0.0 && at != hz && std::find(folded.begin(), folded.end(), at) == folded.end()) {
            folded.push_back(at);
        }
    }
    return folded;
}

TEST(DistortionFigures, AgreeWithASineFitForEveryModeAndAreCleanForTheUncodedTone) {
    const TWindowFigures& kaiser = WindowFiguresOf(WindowKind::wkKaiser);
    std::printf("%-16s %6s %9s %9s %9s %7s %10s %10s\n", "mode", "level", "THD", "SINAD", "SFDR",
                "ENOB", "fit SINAD", "coder SNR");
    for (const TCodingModeInfo& info : CodingModes) {
        for (const int level : {0, -40, -80, -100}) {
            if (level == -100 && info.Mode != CodingMode::cmPCM) {
                continue;
            }
            SCOPED_TRACE(std::string(info.Caption) + " at " + std::to_string(level) + " dB");
            StartAnalyzer(WindowKind::wkKaiser, level);
            std::array<double, FrameLength> coded{};
            SynthesiseFrame(ToneHz, info.Mode, coded);
            TransformFrame();
            const TDistortionFigures figures = MeasureDistortion(Spectrum(), kaiser);
            ASSERT_FALSE(figures.Silent);
            EXPECT_NEAR(figures.FundamentalHz, ToneHz, 0.01);
            EXPECT_NEAR(figures.FundamentalDbfs, level, 0.05);
            const double truth = FittedRatioDb(coded, {ToneHz});
            if (info.Mode == CodingMode::cmPCM) {
                // Only the transform's rounding and the window's side lobes are left, far
                // above the uncoded tone's own rounding that the fit finds.
                EXPECT_LT(level - figures.SinadDb, -120.0);
                EXPECT_GE(figures.SfdrDb, -kaiser.HighestSideLobeDb);
            } else {
                EXPECT_NEAR(figures.SinadDb, truth, 0.5);
                EXPECT_NEAR(figures.EffectiveBits, (truth - 1.76) / 6.02, 0.1);
            }
            std::printf("%-16s %6d %9.2f %9.2f %9.2f %7.2f %10.2f %10.2f\n",
                        std::string(info.Caption).c_str(), level,
                        figures.ThdDb, figures.SinadDb, figures.SfdrDb, figures.EffectiveBits,
                        truth, MeasureCoderFigures(ToneHz, level, info.Mode).SnrDb);
        }
    }
}

// The figures of a tone at half scale with `harmonics` (number, level in dBc) and, with
// `noiseDbc` finite, uniform white noise drawn from `seed`, weighted by `table`; `samples`
// gets the signal before weighting, in units of the tone's amplitude.
TDistortionFigures KnownSignalFigures(double fundamentalHz,
                                      const std::vector<std::pair<int, double>>& harmonics,
                                      double noiseDbc, unsigned seed,
                                      const std::array<float, FrameLength>& table,
                                      std::array<double, FrameLength>& samples) {
    std::mt19937 random(seed);
    const double noiseAmplitude = std::sqrt(1.5 * std::pow(10.0, noiseDbc / 10.0));
    std::array<Complex, FrameLength> data{};
    for (int n = 0; n < FrameLength; ++n) {
        const long double t = static_cast<long double>(n) / SampleRate;
        long double x = std::sin(TwoPi * fundamentalHz * t);
        for (const auto& [number, dbc] : harmonics) {
            x += std::pow(10.0L, dbc / 20.0L) *
                 std::sin(TwoPi * number * fundamentalHz * t + 0.3L * number);
        }
        if (std::isfinite(noiseDbc)) {
            x += noiseAmplitude * (2.0 * random() / std::mt19937::max() - 1.0);
        }
        samples[static_cast<std::size_t>(n)] = static_cast<double>(x);
        data[static_cast<std::size_t>(n)].re =
            static_cast<double>(FullScale / 2 * x * table[static_cast<std::size_t>(n)]);
    }
    ComplexFFT(data, FftDirection::Forward);
    return MeasureDistortion(std::span<const Complex, OneSidedBins>(data.data(), OneSidedBins),
                             MeasureWindowFigures(table));
}

// A sine at half the sample rate is zero but for rounding: no tone, as at 0 Hz, while the
// quietest tones the slider gives, where a frame holds part of a cycle, are measured.
TEST(DistortionFigures, ANyquistToneIsNoToneButTheQuietestToneIsOne) {
    const struct {
        int hz;
        int levelDb;
        WindowKind window;
        bool silent;
    } cases[] = {
        {8000, 0, WindowKind::wkKaiser, true},        {8000, 0, WindowKind::wkRectangular, true},
        {0, 0, WindowKind::wkKaiser, true},           {1, -160, WindowKind::wkKaiser, false},
        {7999, -160, WindowKind::wkRectangular, false}, {1000, -160, WindowKind::wkHann, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hz);
        StartAnalyzer(c.window, c.levelDb);
        std::array<double, FrameLength> samples{};
        SynthesiseFrame(c.hz, CodingMode::cmPCM, samples);
        TransformFrame();
        const TDistortionFigures figures = MeasureDistortion(Spectrum(), WindowFiguresOf(c.window));
        EXPECT_EQ(figures.Silent, c.silent) << figures.FundamentalDbfs;
        EXPECT_EQ(figures.FundamentalHz, c.silent ? 0.0 : figures.FundamentalHz);
    }
}

TEST(DistortionFigures, ThdOfKnownHarmonicsAndThoseThatFoldOntoTheFundamental) {
    struct TCase {
        double fundamentalHz;
        std::vector<std::pair<int, double>> harmonics; // number, level in dBc
        double thdDb;
        int measured; // lobes: a harmonic that folds onto another's is counted with it
        int onFundamental;
    };
    const double thd = 10.0 * std::log10(1e-4 + 1e-6);
    const TCase cases[] = {
        // The 9th and 10th fold onto the 7th and 6th.
        {1000.0, {{2, -40.0}, {3, -60.0}}, thd, 7, 0},
        // The 7th to 10th fold next to the 6th to 3rd, within their lobes.
        {1234.5, {{3, -40.0}, {7, -60.0}}, thd, 5, 0},
        // 4, 6 and 9 times 3200 Hz fold onto 3200 Hz, 5 and 10 onto DC, the rest onto 6400 Hz.
        {3200.0, {{2, -40.0}}, -40.0, 1, 3},
        // Nothing folds below 800 Hz: the 10th counts, the 11th does not.
        {700.0, {{10, -40.0}, {11, -40.0}}, -40.0, 9, 0},
    };
    for (WindowKind kind : {WindowKind::wkKaiser, WindowKind::wkBlackman}) {
        std::array<float, FrameLength> table{};
        FillWindowTable(kind, table);
        for (const TCase& c : cases) {
            SCOPED_TRACE(c.fundamentalHz);
            std::array<double, FrameLength> samples{};
            const TDistortionFigures figures = KnownSignalFigures(
                c.fundamentalHz, c.harmonics, -HUGE_VAL, 0, table, samples);
            EXPECT_NEAR(figures.ThdDb, c.thdDb, 0.2);
            EXPECT_NEAR(figures.FundamentalDbfs, -6.02, 0.1);
            EXPECT_EQ(figures.HarmonicsMeasured, c.measured);
            EXPECT_EQ(figures.HarmonicsOnFundamental, c.onFundamental);
        }
    }
}

// The noise under the components' lobes is estimated from the rest: with white noise, SNR
// and SINAD are what a fit of the samples leaves. Averaged over frames of fresh noise, the
// estimate agrees well within what leaving it out would change (0.85 dB with these lobes).
TEST(DistortionFigures, NoiseUnderTheLobesIsEstimatedAsAFitOfTheSamplesLeavesIt) {
    constexpr double ToneHz = 1234.5;
    const std::vector<std::pair<int, double>> harmonics = {{3, -40.0}, {7, -60.0}};
    constexpr int Frames = 16;
    std::array<float, FrameLength> table{};
    FillWindowTable(WindowKind::wkKaiser, table); // side lobes far under the noise
    std::vector<double> tones = FoldedHarmonicsHz(ToneHz);
    tones.insert(tones.begin(), ToneHz);
    double snrError = 0.0;
    double sinadError = 0.0;
    for (unsigned seed = 1; seed <= Frames; ++seed) {
        std::array<double, FrameLength> samples{};
        const TDistortionFigures figures =
            KnownSignalFigures(ToneHz, harmonics, -70.0, seed, table, samples);
        snrError += (figures.SnrDb - FittedRatioDb(samples, tones)) / Frames;
        sinadError += (figures.SinadDb - FittedRatioDb(samples, {ToneHz})) / Frames;
    }
    EXPECT_NEAR(snrError, 0.0, 0.3);
    EXPECT_NEAR(sinadError, 0.0, 0.05);
}

} // namespace
