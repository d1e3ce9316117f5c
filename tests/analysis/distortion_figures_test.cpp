// SPDX-License-Identifier: GPL-3.0-or-later
// Distortion figures read from the spectrum against the truth in the time domain: a sine
// fitted at the known frequency, and signals made with known harmonics.

#include "analysis/analyzer.h"
#include "analysis/coder_figures.h"
#include "analysis/complex_fft.h"
#include "analysis/distortion_figures.h"
#include "analysis/frame_pipeline.h"
#include "analysis/numeric_constants.h"
#include "analysis/window_table.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <span>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace analysis;

constexpr int ToneHz = 1000;

std::span<const Complex, OneSidedBins> Spectrum() {
    return std::span<const Complex, OneSidedBins>(SpectrumBuffer.data(), OneSidedBins);
}

// SINAD of `samples` by a three-parameter least-squares sine fit at `frequencyHz`: the
// fitted sine's power over the residual's, the fitted DC counted as neither.
double SineFitSinadDb(std::span<const double> samples, double frequencyHz) {
    using Extended = long double;
    const Extended omega = TwoPi * frequencyHz / SampleRate;
    Extended m[3][3] = {};
    Extended v[3] = {};
    for (std::size_t n = 0; n < samples.size(); ++n) {
        const Extended basis[3] = {std::cos(omega * n), std::sin(omega * n), 1.0L};
        for (int i = 0; i < 3; ++i) {
            v[i] += basis[i] * samples[n];
            for (int j = 0; j < 3; ++j) {
                m[i][j] += basis[i] * basis[j];
            }
        }
    }
    // Gaussian elimination; the normal equations of a sine over a whole frame are well
    // conditioned.
    for (int i = 0; i < 3; ++i) {
        for (int r = i + 1; r < 3; ++r) {
            const Extended f = m[r][i] / m[i][i];
            for (int c = i; c < 3; ++c) {
                m[r][c] -= f * m[i][c];
            }
            v[r] -= f * v[i];
        }
    }
    Extended x[3];
    for (int i = 2; i >= 0; --i) {
        x[i] = v[i];
        for (int c = i + 1; c < 3; ++c) {
            x[i] -= m[i][c] * x[c];
        }
        x[i] /= m[i][i];
    }
    Extended residual = 0.0L;
    for (std::size_t n = 0; n < samples.size(); ++n) {
        const Extended fitted = x[0] * std::cos(omega * n) + x[1] * std::sin(omega * n) + x[2];
        residual += (samples[n] - fitted) * (samples[n] - fitted);
    }
    const Extended sinePower = (x[0] * x[0] + x[1] * x[1]) / 2.0L;
    return static_cast<double>(10.0L * std::log10(sinePower / (residual / samples.size())));
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
            const double truth = SineFitSinadDb(coded, ToneHz);
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
    };
    for (WindowKind kind : {WindowKind::wkKaiser, WindowKind::wkBlackman}) {
        std::array<float, FrameLength> table{};
        FillWindowTable(kind, table);
        for (const TCase& c : cases) {
            SCOPED_TRACE(c.fundamentalHz);
            std::array<Complex, FrameLength> data{};
            for (int n = 0; n < FrameLength; ++n) {
                const long double t = static_cast<long double>(n) / SampleRate;
                long double x = std::sin(TwoPi * c.fundamentalHz * t);
                for (const auto& [number, dbc] : c.harmonics) {
                    x += std::pow(10.0L, dbc / 20.0L) *
                         std::sin(TwoPi * number * c.fundamentalHz * t + 0.3L * number);
                }
                data[static_cast<std::size_t>(n)].re =
                    static_cast<double>(FullScale / 2 * x * table[static_cast<std::size_t>(n)]);
            }
            ComplexFFT(data, FftDirection::Forward);
            const TDistortionFigures figures = MeasureDistortion(
                std::span<const Complex, OneSidedBins>(data.data(), OneSidedBins),
                MeasureWindowFigures(table));
            EXPECT_NEAR(figures.ThdDb, c.thdDb, 0.2);
            EXPECT_NEAR(figures.FundamentalDbfs, -6.02, 0.1);
            EXPECT_EQ(figures.HarmonicsMeasured, c.measured);
            EXPECT_EQ(figures.HarmonicsOnFundamental, c.onFundamental);
        }
    }
}

} // namespace
